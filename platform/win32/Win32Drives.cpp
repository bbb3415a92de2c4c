#include "platform/win32/Win32Drives.h"

#include "platform/win32/WindowsApi.h"

uint32_t Win32Drives::GetDriveType(const char* rootPath) { return ::GetDriveTypeA(rootPath); }

uint32_t Win32Drives::GetLogicalDrives() { return ::GetLogicalDrives(); }

bool Win32Drives::GetDiskFreeSpaceEx(const char* rootPath, uint64_t& freeBytesAvailableToCaller,
                                     uint64_t& totalBytes) {
  ULARGE_INTEGER available = {}, total = {};
  if (!::GetDiskFreeSpaceExA(rootPath, &available, &total, nullptr)) return false;
  freeBytesAvailableToCaller = available.QuadPart;
  totalBytes = total.QuadPart;
  return true;
}

uint32_t Win32Drives::GetFileAttributes(const char* path) { return ::GetFileAttributesA(path); }

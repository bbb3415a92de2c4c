#include "platform/sim/SimDrives.h"

#include <cstring>

#include "platform/WinTypes.h"
#include "platform/sim/SimText.h"

namespace {
constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;

// "H:" or "H:\" -> the letter's index, else -1.
int RootIndex(const char* path) {
  int index = SimDriveIndex(path);
  if (index < 0) return -1;
  size_t length = std::strlen(path);
  if (length == 2 || (length == 3 && path[2] == '\\')) return index;
  return -1;
}
}  // namespace

uint32_t SimDrives::GetDriveType(const char* rootPath) {
  std::lock_guard<std::mutex> lock(state_.Guard);
  int index = RootIndex(rootPath);
  uint32_t code = 0;
  if (faults_.Take("GetDriveType", index, code)) return code;
  if (index < 0) return win::DRIVE_NO_ROOT_DIR;
  const SimLetter& letter = state_.Letters[index];
  if (letter.Mapped || letter.StaleRemote) return win::DRIVE_REMOTE;
  return letter.LocalType;
}

uint32_t SimDrives::GetLogicalDrives() {
  std::lock_guard<std::mutex> lock(state_.Guard);
  uint32_t mask = 0;
  for (int index = 0; index < 26; ++index)
    if (state_.Letters[index].Taken()) mask |= 1u << index;
  return mask;
}

bool SimDrives::GetDiskFreeSpaceEx(const char* rootPath, uint64_t& freeBytesAvailableToCaller,
                                   uint64_t& totalBytes) {
  std::lock_guard<std::mutex> lock(state_.Guard);
  int index = RootIndex(rootPath);
  uint32_t code = 0;
  if (faults_.Take("GetDiskFreeSpaceEx", index, code) && code != 0) return false;
  if (index < 0) return false;
  const SimLetter& letter = state_.Letters[index];
  if (letter.LocalDevice()) {
    freeBytesAvailableToCaller = letter.LocalFree;
    totalBytes = letter.LocalTotal;
    return true;
  }
  const SimShare* share = state_.AnsweringShare(index);
  if (share == nullptr) return false;
  freeBytesAvailableToCaller = share->FreeBytes;
  totalBytes = share->TotalBytes;
  return true;
}

uint32_t SimDrives::GetFileAttributes(const char* path) {
  std::lock_guard<std::mutex> lock(state_.Guard);
  int index = SimDriveIndex(path);
  uint32_t code = 0;
  if (faults_.Take("GetFileAttributes", index, code)) return win::INVALID_FILE_ATTRIBUTES;
  if (path == nullptr) return win::INVALID_FILE_ATTRIBUTES;
  if (RootIndex(path) >= 0) {
    const SimLetter& letter = state_.Letters[index];
    if (letter.LocalDevice() || state_.AnsweringShare(index) != nullptr) return win::FILE_ATTRIBUTE_DIRECTORY;
    return win::INVALID_FILE_ATTRIBUTES;
  }
  if (index >= 0 && !state_.Letters[index].LocalDevice() && state_.AnsweringShare(index) == nullptr)
    return win::INVALID_FILE_ATTRIBUTES;
  if (files_.FileExists(path)) return FILE_ATTRIBUTE_ARCHIVE;
  if (files_.FolderExists(path)) return win::FILE_ATTRIBUTE_DIRECTORY;
  return win::INVALID_FILE_ATTRIBUTES;
}

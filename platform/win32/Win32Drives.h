#pragma once
#include "platform/Drives.h"

class Win32Drives : public Drives {
 public:
  uint32_t GetDriveType(const char* rootPath) override;
  uint32_t GetLogicalDrives() override;
  bool GetDiskFreeSpaceEx(const char* rootPath, uint64_t& freeBytesAvailableToCaller,
                          uint64_t& totalBytes) override;
  uint32_t GetFileAttributes(const char* path) override;
};

#pragma once
#include <cstdint>

// Drive letters and their roots.
class Drives {
 public:
  virtual ~Drives() = default;
  // GetDriveTypeA of a root such as "H:\": one of the DRIVE_* values.
  virtual uint32_t GetDriveType(const char* rootPath) = 0;
  // GetLogicalDrives: bit 0 is A.
  virtual uint32_t GetLogicalDrives() = 0;
  // GetDiskFreeSpaceExA; false when the query failed.
  virtual bool GetDiskFreeSpaceEx(const char* rootPath, uint64_t& freeBytesAvailableToCaller,
                                  uint64_t& totalBytes) = 0;
  // GetFileAttributesA; INVALID_FILE_ATTRIBUTES when the path does not answer.
  virtual uint32_t GetFileAttributes(const char* path) = 0;
};

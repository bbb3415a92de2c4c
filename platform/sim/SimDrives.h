#pragma once
#include "platform/Drives.h"
#include "platform/sim/SimFaults.h"
#include "platform/sim/SimFiles.h"
#include "platform/sim/SimNetState.h"

// Drive letters and their roots on the simulated machine. A mapped letter answers as a
// directory, with its share's space, while the share's server is reachable; a local
// device answers with its own space. Below a root, the program's in-memory files and
// their folders answer.
class SimDrives : public Drives {
 public:
  SimDrives(SimNetState& state, SimFaults& faults, SimFiles& files) : state_(state), faults_(faults), files_(files) {}

  uint32_t GetDriveType(const char* rootPath) override;
  uint32_t GetLogicalDrives() override;
  bool GetDiskFreeSpaceEx(const char* rootPath, uint64_t& freeBytesAvailableToCaller, uint64_t& totalBytes) override;
  uint32_t GetFileAttributes(const char* path) override;

 private:
  SimNetState& state_;
  SimFaults& faults_;
  SimFiles& files_;
};

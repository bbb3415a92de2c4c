#pragma once
#include <cstdint>
#include <string>

#include "platform/Drives.h"
#include "platform/Network.h"
#include "platform/UserInterface.h"

// The calls that may wait on a server, each run through UserInterface::RunServingMessages
// so that the main thread keeps serving its messages meanwhile. Each call works on copies
// of its arguments: a call left behind at the end of the program still owns what it
// reads. A call left behind answers as Windows answers a cancelled one.
class ServedNetwork : public Network {
 public:
  ServedNetwork(Network& network, UserInterface& ui) : network_(network), ui_(ui) {}

  uint32_t AddConnection2(const NetResource& resource, const char* password, const char* userName,
                          uint32_t flags) override;
  uint32_t AddConnection(const char* remoteName, const char* password, const char* localName) override;
  uint32_t CancelConnection2(const char* name, uint32_t flags, bool force) override;
  uint32_t GetUniversalName(const char* localPath, std::string& universalName) override;

 private:
  Network& network_;
  UserInterface& ui_;
};

// The drive queries that reach a server: the type, the free space and the attributes of a
// root may be a network round trip. GetLogicalDrives is local and runs in place.
class ServedDrives : public Drives {
 public:
  ServedDrives(Drives& drives, UserInterface& ui) : drives_(drives), ui_(ui) {}

  uint32_t GetDriveType(const char* rootPath) override;
  uint32_t GetLogicalDrives() override { return drives_.GetLogicalDrives(); }
  bool GetDiskFreeSpaceEx(const char* rootPath, uint64_t& freeBytesAvailableToCaller,
                          uint64_t& totalBytes) override;
  uint32_t GetFileAttributes(const char* path) override;

 private:
  Drives& drives_;
  UserInterface& ui_;
};

#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/WinTypes.h"
#include "platform/sim/SimMachine.h"

// One drive letter of the simulated machine.
struct SimLetter {
  uint32_t LocalType = win::DRIVE_NO_ROOT_DIR;  // a local device, or free
  uint64_t LocalFree = 0;
  uint64_t LocalTotal = 0;
  bool StaleRemote = false;  // reports DRIVE_REMOTE, but the network knows no mapping
  bool Mapped = false;
  std::string Remote;        // where the mapping points
  std::string User;          // the user the connection was made with
  bool OpenFiles = false;
  bool DeviceInUse = false;

  bool LocalDevice() const { return LocalType != win::DRIVE_NO_ROOT_DIR; }
  bool Taken() const { return Mapped || LocalDevice() || StaleRemote; }
};

// Letters, servers and shares: what the network calls and the drive queries share.
struct SimNetState {
  std::array<SimLetter, 26> Letters;
  // By ShareKey, so that the calls find their share without comparing every name.
  struct ShareKeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
  };
  std::unordered_map<std::string, std::unique_ptr<SimShare>, ShareKeyHash, std::equal_to<>> Shares;
  std::map<std::string, bool> Unreachable;  // lower-case server name -> off the network
  uint32_t DelayMs = 0;
  std::string LoggedOnUser = "alice";
  // Non-zero: the answer to a connect to any share not added, in place of the codes that
  // tell an unknown server (53) from an unknown share (67).
  uint32_t UnknownShareCode = 0;
  // Held by a call while it reads or changes the state: in the simulated-network build the
  // calls run on threads of their own while the main thread applies edits of the file.
  mutable std::mutex Guard;

  // "\\server\share" in lower case for a path at or below a share, else "".
  static std::string ShareKey(const std::string& path);
  // The share that holds this path ("\\server\share" or below it), or null.
  SimShare* ShareOf(const std::string& path);
  // The share at path, added (Path without trailing backslashes) unless it exists;
  // null when path names no share.
  SimShare* AddShare(const std::string& path);
  bool ServerKnown(const std::string& server) const;
  bool ServerReachable(const std::string& server) const;
  // The share behind the mapping of a letter answers (known share, reachable server).
  const SimShare* AnsweringShare(int index);
  // The user of this machine's connections to the server, or "" when it has none.
  std::string SessionUser(const std::string& server) const;
  // The letter's mapping ends, and with it its open files and the process using it.
  void DropMapping(int index);
  // The mapping dropped from outside: what Windows then tells the windows of a network volume.
  DeviceChange VanishMapping(int index);
};

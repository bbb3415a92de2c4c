#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The simulated network as SimulatedNetwork.ini describes it (Windows-1252 text, section
// and key names without regard to case):
//   [Letters]            X=fixed|removable|cdrom|ramdisk|unknown   local devices at start
//   [Mappings]           X=\\server\share                          mapped by someone else
//   [Share \\srv\name]   Online, User, Password, TotalMB, FreeMB, OpenFiles, DelayMs
//   [Events]             Vanish=letters                            drops their mappings
//                        NetworkChange=, Resume=                   a change fires the event
struct SimNetworkFileShare {
  std::string Path;  // "\\server\share" as written in the section name
  bool Online = true;
  std::string User;
  std::string Password;
  uint64_t TotalMB = 1000;
  uint64_t FreeMB = 250;
  bool OpenFiles = false;
  uint32_t DelayMs = 0;
};

struct SimNetworkFile {
  struct Letter {
    char Drive;         // 'A' to 'Z'
    uint32_t DriveType; // DRIVE_FIXED, ...
  };
  struct Mapping {
    char Drive;
    std::string Remote;
  };
  std::vector<Letter> Letters;
  std::vector<Mapping> Mappings;
  std::vector<SimNetworkFileShare> Shares;
  std::string Vanish;  // the letters, upper case, each once
  // A change of either value tells the program the network changed, or the machine resumed.
  std::string NetworkChange;
  std::string Resume;
};

// The longest delay a share may have: longer ones would freeze the window for good.
constexpr uint32_t MaxSimDelayMs = 60000;

// Reads the file's text. False when it is damaged, with a reason that names the line.
bool ReadSimNetworkFile(const std::string& text, SimNetworkFile& network, std::string& reason);

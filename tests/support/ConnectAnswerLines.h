#pragma once
// The answers of a connect and the end of the line each one writes after "Unable to
// connect drive 'H:", in English.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

inline const std::vector<std::pair<uint32_t, std::string>>& ConnectAnswerLines() {
  static const std::vector<std::pair<uint32_t, std::string>> lines = {
      {5, "' (\"Access is denied\")."},
      {66, "' (\"The network resource type is not correct\")."},
      // Only a letter that does not answer as a folder: otherwise "already assigned" is success.
      {85, "' (\"The local device name is already in use\")."},
      {1202, "' (\"An attempt was made to remember a device that had previously been remembered\")."},
      {1203, "' (\"No network provider accepted the given network path\")."},
      {1219, "' (\"The credentials supplied conflict with an existing set of credentials\")."},
      {1231, "' (\"The remote network is not reachable by the transport\")."},
      {1326, "' (\"Logon failure: unknown user name or bad password\")."},
      {1232, "' (Error nr 1232)."},
  };
  return lines;
}

#include "platform/sim/SimFaults.h"

#include <stdexcept>

namespace {
bool KnownCall(const std::string& call) {
  for (const char* known : {"AddConnection2", "AddConnection", "CancelConnection2", "GetUniversalName",
                            "GetDiskFreeSpaceEx", "GetFileAttributes", "GetDriveType", "ShellExecute"})
    if (call == known) return true;
  return false;
}
}  // namespace

void SimFaults::Add(const std::string& call, uint32_t code, int letterIndex, int times) {
  if (!KnownCall(call)) throw std::invalid_argument("SimMachine: no call named " + call + " to inject into");
  if (times == 0) return;
  injections_.push_back({call, code, letterIndex, times});
}

bool SimFaults::Take(std::string_view call, int letterIndex, uint32_t& code) {
  for (auto it = injections_.begin(); it != injections_.end(); ++it) {
    if (it->Call != call || (it->LetterIndex >= 0 && it->LetterIndex != letterIndex)) continue;
    code = it->Code;
    if (it->Times > 0 && --it->Times == 0) injections_.erase(it);
    return true;
  }
  return false;
}

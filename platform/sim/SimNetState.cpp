#include "platform/sim/SimNetState.h"

#include "base/AsciiText.h"
#include "platform/sim/SimText.h"

SimShare* SimNetState::ShareOf(const std::string& path) {
  std::string server, share;
  if (!SimSplitUnc(path, server, share) || share.empty()) return nullptr;
  std::string root = LowerAscii("\\\\" + server + "\\" + share);
  for (auto& known : Shares)
    if (LowerAscii(SimTrimBackslashes(known->Path)) == root) return known.get();
  return nullptr;
}

bool SimNetState::ServerKnown(const std::string& server) const {
  for (const auto& known : Shares) {
    std::string knownServer, knownShare;
    if (SimSplitUnc(known->Path, knownServer, knownShare) && SameTextAscii(knownServer, server)) return true;
  }
  return false;
}

bool SimNetState::ServerReachable(const std::string& server) const {
  auto it = Unreachable.find(LowerAscii(server));
  return it == Unreachable.end() || !it->second;
}

const SimShare* SimNetState::AnsweringShare(int index) {
  const SimLetter& letter = Letters[index];
  if (!letter.Mapped) return nullptr;
  std::string server, share;
  if (!SimSplitUnc(letter.Remote, server, share) || !ServerReachable(server)) return nullptr;
  const SimShare* answering = ShareOf(letter.Remote);
  return answering != nullptr && answering->Online ? answering : nullptr;
}

std::string SimNetState::SessionUser(const std::string& server) const {
  for (const SimLetter& letter : Letters) {
    std::string mappedServer, share;
    if (letter.Mapped && SimSplitUnc(letter.Remote, mappedServer, share) && SameTextAscii(mappedServer, server))
      return letter.User;
  }
  return "";
}

DeviceChange SimNetState::VanishMapping(int index) {
  DropMapping(index);
  return DeviceChange{win::DBT_DEVICEREMOVECOMPLETE, win::DBT_DEVTYP_VOLUME, 1u << index, win::DBTF_NET};
}

void SimNetState::DropMapping(int index) {
  SimLetter& letter = Letters[index];
  letter.Mapped = false;
  letter.Remote.clear();
  letter.User.clear();
  letter.OpenFiles = false;
  letter.DeviceInUse = false;
}

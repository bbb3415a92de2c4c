#include "platform/sim/SimNetState.h"

#include "platform/sim/SimText.h"

SimShare* SimNetState::ShareOf(const std::string& path) {
  std::string server, share;
  if (!SimSplitUnc(path, server, share) || share.empty()) return nullptr;
  std::string root = SimLower("\\\\" + server + "\\" + share);
  for (auto& known : Shares)
    if (SimLower(SimTrimBackslashes(known->Path)) == root) return known.get();
  return nullptr;
}

bool SimNetState::ServerKnown(const std::string& server) const {
  for (const auto& known : Shares) {
    std::string knownServer, knownShare;
    if (SimSplitUnc(known->Path, knownServer, knownShare) && SimSameText(knownServer, server)) return true;
  }
  return false;
}

bool SimNetState::ServerReachable(const std::string& server) const {
  auto it = Unreachable.find(SimLower(server));
  return it == Unreachable.end() || !it->second;
}

const SimShare* SimNetState::AnsweringShare(int index) {
  const SimLetter& letter = Letters[index];
  if (!letter.Mapped) return nullptr;
  std::string server, share;
  if (!SimSplitUnc(letter.Remote, server, share) || !ServerReachable(server)) return nullptr;
  return ShareOf(letter.Remote);
}

std::string SimNetState::SessionUser(const std::string& server) const {
  for (const SimLetter& letter : Letters) {
    std::string mappedServer, share;
    if (letter.Mapped && SimSplitUnc(letter.Remote, mappedServer, share) && SimSameText(mappedServer, server))
      return letter.User;
  }
  return "";
}

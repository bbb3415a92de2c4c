#include "platform/sim/SimNetState.h"

#include <algorithm>
#include <string_view>

#include "base/AsciiText.h"
#include "platform/sim/SimText.h"

namespace {

// The length of "\\server\share" at the start of path, 0 when path names no share.
size_t ShareKeyLength(const std::string& path) {
  if (path.size() < 3 || path[0] != '\\' || path[1] != '\\') return 0;
  const size_t serverEnd = path.find('\\', 2);
  if (serverEnd == std::string::npos || serverEnd == 2) return 0;
  size_t shareEnd = path.find('\\', serverEnd + 1);
  if (shareEnd == std::string::npos) shareEnd = path.size();
  if (shareEnd == serverEnd + 1) return 0;
  return shareEnd;
}

char LowerAsciiChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

}  // namespace

std::string SimNetState::ShareKey(const std::string& path) {
  std::string key = path.substr(0, ShareKeyLength(path));
  for (char& c : key) c = LowerAsciiChar(c);
  return key;
}

SimShare* SimNetState::ShareOf(const std::string& path) {
  if (Shares.empty()) return nullptr;
  // Every simulated call looks its share up: the key is made on the stack when it fits.
  const size_t length = ShareKeyLength(path);
  if (length == 0) return nullptr;
  char key[128];
  if (length > sizeof key) {
    auto found = Shares.find(ShareKey(path));
    return found == Shares.end() ? nullptr : found->second.get();
  }
  for (size_t i = 0; i < length; ++i) key[i] = LowerAsciiChar(path[i]);
  auto found = Shares.find(std::string_view(key, length));
  return found == Shares.end() ? nullptr : found->second.get();
}

SimShare* SimNetState::AddShare(const std::string& path) {
  std::string key = ShareKey(path);
  if (key.empty()) return nullptr;
  std::unique_ptr<SimShare>& share = Shares[std::move(key)];
  if (!share) {
    share = std::make_unique<SimShare>();
    share->Path = SimTrimBackslashes(path);
  }
  return share.get();
}

bool SimNetState::ServerKnown(const std::string& server) const {
  const std::string prefix = LowerAscii("\\\\" + server + "\\");
  return std::any_of(Shares.begin(), Shares.end(), [&](const auto& share) { return share.first.starts_with(prefix); });
}

bool SimNetState::ServerReachable(const std::string& server) const {
  if (Unreachable.empty()) return true;
  auto it = Unreachable.find(LowerAscii(server));
  return it == Unreachable.end() || !it->second;
}

const SimShare* SimNetState::AnsweringShare(int index) {
  const SimLetter& letter = Letters[index];
  if (!letter.Mapped) return nullptr;
  const SimShare* answering = ShareOf(letter.Remote);
  if (answering == nullptr || !answering->Online) return nullptr;
  // Asked for every drive of every run: the server's name is taken apart only when a
  // server is off the network.
  if (Unreachable.empty()) return answering;
  std::string server, share;
  return SimSplitUnc(letter.Remote, server, share) && ServerReachable(server) ? answering : nullptr;
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

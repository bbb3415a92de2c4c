#include "platform/sim/SimulatedNetwork.h"

#include <algorithm>

#include "base/AsciiText.h"
#include "platform/WinTypes.h"

SimulatedNetwork::SimulatedNetwork(Clock& clock, std::string loggedOnUser)
    : files_(replaceCount_),
      network_(state_, faults_, clock, NetCalls, kJournalLimit),
      drives_(state_, faults_, files_) {
  state_.LoggedOnUser = std::move(loggedOnUser);
  state_.UnknownShareCode = win::ERROR_NO_NET_OR_BAD_PATH;
}

void SimulatedNetwork::Build(const SimNetworkFile& file) {
  std::lock_guard<std::mutex> lock(state_.Guard);
  for (const auto& letter : file.Letters) {
    SimLetter& entry = state_.Letters[letter.Drive - 'A'];
    if (entry.Taken()) continue;
    entry.LocalType = letter.DriveType;
    // A device of unknown type still takes its letter.
    if (entry.LocalType == win::DRIVE_NO_ROOT_DIR) entry.LocalType = win::DRIVE_UNKNOWN;
    entry.LocalFree = 10ull << 30;
    entry.LocalTotal = 100ull << 30;
  }
  for (const auto& mapping : file.Mappings) {
    SimLetter& entry = state_.Letters[mapping.Drive - 'A'];
    if (entry.Taken()) continue;
    entry.Mapped = true;
    entry.Remote = mapping.Remote;
    entry.User = state_.LoggedOnUser;
  }
  SetShares(file);
  vanish_ = file.Vanish;
  networkChange_ = file.NetworkChange;
  resume_ = file.Resume;
}

void SimulatedNetwork::Apply(const SimNetworkFile& file) {
  bool shareReturned;
  {
    std::lock_guard<std::mutex> lock(state_.Guard);
    shareReturned = SetShares(file);
  }
  if (file.Vanish != vanish_) {
    vanish_ = file.Vanish;
    Vanish(file.Vanish);
  }
  // Windows tells of a network that returns, not of one that goes.
  if (shareReturned || file.NetworkChange != networkChange_) Fire(NetworkEventKind::NetworkChanged);
  networkChange_ = file.NetworkChange;
  if (file.Resume != resume_) Fire(NetworkEventKind::Resumed);
  resume_ = file.Resume;
}

void SimulatedNetwork::Fire(NetworkEventKind kind) {
  if (!networkEvent_) return;
  auto handler = networkEvent_;  // a copy: the handler may replace itself
  handler(kind);
}

bool SimulatedNetwork::SetShares(const SimNetworkFile& file) {
  bool returned = false;
  std::erase_if(state_.Shares, [&](const auto& known) {
    return std::none_of(file.Shares.begin(), file.Shares.end(), [&](const SimNetworkFileShare& listed) {
      return SimNetState::ShareKey(listed.Path) == known.first;
    });
  });
  for (const auto& listed : file.Shares) {
    SimShare* share = state_.AddShare(listed.Path);
    if (share == nullptr) continue;  // the file's reader takes only shares
    returned = returned || (listed.Online && !share->Online);
    share->Online = listed.Online;
    share->RequiredUser = listed.User;
    share->RequiredPassword = listed.Password;
    share->TotalBytes = listed.TotalMB << 20;
    share->FreeBytes = listed.FreeMB << 20;
    share->OpenFiles = listed.OpenFiles;
    share->DelayMs = listed.DelayMs;
  }
  return returned;
}

void SimulatedNetwork::Vanish(const std::string& letters) {
  for (char drive : letters) {
    int index = drive - 'A';
    DeviceChange change;
    {
      std::lock_guard<std::mutex> lock(state_.Guard);
      if (!state_.Letters[index].Mapped) continue;
      change = state_.VanishMapping(index);
    }
    if (deviceChange_) {
      auto handler = deviceChange_;  // a copy: the handler may replace itself
      handler(change);
    }
  }
}

std::string SimulatedNetwork::MappingOf(char letter) const {
  int index = (letter | 0x20) - 'a';
  if (index < 0 || index >= 26) return "";
  std::lock_guard<std::mutex> lock(state_.Guard);
  const SimLetter& entry = state_.Letters[index];
  return entry.Mapped ? entry.Remote : "";
}

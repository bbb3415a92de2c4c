#include "platform/sim/SimMachine.h"

#include <algorithm>
#include <stdexcept>

#include "platform/ServedCalls.h"
#include "platform/WinTypes.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimDataProtection.h"
#include "platform/sim/SimDrives.h"
#include "platform/sim/SimEnvironment.h"
#include "platform/sim/SimFaults.h"
#include "platform/sim/SimFiles.h"
#include "platform/sim/SimNetState.h"
#include "platform/sim/SimNetwork.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimShell.h"
#include "base/AsciiText.h"
#include "platform/sim/SimText.h"
#include "platform/sim/SimUserInterface.h"

class SimMachine::Impl {
 public:
  explicit Impl(SimMachine& machine)
      : files(machine.ReplaceCount),
        network(net, faults, clock, machine.NetCalls),
        drives(net, faults, files),
        shell(faults, clock, machine.Starts),
        ui(machine, clock, calls),
        servedNetwork(network, ui),
        servedDrives(drives, ui),
        platform{servedNetwork, servedDrives, files, registry, shell, environment, clock, ui, protection} {
    network.SetDelayWait([this](uint32_t milliseconds) { ui.WaitServingMessages(milliseconds); });
    calls.SetWakeHook([this] { clock.Poke(); });
  }

  MainThreadCalls calls;  // made on the thread that creates the machine: the main thread
  SimClock clock;
  SimNetState net;
  SimFaults faults;
  SimFiles files;
  SimNetwork network;
  SimDrives drives;
  SimRegistry registry;
  SimShell shell;
  SimEnvironment environment;
  SimUserInterface ui;
  SimDataProtection protection;
  ServedNetwork servedNetwork;
  ServedDrives servedDrives;
  Platform platform;
  std::function<void(const DeviceChange&)> deviceChange;
  std::function<void(NetworkEventKind)> networkEvent;
};

namespace {
int LetterIndex(char letter) {
  if (letter >= 'a' && letter <= 'z') return letter - 'a';
  if (letter >= 'A' && letter <= 'Z') return letter - 'A';
  throw std::invalid_argument(std::string("SimMachine: no drive letter '") + letter + "'");
}
}  // namespace

SimMachine::SimMachine() : impl_(std::make_unique<Impl>(*this)) {
  SetLocalDrive('C', win::DRIVE_FIXED, 60ull << 30, 250ull << 30);
}

SimMachine::~SimMachine() = default;

Platform& SimMachine::platform() { return impl_->platform; }

// --- Logon ---

void SimMachine::SetAccount(const std::string& account) { impl_->protection.SetAccount(account); }
void SimMachine::FailDataProtection(bool fail) { impl_->protection.FailProtect(fail); }

// --- Drive letters ---

void SimMachine::SetLocalDrive(char letter, uint32_t driveType, uint64_t freeBytes, uint64_t totalBytes) {
  SimLetter& entry = impl_->net.Letters[LetterIndex(letter)];
  entry = SimLetter{};  // a device replaces whatever had the letter
  entry.LocalType = driveType;
  if (driveType != win::DRIVE_NO_ROOT_DIR) {
    entry.LocalFree = freeBytes;
    entry.LocalTotal = totalBytes;
  }
}

void SimMachine::SetStaleRemoteDrive(char letter) {
  SimLetter& entry = impl_->net.Letters[LetterIndex(letter)];
  entry = SimLetter{};
  entry.StaleRemote = true;
}

// --- Network ---

SimShare& SimMachine::AddShare(const std::string& path) {
  std::string server, share;
  if (!SimSplitUnc(path, server, share) || share.empty())
    throw std::invalid_argument("SimMachine: a share is \\\\server\\share, not " + path);
  return *impl_->net.AddShare(path);
}

SimShare* SimMachine::FindShare(const std::string& path) { return impl_->net.ShareOf(path); }

void SimMachine::SetServerReachable(const std::string& server, bool reachable) {
  const bool returns = reachable && !impl_->net.ServerReachable(server);
  impl_->net.Unreachable[LowerAscii(server)] = !reachable;
  if (returns) FireNetworkChange();
}

void SimMachine::SetShareOnline(const std::string& path, bool online) {
  SimShare* share = impl_->net.ShareOf(path);
  if (share == nullptr) throw std::invalid_argument("SimMachine: no share " + path);
  const bool returns = online && !share->Online;
  share->Online = online;
  if (returns) FireNetworkChange();
}

void SimMachine::MapFromOutside(char letter, const std::string& remote) {
  SimLetter& entry = impl_->net.Letters[LetterIndex(letter)];
  if (entry.LocalDevice()) throw std::logic_error("SimMachine: a local device has the letter");
  entry.StaleRemote = false;
  entry.Mapped = true;
  entry.Remote = remote;
  entry.User = impl_->net.LoggedOnUser;
}

std::string SimMachine::MappingOf(char letter) const {
  const SimLetter& entry = impl_->net.Letters[LetterIndex(letter)];
  return entry.Mapped ? entry.Remote : "";
}

std::string SimMachine::MappingUserOf(char letter) const {
  const SimLetter& entry = impl_->net.Letters[LetterIndex(letter)];
  return entry.Mapped ? entry.User : "";
}

void SimMachine::SetOpenFiles(char letter, bool open) { impl_->net.Letters[LetterIndex(letter)].OpenFiles = open; }

void SimMachine::SetDeviceInUse(char letter, bool inUse) {
  impl_->net.Letters[LetterIndex(letter)].DeviceInUse = inUse;
}

void SimMachine::InjectError(const std::string& call, uint32_t code, char letter, int times) {
  impl_->faults.Add(call, code, letter == 0 ? -1 : LetterIndex(letter), times);
}

void SimMachine::SetNetworkDelay(uint32_t milliseconds) { impl_->net.DelayMs = milliseconds; }

void SimMachine::VanishVolume(char letter) {
  int index = LetterIndex(letter);
  const DeviceChange change = impl_->net.VanishMapping(index);
  if (impl_->deviceChange) {
    auto handler = impl_->deviceChange;  // a copy: the handler may replace itself
    handler(change);
  }
}

void SimMachine::SetDeviceChangeHandler(std::function<void(const DeviceChange&)> handler) {
  impl_->deviceChange = std::move(handler);
}

namespace {
void Fire(SimMachine& machine, const std::function<void(NetworkEventKind)>& handler, NetworkEventKind kind) {
  if (!handler) return;
  auto copy = handler;  // the handler may replace itself
  copy(kind);
  machine.Settle();
}
}  // namespace

void SimMachine::FireNetworkChange() { Fire(*this, impl_->networkEvent, NetworkEventKind::NetworkChanged); }
void SimMachine::FireResume() { Fire(*this, impl_->networkEvent, NetworkEventKind::Resumed); }
void SimMachine::FireSessionReturn() { Fire(*this, impl_->networkEvent, NetworkEventKind::SessionReturned); }

void SimMachine::SetNetworkEventHandler(std::function<void(NetworkEventKind)> handler) {
  impl_->networkEvent = std::move(handler);
}

// --- Processes ---

void SimMachine::RefuseStart(const std::string& file, intptr_t result) { impl_->shell.Refuse(file, result); }

// --- Files ---

void SimMachine::WriteFile(const std::string& path, const std::string& bytes) { impl_->files.Write(path, bytes); }

bool SimMachine::HasFile(const std::string& path) const { return impl_->files.Find(path) != nullptr; }

std::string SimMachine::FileBytes(const std::string& path) const {
  const std::string* bytes = impl_->files.Find(path);
  return bytes == nullptr ? std::string() : *bytes;
}

void SimMachine::RemoveFile(const std::string& path) { impl_->files.Remove(path); }

void SimMachine::FailWrites(bool fail) { impl_->files.FailWrites(fail); }

void SimMachine::FailReads(const std::string& path, bool fail) { impl_->files.FailReads(path, fail); }
void SimMachine::ExhaustMemoryReading(const std::string& path, bool exhaust) {
  impl_->files.ExhaustMemoryReading(path, exhaust);
}

// --- Registry ---

bool SimMachine::RegistryValue(RegistryRoot root, const std::string& key, const std::string& name,
                               std::string& value) const {
  SimRegistry::Values* values = impl_->registry.FindKey(root, key);
  if (values == nullptr) return false;
  auto it = values->find(LowerAscii(name));
  if (it == values->end()) return false;
  value = it->second.Data;
  return true;
}

void SimMachine::SetRegistryValue(RegistryRoot root, const std::string& key, const std::string& name,
                                  const std::string& value) {
  impl_->registry.MakeKey(root, key)[LowerAscii(name)] = {name, value};
}

void SimMachine::FailRegistry(bool fail) { impl_->registry.FailCreate(fail); }

// --- Environment ---

void SimMachine::SetVariable(const std::string& name, const std::string& value) {
  impl_->environment.SetVariable(name, value);
}

void SimMachine::UnsetVariable(const std::string& name) { impl_->environment.UnsetVariable(name); }

void SimMachine::SetExecutablePath(const std::string& path) { impl_->environment.SetExecutablePath(path); }
void SimMachine::SetCurrentDirectory(const std::string& path) { impl_->environment.SetCurrentDirectory(path); }

void SimMachine::SetWindowsVersion(uint32_t major, uint32_t minor) { impl_->environment.SetVersion(major, minor); }

// --- User interface ---

void SimMachine::AnswerNext(int answer) { impl_->ui.AnswerNext(answer); }

void SimMachine::WhileAsking(std::function<void()> user) { impl_->ui.WhileAsking(std::move(user)); }

bool SimMachine::BusyCursor() const { return impl_->ui.Busy(); }

bool SimMachine::HandCursor() const { return impl_->ui.Hand(); }

void SimMachine::WhenModal(std::function<void()> user) { impl_->ui.WhenModal(std::move(user)); }

void SimMachine::ChooseFile(const std::string& fileName) { impl_->ui.ChooseFile(fileName); }

// --- Time ---

int64_t SimMachine::NowMs() const { return impl_->clock.NowMs(); }

int SimMachine::AttachedThreads() const { return impl_->clock.AttachedThreads(); }

int64_t SimMachine::BackgroundWakeUps() const { return impl_->clock.WakeUps(); }

int SimMachine::MainThreadTimers() const { return impl_->ui.TimerCount(); }

void SimMachine::Settle() {
  impl_->clock.WakeAll();
  impl_->clock.Settle(impl_->calls);
}

void SimMachine::Advance(int64_t milliseconds) {
  SimClock& clock = impl_->clock;
  SimUserInterface& ui = impl_->ui;
  const int64_t target = clock.NowMs() + std::max<int64_t>(milliseconds, 0);
  // Threads first take in whatever the main thread changed (it woke them through the
  // clock), so that their deadlines are the ones the steps below go by.
  clock.Settle(impl_->calls);
  for (;;) {
    int64_t now = clock.NowMs();
    int64_t next = clock.NextDeadline(std::max(target, now));
    if (std::optional<int64_t> due = ui.NextTimerDue(); due && *due < next) next = std::max(*due, now);
    clock.MoveTo(next);
    ui.FireDueTimers();
    clock.Settle(impl_->calls);
    std::optional<int64_t> due = ui.NextTimerDue();
    if (clock.NowMs() >= target && !(due && *due <= clock.NowMs())) break;
  }
}

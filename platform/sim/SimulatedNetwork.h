#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/DeviceChange.h"
#include "platform/Drives.h"
#include "platform/Network.h"
#include "platform/NetworkEvents.h"
#include "platform/sim/SimDrives.h"
#include "platform/sim/SimFaults.h"
#include "platform/sim/SimFiles.h"
#include "platform/sim/SimNetState.h"
#include "platform/sim/SimNetwork.h"
#include "platform/sim/SimNetworkFile.h"

// The network, the drive letters and the removal notifications of the simulated-network
// build: the simulated machine's network on a clock of the caller's choice, shaped by
// SimulatedNetwork.ini. A share not listed answers 1203.
class SimulatedNetwork {
 public:
  SimulatedNetwork(Clock& clock, std::string loggedOnUser);
  SimulatedNetwork(const SimulatedNetwork&) = delete;
  SimulatedNetwork& operator=(const SimulatedNetwork&) = delete;

  Network& network() { return network_; }
  Drives& drives() { return drives_; }

  // The network at start: local devices and others' mappings on the letters still free,
  // and the shares. The Vanish value present now drops nothing.
  void Build(const SimNetworkFile& file);
  // An edit while running: the shares' values, new shares, shares no longer listed gone;
  // when Vanish changed, its letters' mappings are dropped and each is announced; a share
  // back online, or a changed NetworkChange or Resume, tells the program.
  void Apply(const SimNetworkFile& file);
  // Receives the removal notification of a network volume, as the main window does.
  void SetDeviceChangeHandler(std::function<void(const DeviceChange&)> handler) { deviceChange_ = std::move(handler); }
  // Receives the network events, as the main window does.
  void SetNetworkEventHandler(std::function<void(NetworkEventKind)> handler) { networkEvent_ = std::move(handler); }

  // What the letters and shares look like now ("" when the letter is not mapped).
  std::string MappingOf(char letter) const;
  // The newest calls, at most kJournalLimit of them.
  static constexpr size_t kJournalLimit = 4096;
  std::vector<SimNetCall> NetCalls;

 private:
  // True when a share came back online.
  bool SetShares(const SimNetworkFile& file);
  void Fire(NetworkEventKind kind);
  void Vanish(const std::string& letters);

  int replaceCount_ = 0;
  SimNetState state_;
  SimFaults faults_;
  SimFiles files_;  // none: below a mapped root there is nothing to find
  SimNetwork network_;
  SimDrives drives_;
  std::string vanish_, networkChange_, resume_;
  std::function<void(NetworkEventKind)> networkEvent_;
  std::function<void(const DeviceChange&)> deviceChange_;
};

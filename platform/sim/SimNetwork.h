#pragma once
#include <functional>
#include <vector>

#include "platform/Network.h"
#include "platform/Clock.h"
#include "platform/sim/SimFaults.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/SimNetState.h"

// The four WNet calls on the simulated network. Every call is recorded with its result
// and takes the network delay in simulated time. Credentials:
// - a null or empty user name means the logged-on user, or the user of this machine's
//   existing connection to the server (Windows reuses that session);
// - an explicit user name other than the user of an existing connection to the same
//   server (by name, as written) gives 1219;
// - a share with RequiredUser accepts only that user, with RequiredPassword, or with a
//   null password when that user is the logged-on one; everything else gives 1326
//   (also the logged-on user on a share that requires someone else).
// A share that is offline answers connects with 1231. The clock is the simulated one in
// tests and the real one in the simulated-network build.
class SimNetwork : public Network {
 public:
  // calls is the journal of every call; with a limit, only the newest calls are kept
  // (a program that runs for weeks would otherwise keep them all).
  SimNetwork(SimNetState& state, SimFaults& faults, Clock& clock, std::vector<SimNetCall>& calls,
             size_t journalLimit = 0)
      : state_(state), faults_(faults), clock_(clock), calls_(calls), journalLimit_(journalLimit) {}

  uint32_t AddConnection2(const NetResource& resource, const char* password, const char* userName,
                          uint32_t flags) override;
  uint32_t AddConnection(const char* remoteName, const char* password, const char* localName) override;
  uint32_t CancelConnection2(const char* name, uint32_t flags, bool force) override;
  uint32_t GetUniversalName(const char* localPath, std::string& universalName) override;
  // How a call waits out its delay; by default the clock's Sleep.
  void SetDelayWait(std::function<void(uint32_t)> wait) { delayWait_ = std::move(wait); }

 private:
  uint32_t Connect(const SimNetCall& call);
  uint32_t CheckCredentials(const SimShare& share, const SimNetCall& call, const std::string& user) const;
  // Records the call, holds the caller for the delay, then gives an injected error or
  // does the work.
  template <class Work>
  uint32_t Finish(SimNetCall&& call, int letterIndex, const Work& work);
  uint32_t Cancel(const SimNetCall& call);
  // The share a call is about: the remote name asked for, else the letter's mapping.
  const SimShare* ShareOfCall(const SimNetCall& call, int letterIndex);

  SimNetState& state_;
  SimFaults& faults_;
  Clock& clock_;
  std::vector<SimNetCall>& calls_;
  size_t journalLimit_;
  std::function<void(uint32_t)> delayWait_;
};

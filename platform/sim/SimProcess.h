#pragma once
#include <set>
#include <string>

#include "platform/Process.h"

// Named mutexes shared by every simulated process of one machine, so that a second
// program started on it finds the first one's mutex.
struct SimNamedMutexes {
  std::set<std::string> Held;  // names are case-sensitive, as Windows compares them
};

// One simulated process: its mutex and whether COM was initialised on its main thread.
class SimProcess : public Process {
 public:
  explicit SimProcess(SimNamedMutexes& mutexes) : mutexes_(mutexes) {}
  ~SimProcess() override { ReleaseNamedMutex(); }

  bool CreateNamedMutex(const std::string& name, bool& alreadyExists) override;
  void ReleaseNamedMutex() override;
  void InitializeCom() override { ++ComInitialized; }
  void UninitializeCom() override { --ComInitialized; }

  int ComInitialized = 0;     // balance of the initialise and uninitialise calls
  std::string MutexName;      // as last asked for
  bool OwnsMutex = false;

 private:
  SimNamedMutexes& mutexes_;
};

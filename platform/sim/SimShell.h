#pragma once
#include <map>
#include <string>
#include <vector>

#include "platform/Shell.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimFaults.h"
#include "platform/sim/SimMachine.h"

// The process launcher: records every start and refuses the files a test names.
class SimShell : public Shell {
 public:
  static constexpr intptr_t Started = 42;

  SimShell(SimFaults& faults, SimClock& clock, std::vector<SimProcessStart>& starts)
      : faults_(faults), clock_(clock), starts_(starts) {}

  intptr_t ShellExecute(const char* verb, const char* file, const char* parameters, int showCommand) override;
  void Refuse(const std::string& file, intptr_t result);

 private:
  SimFaults& faults_;
  SimClock& clock_;
  std::vector<SimProcessStart>& starts_;
  std::map<std::string, intptr_t> refused_;  // lower-case file -> result
};

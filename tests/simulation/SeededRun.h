#pragma once
// The whole program on the simulated machine, run for a simulated duration under the
// events a seed draws, with the invariants checked after every step.
#include <cstdint>
#include <string>

#include "simulation/Schedule.h"

struct TSeededRunOptions {
  uint64_t Seed = 1;
  double Days = 7;
  TScheduleRates Rates;
};

struct TSeededRunResult {
  bool Clean = true;
  // The seed, the step, the invariant that broke, what was wrong, and the last events.
  std::string Report;
  int64_t Steps = 0;
  int ProgramStarts = 0;
  double SimulatedDays = 0;
};

TSeededRunResult RunSeed(const TSeededRunOptions& options);

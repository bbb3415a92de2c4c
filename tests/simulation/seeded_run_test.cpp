// The whole program for simulated weeks under seeded faults and user actions, with what a
// user relies on checked after every step. Each seed that once broke an invariant stays
// here as a short run of its own.
#include <gtest/gtest.h>

#include "simulation/SeededRun.h"

namespace {

// Sanitizers slow the program down tenfold; they get fewer simulated days.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr double kScale = 0.1;
#else
constexpr double kScale = 1;
#endif

void ExpectClean(uint64_t seed, double days) {
  TSeededRunOptions options;
  options.Seed = seed;
  options.Days = days * kScale;
  const TSeededRunResult result = RunSeed(options);
  EXPECT_TRUE(result.Clean) << result.Report;
  EXPECT_GT(result.Steps, 0);
}

}  // namespace

TEST(SeededRun, FourSeedsOfAWeekEachRunClean) {
  for (uint64_t seed : {1, 2, 3, 4}) ExpectClean(seed, 7.5);
}

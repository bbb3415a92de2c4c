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

void ExpectClean(uint64_t seed, double days, double intensity = 1) {
  TSeededRunOptions options;
  options.Seed = seed;
  options.Days = days * kScale;
  options.Rates.Intensity = intensity;
  const TSeededRunResult result = RunSeed(options);
  EXPECT_TRUE(result.Clean) << result.Report;
  EXPECT_GT(result.Steps, 0);
}

}  // namespace

TEST(SeededRun, FourSeedsOfSixDaysEachRunClean) {
  for (uint64_t seed : {1, 2, 3, 4}) ExpectClean(seed, 6);
}

// Five times the usual rate of events: a USB stick on a configured letter while the
// program starts and saves (the drive's section stays and comes back), a dialog closed
// with OK without a change while the drives were disconnected from the tray menu.
TEST(SeededRun, BusySeedsThatOnceBrokeTheRunnerStayClean) {
  for (uint64_t seed : {5014, 5017, 5021}) ExpectClean(seed, 3, 5);
}

// A drive's volume vanished and could not come back while its TrueCrypt volume waited
// the mount delay; the mount used to start all the same, on a letter no longer there.
TEST(SeededRun, AVolumeIsNotMountedFromADriveThatWentDuringTheMountDelay) { ExpectClean(9044, 1, 15); }

// A letter a device held while the program was off, freed as it started: the drive the
// user had left disconnected was read after all and rightly stayed disconnected, which
// the runner once took for a missed reconnect.
TEST(SeededRun, ADriveLeftDisconnectedStaysSoWhenItsLetterIsFreedDuringStartUp) {
  for (uint64_t seed : {1035, 1140, 1142}) ExpectClean(seed, 7);
}

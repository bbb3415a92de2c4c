// Runs the whole program on the simulated machine for any seed and duration:
//   quillbay-seeded-run [--seed N] [--days D] [--seeds K] [--intensity X]
// K seeds from N on; prints each broken invariant with its seed, and the simulated days
// per second of wall time. Exit status 1 when an invariant broke.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "simulation/SeededRun.h"

int main(int argc, char** argv) {
  uint64_t seed = 1;
  uint64_t seeds = 1;
  TSeededRunOptions options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const char* value = argv[i + 1];
    if (name == "--seed") seed = std::strtoull(value, nullptr, 10);
    else if (name == "--seeds") seeds = std::strtoull(value, nullptr, 10);
    else if (name == "--days") options.Days = std::strtod(value, nullptr);
    else if (name == "--intensity") options.Rates.Intensity = std::strtod(value, nullptr);
    else {
      std::fprintf(stderr, "usage: %s [--seed N] [--days D] [--seeds K] [--intensity X]\n", argv[0]);
      return 2;
    }
  }
  if (argc % 2 == 0) {
    std::fprintf(stderr, "usage: %s [--seed N] [--days D] [--seeds K] [--intensity X]\n", argv[0]);
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  double days = 0;
  int64_t steps = 0;
  uint64_t broken = 0;
  for (uint64_t s = seed; s < seed + seeds; ++s) {
    options.Seed = s;
    const TSeededRunResult result = RunSeed(options);
    days += result.SimulatedDays;
    steps += result.Steps;
    if (!result.Clean) {
      ++broken;
      std::printf("%s\n", result.Report.c_str());
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%llu seeds, %llu broken; %.1f simulated days, %lld steps in %.1f s: %.1f simulated days per second\n",
              static_cast<unsigned long long>(seeds), static_cast<unsigned long long>(broken), days,
              static_cast<long long>(steps), seconds, days / seconds);
  return broken == 0 ? 0 : 1;
}

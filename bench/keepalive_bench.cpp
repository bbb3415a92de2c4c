// One scheduled keep-alive run over drives that are all connected already: the work the
// program does every minute for as long as it runs.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "support/TestApp.h"

namespace {

void BM_KeepAliveRun(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  SimMachine pc;
  TestApp app(pc);
  std::vector<TestDrive> drives;
  for (char letter = 'A'; letter <= 'Z' && static_cast<int>(drives.size()) < count; ++letter) {
    if (letter == 'C') continue;
    const std::string share = std::string(R"(\\nas\share)") + letter;
    pc.AddShare(share);
    drives.push_back({std::string(1, letter) + ":", share});
  }
  app.StartWith(drives);
  app.engine.ConnectDrives(false, "");
  if (app.engine.NrOfDrivesConnected != count) {
    state.SkipWithError("the drives did not connect");
    return;
  }

  for (auto _ : state) {
    app.engine.ConnectDrives(false, "");
    // The simulated machine keeps a journal of every call; keep it from growing without end.
    if (pc.NetCalls.size() > 100000) pc.NetCalls.clear();
    if (app.surfaces.Messages.size() > 1000) app.surfaces.Messages.clear();
  }
  if (app.engine.CurrentConnectionError) state.SkipWithError("a run failed");
  state.counters["drives"] = count;
}

}  // namespace

BENCHMARK(BM_KeepAliveRun)->Arg(24)->Unit(benchmark::kMicrosecond);

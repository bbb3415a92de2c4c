// Every message line looks up its texts; one lookup near the end of the English section.
#include <benchmark/benchmark.h>

#include <string>

#include "support/TestApp.h"

namespace {

void BM_Translate(benchmark::State& state) {
  SimMachine pc;
  TestApp app(pc);
  app.Start();
  if (app.language.Translate(10812).rfind("<Translation error", 0) == 0) {
    state.SkipWithError("the English section did not load");
    return;
  }
  for (auto _ : state) {
    std::string text = app.language.Translate(10812);
    benchmark::DoNotOptimize(text);
  }
}

}  // namespace

BENCHMARK(BM_Translate)->Unit(benchmark::kNanosecond);

// Damaged, hand-edited or oversized files: start-up reads them and every save rewrites
// them on the main thread, so their cost must grow with the file, not faster.
// Each run is one load or one save; "peak_MB" is the most memory held at once during it.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "data/Configuration.h"
#include "data/Languages.h"
#include "platform/sim/SimMachine.h"

// Counts the bytes the program holds, to report the peak of one run.
namespace {
std::atomic<size_t> heldBytes{0};
std::atomic<size_t> peakBytes{0};

void* CountedAllocation(size_t size) {
  void* memory = std::malloc(size == 0 ? 1 : size);
  if (memory == nullptr) throw std::bad_alloc();
  const size_t held = heldBytes += malloc_usable_size(memory);
  size_t peak = peakBytes.load();
  while (held > peak && !peakBytes.compare_exchange_weak(peak, held)) {
  }
  return memory;
}

void CountedRelease(void* memory) {
  if (memory == nullptr) return;
  heldBytes -= malloc_usable_size(memory);
  std::free(memory);
}
}  // namespace

void* operator new(size_t size) { return CountedAllocation(size); }
void* operator new[](size_t size) { return CountedAllocation(size); }
void operator delete(void* memory) noexcept { CountedRelease(memory); }
void operator delete[](void* memory) noexcept { CountedRelease(memory); }
void operator delete(void* memory, size_t) noexcept { CountedRelease(memory); }
void operator delete[](void* memory, size_t) noexcept { CountedRelease(memory); }

namespace {

const std::string kIniPath = R"(C:\Users\alice\AppData\Roaming\Quillbay.ini)";
const std::string kLanguagesPath = R"(C:\Program Files\Quillbay\Languages.ini)";
constexpr int kCount = 100000;
constexpr size_t kTenMegabytes = 10u << 20;

void ReportPeak(benchmark::State& state, size_t before) {
  state.counters["peak_MB"] = static_cast<double>(peakBytes.load() - before) / (1 << 20);
}

size_t StartCounting() {
  peakBytes = heldBytes.load();
  return heldBytes.load();
}

// A configuration on the simulated machine, read as start-up reads it.
struct Run {
  explicit Run(SimMachine& pc) : configuration(pc.platform(), language) {
    configuration.Open();
    configuration.ReadPreferences();
    configuration.ReadNetworkDrives();
    configuration.ReadDeploymentDrives();
  }
  TLanguage language;
  TQbyConfiguration configuration;
};

void BM_LoadLanguageOf100000Keys(benchmark::State& state) {
  SimMachine pc;
  std::string file = "[English]\r\n";
  for (int i = 0; i < kCount; ++i) file += std::to_string(10000 + i) + "=Text number " + std::to_string(i) + "\r\n";
  pc.WriteFile(kLanguagesPath, file);
  for (auto _ : state) {
    const size_t before = StartCounting();
    TLanguage language;
    language.Open(pc.platform(), "English");
    benchmark::DoNotOptimize(language.ResourceList.data());
    ReportPeak(state, before);
    state.counters["lines"] = static_cast<double>(language.ResourceList.size());
  }
}

void SaveLoop(benchmark::State& state, SimMachine& pc) {
  Run run(pc);
  for (auto _ : state) {
    const size_t before = StartCounting();
    run.configuration.SaveConfiguration();
    ReportPeak(state, before);
  }
  state.counters["file_MB"] = static_cast<double>(pc.FileBytes(kIniPath).size()) / (1 << 20);
}

void BM_SaveWith100000InterleavedDuplicateDriveSections(benchmark::State& state) {
  SimMachine pc;
  std::string file;
  for (int i = 0; i < kCount; ++i) {
    const char letter = static_cast<char>('E' + i % 20);
    file += std::string("[NetworkDrive_") + letter + ":]\r\nNetworkLocation=\\\\nas\\share" + std::to_string(i) +
            "\r\nDriveState=1\r\n";
  }
  pc.WriteFile(kIniPath, file);
  SaveLoop(state, pc);
}

void BM_SaveDriveSectionWith100000HandAddedKeys(benchmark::State& state) {
  SimMachine pc;
  std::string file = "[NetworkDrive_H:]\r\nNetworkLocation=\\\\nas\\home\r\n";
  for (int i = 0; i < kCount; ++i) file += "Added" + std::to_string(i) + "=value " + std::to_string(i) + "\r\n";
  pc.WriteFile(kIniPath, file);
  SaveLoop(state, pc);
}

// Files of 10 MB in the shapes that cost most per byte.
std::string TenMegabytesOf(int shape) {
  std::string file;
  file.reserve(kTenMegabytes + 64);
  int i = 0;
  while (file.size() < kTenMegabytes) {
    switch (shape) {
      case 0: file += '\n'; break;                                  // line breaks only
      case 1: file += "a\n"; break;                                 // one-letter keys
      case 2: file += "[a]\n"; break;                               // empty sections
      case 3: file += std::to_string(i++) + "\n"; break;            // distinct keys
      case 4: file += "[NetworkDrive_H:]\nNetworkLocation=\\\\nas\\h\n"; break;  // duplicate drive sections
      case 5: file += "k" + std::to_string(i++) + "=" + std::string(60, 'v') + "\r\n"; break;  // long lines
      default: file += "=\n"; break;                                // nameless keys
    }
  }
  return file;
}

void BM_Load10MegabyteFile(benchmark::State& state) {
  SimMachine pc;
  pc.WriteFile(kIniPath, TenMegabytesOf(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    const size_t before = StartCounting();
    Run run(pc);
    benchmark::DoNotOptimize(run.configuration.Prefs.Language.data());
    ReportPeak(state, before);
  }
}

void BM_Save10MegabyteFile(benchmark::State& state) {
  SimMachine pc;
  pc.WriteFile(kIniPath, TenMegabytesOf(static_cast<int>(state.range(0))));
  SaveLoop(state, pc);
}

}  // namespace

BENCHMARK(BM_LoadLanguageOf100000Keys)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SaveWith100000InterleavedDuplicateDriveSections)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SaveDriveSectionWith100000HandAddedKeys)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Load10MegabyteFile)->DenseRange(0, 6)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Save10MegabyteFile)->DenseRange(0, 6)->Unit(benchmark::kMillisecond)->Iterations(1);

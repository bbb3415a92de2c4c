// A save of a full configuration to a real file: what every confirmed dialog costs.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>

#include "data/Configuration.h"
#include "data/Languages.h"
#include "platform/Files.h"
#include "platform/sim/SimMachine.h"

namespace {

namespace fs = std::filesystem;

// The program's files on the real disk, in one temporary folder: every Windows path is
// flattened to one file name there. Replacing writes a temporary file beside the target,
// flushes it and renames it over the target, as the real platform does.
class FolderFiles : public Files {
 public:
  explicit FolderFiles(fs::path folder) : folder_(std::move(folder)) {}

  bool FileExists(const std::string& path) override { return fs::exists(Place(path)); }

  ReadFileResult ReadFile(const std::string& path, std::string& bytes) override {
    const fs::path place = Place(path);
    if (!fs::exists(place)) return ReadFileResult::NotFound;
    if (fs::file_size(place) > MaxFileSize) return ReadFileResult::TooLarge;
    std::ifstream in(place, std::ios::binary);
    if (!in) return ReadFileResult::Unreadable;
    std::ostringstream content;
    content << in.rdbuf();
    bytes = content.str();
    return ReadFileResult::Ok;
  }

  bool ReplaceFile(const std::string& path, const std::string& bytes) override {
    const fs::path place = Place(path);
    fs::path temporary = place;
    temporary += ".tmp";
    FILE* out = std::fopen(temporary.c_str(), "wb");
    if (out == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size() &&
                         std::fflush(out) == 0;
    if (std::fclose(out) != 0 || !written) {
      fs::remove(temporary);
      return false;
    }
    std::error_code error;
    fs::rename(temporary, place, error);
    return !error;
  }

  bool DeleteFile(const std::string& path) override {
    std::error_code error;
    fs::remove(Place(path), error);
    return !error;
  }

 private:
  fs::path Place(const std::string& path) const {
    std::string name = path;
    for (char& c : name)
      if (c == '\\' || c == '/' || c == ':') c = '_';
    return folder_ / name;
  }
  fs::path folder_;
};

fs::path MakeTemporaryFolder() {
  std::string pattern = (fs::temp_directory_path() / "quillbay-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

void BM_SaveConfiguration(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const fs::path folder = MakeTemporaryFolder();
  if (folder.empty()) {
    state.SkipWithError("no temporary folder");
    return;
  }
  {
    SimMachine pc;
    FolderFiles files(folder);
    Platform& sim = pc.platform();
    Platform platform{sim.network, sim.drives, files, sim.registry, sim.shell, sim.environment, sim.clock, sim.ui, sim.protection};
    TLanguage language;
    TQbyConfiguration configuration(platform, language);
    configuration.Open();
    configuration.ReadPreferences();
    configuration.ReadNetworkDrives();

    int configured = 0;
    for (const auto& record : configuration.NetworkDrives) {
      if (configured == count) break;
      TNetworkDriveItem& drive = *record;
      drive.QbyControl = true;
      drive.NetworkLocation = R"(\\fileserver\department\)" + drive.Drive.substr(0, 1) + "share";
      drive.NetworkName = "Department share " + drive.Drive;
      drive.Username = R"(CORP\alice)";
      drive.Password = "correct horse battery staple";
      drive.State = dsConnected;
      for (int n = 0; n < 5; ++n) {
        auto program = std::make_unique<TRunProgramItem>();
        program->Program = R"(C:\Program Files\Tools\tool)" + std::to_string(n) + ".exe";
        program->Parameters = "/open " + drive.Drive + R"(\work)";
        drive.RunProgramsList.push_back(std::move(program));
        auto volume = std::make_unique<TTrueCryptVolumeItem>();
        volume->Drive = std::string(1, static_cast<char>('P' + n)) + ":";
        volume->Volume = drive.NetworkLocation + R"(\vault)" + std::to_string(n) + ".tc";
        volume->Password = "volume password " + std::to_string(n);
        volume->Options = "/cache n";
        drive.TrueCryptVolumesList.push_back(std::move(volume));
      }
      ++configured;
    }
    if (configured != count) {
      state.SkipWithError("not enough drive letters");
    } else {
      for (auto _ : state) configuration.SaveConfiguration();
      std::string bytes;
      files.ReadFile(ConfigurationFileName(platform), bytes);
      state.counters["file_bytes"] = static_cast<double>(bytes.size());
    }
  }
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

}  // namespace

BENCHMARK(BM_SaveConfiguration)->Arg(24)->Unit(benchmark::kMicrosecond);

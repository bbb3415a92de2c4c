// What really reaches programs and TrueCrypt when the engine starts them through the shell:
// the recording program stands in for both and writes down the arguments it received.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "data/Configuration.h"
#include "data/Languages.h"
#include "engine/Engine.h"
#include "engine/Surfaces.h"
#include "platform/win32/Win32Platform.h"
#include "tests/win/RecordedStart.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// The real shell, with a fresh record file named for every start, so that each of several
// starts in one engine call can be read back on its own.
class RecordingShell : public Shell {
 public:
  explicit RecordingShell(Shell& real) : real_(real) {}
  ~RecordingShell() override {
    while (!recorders_.empty()) recorders_.pop_back();  // restores the environment in order
  }
  intptr_t ShellExecute(const char* verb, const char* file, const char* parameters, int showCommand) override {
    recorders_.push_back(std::make_unique<CommandLineRecorder>());
    results_.push_back(real_.ShellExecute(verb, file, parameters, showCommand));
    return results_.back();
  }
  size_t Count() const { return recorders_.size(); }
  intptr_t Result(size_t i) const { return results_.at(i); }
  // The arguments after the program that start i received.
  std::vector<std::string> Arguments(size_t i) {
    RecordedCommandLine record;
    if (!recorders_.at(i)->Wait(record)) return {"<no record>"};
    return record.Parameters();
  }

 private:
  Shell& real_;
  std::vector<std::unique_ptr<CommandLineRecorder>> recorders_;
  std::vector<intptr_t> results_;
};

struct RealMachine {
  Win32Platform win;
  RecordingShell shell{win.platform().shell};
  Platform platform{win.platform().network, win.platform().drives, win.platform().files,
                    win.platform().registry, shell, win.platform().environment,
                    win.platform().clock, win.platform().ui, win.platform().protection};
  TLanguage language;
  TQbyConfiguration configuration{platform, language};
  TSurfaces surfaces{platform};
  TEngine engine{platform, configuration, language, surfaces};
  TNetworkDriveItem* drive = nullptr;

  RealMachine() {
    drive = configuration.NetworkDrives.Add();
    drive->Drive = "H:";
    drive->DriveNumber = 8;
    drive->QbyControl = true;
    drive->State = dsConnected;  // no network needed: the starts are what is tested
    configuration.Prefs.TrueCryptProgramLocation = RecordCommandLineProgram();
    configuration.Prefs.DelayVolumeMount = 0;
  }
  void AddVolume(const std::string& letter, const std::string& volume, const std::string& password,
                 const std::string& options) {
    auto item = std::make_unique<TTrueCryptVolumeItem>();
    item->Drive = letter;
    item->Volume = volume;
    item->Password = password;
    item->Options = options;
    drive->TrueCryptVolumesList.push_back(std::move(item));
  }
  std::string T(int id) const { return language.Translate(id); }
};

}  // namespace

TEST(TrueCryptShellWin, ProgramsReceiveTheirParametersAndRefusalsAreReported) {
  RealMachine m;
  auto program = std::make_unique<TRunProgramItem>();
  program->Program = RecordCommandLineProgram();
  program->Parameters = R"(one "two words" C:\dir\)";
  m.drive->RunProgramsList.push_back(std::move(program));
  auto missing = std::make_unique<TRunProgramItem>();
  missing->Program = RecordCommandLineProgram() + ".missing.exe";
  m.drive->RunProgramsList.push_back(std::move(missing));

  m.engine.RunPrograms(*m.drive, true);

  ASSERT_EQ(m.shell.Count(), 2u);
  EXPECT_GT(m.shell.Result(0), 32);
  EXPECT_THAT(m.shell.Arguments(0), ElementsAre("one", "two words", R"(C:\dir\)"));
  EXPECT_LE(m.shell.Result(1), 32);
  ASSERT_EQ(m.surfaces.Messages.size(), 2u);
  EXPECT_EQ(m.surfaces.Messages[0].Text, m.T(10317) + RecordCommandLineProgram() + ".missing.exe'.");
  EXPECT_EQ(m.surfaces.Messages[0].ImageIndex, mkWarning);
  EXPECT_EQ(m.surfaces.Messages[1].Text, m.T(10315) + RecordCommandLineProgram() + "' ...");
  EXPECT_EQ(m.surfaces.Messages[1].ImageIndex, mkProgram);
}

TEST(TrueCryptShellWin, EveryTrueCryptCommandArrivesAsMeant) {
  RealMachine m;
  const std::string hostile = R"(pa"ss /d /q "word\)";  // would inject options if quoted naively
  m.AddVolume("T:", R"(C:\My Safes\secret.tc)", hostile, "");
  m.AddVolume("U:", R"(C:\vault\)", "", "/m ro");
  m.AddVolume("V:", R"(C:\plain.tc)", "simple", "/b");

  m.engine.MountVolumes(*m.drive, true);

  ASSERT_EQ(m.shell.Count(), 6u);
  for (size_t i = 0; i < 6; ++i) EXPECT_GT(m.shell.Result(i), 32) << i;
  EXPECT_THAT(m.shell.Arguments(0), ElementsAre("/d", "T:", "/q", "/f", "/s"));
  EXPECT_THAT(m.shell.Arguments(1), ElementsAre("/v", R"(C:\My Safes\secret.tc)", "/l", "T:", "/p", hostile, "/q",
                                                "background", "/f", "/s"));
  EXPECT_THAT(m.shell.Arguments(2), ElementsAre("/d", "U:", "/q", "/f", "/s"));
  EXPECT_THAT(m.shell.Arguments(3), ElementsAre("/v", R"(C:\vault\)", "/l", "U:", "/q", "background", "/m", "ro"));
  EXPECT_THAT(m.shell.Arguments(5),
              ElementsAre("/v", R"(C:\plain.tc)", "/l", "V:", "/p", "simple", "/q", "background", "/f", "/s", "/b"));
  EXPECT_EQ(m.surfaces.Messages[0].Text, m.T(10323) + R"(C:\plain.tc)" + m.T(10324) + "V:' ...");

  m.engine.DismountAllVolumes();
  ASSERT_EQ(m.shell.Count(), 7u);
  EXPECT_THAT(m.shell.Arguments(6), ElementsAre("/d", "/q", "/f", "/s"));

  m.engine.StartTrueCrypt();
  ASSERT_EQ(m.shell.Count(), 8u);
  EXPECT_THAT(m.shell.Arguments(7), IsEmpty());
  EXPECT_EQ(m.surfaces.Messages[0].Text, m.T(10315) + RecordCommandLineProgram() + "' ...");
}

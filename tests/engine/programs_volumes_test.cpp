// Programs and TrueCrypt volumes started after a drive connects, with their command lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "engine/ProgramsAndVolumes.h"
#include "support/TestApp.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const std::string kTrueCrypt = R"(C:\Program Files\TrueCrypt\TrueCrypt.exe)";

void AddProgram(TNetworkDriveItem& drive, const std::string& program, const std::string& parameters) {
  auto item = std::make_unique<TRunProgramItem>();
  item->Program = program;
  item->Parameters = parameters;
  drive.RunProgramsList.push_back(std::move(item));
}

TTrueCryptVolumeItem Volume(const std::string& letter, const std::string& volume, const std::string& password = "",
                            const std::string& options = "") {
  TTrueCryptVolumeItem item;
  item.Drive = letter;
  item.Volume = volume;
  item.Password = password;
  item.Options = options;
  return item;
}

void AddVolume(TNetworkDriveItem& drive, const std::string& letter, const std::string& volume,
               const std::string& password = "", const std::string& options = "") {
  drive.TrueCryptVolumesList.push_back(
      std::make_unique<TTrueCryptVolumeItem>(Volume(letter, volume, password, options)));
}

// The arguments a Windows program's C runtime makes of a command line (documented rules).
std::vector<std::string> ParseCommandLine(const std::string& line) {
  std::vector<std::string> args;
  std::string current;
  bool inArgument = false, quoted = false;
  for (size_t i = 0; i < line.size();) {
    const char c = line[i];
    if (c == '\\') {
      size_t n = 0;
      while (i < line.size() && line[i] == '\\') ++n, ++i;
      if (i < line.size() && line[i] == '"') {
        current.append(n / 2, '\\');
        if (n % 2 == 1) {
          current += '"';
          ++i;
        }
      } else {
        current.append(n, '\\');
      }
      inArgument = true;
    } else if (c == '"') {
      quoted = !quoted;
      inArgument = true;
      ++i;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inArgument) args.push_back(current);
      current.clear();
      inArgument = false;
      ++i;
    } else {
      current += c;
      inArgument = true;
      ++i;
    }
  }
  if (inArgument) args.push_back(current);
  return args;
}

// H: under control on a machine with TrueCrypt installed.
struct ProgramsAndVolumesScenario : ::testing::Test, TestMachine {
  ProgramsAndVolumesScenario() {
    pc.WriteFile(kTrueCrypt, "");
    app.StartWithShares({{"H:", kMedia}});
    app.configuration.Prefs.TrueCryptProgramLocation = kTrueCrypt;
  }
  TNetworkDriveItem& H() { return app.Drive("H:"); }
};
using TrueCryptToolsScenario = ProgramsAndVolumesScenario;

}  // namespace

TEST(TrueCryptCommandLine, PlainTextsGiveTheDocumentedCommand) {
  EXPECT_EQ(TrueCryptMountParameters(Volume("T:", R"(H:\safe.tc)", "pw", "")),
            R"(/v "H:\safe.tc" /l T: /p "pw" /q background /f /s)");
  EXPECT_EQ(TrueCryptMountParameters(Volume("T:", R"(H:\safe.tc)", "", "")), R"(/v "H:\safe.tc" /l T: /q background)");
  EXPECT_EQ(TrueCryptMountParameters(Volume("T:", R"(H:\my safe.tc)", "a b", "/m ro /b")),
            R"(/v "H:\my safe.tc" /l T: /p "a b" /q background /f /s /m ro /b)");
  EXPECT_EQ(TrueCryptMountParameters(Volume("T:", R"(\Device\Harddisk1\Partition2)", "", "/m rm")),
            R"(/v "\Device\Harddisk1\Partition2" /l T: /q background /m rm)");
}

TEST(TrueCryptCommandLine, QuotesAndTrailingBackslashesCannotBreakOut) {
  EXPECT_EQ(QuoteCommandLineArgument(""), R"("")");
  EXPECT_EQ(QuoteCommandLineArgument(R"(a\b\\c)"), R"("a\b\\c")");
  EXPECT_EQ(QuoteCommandLineArgument(R"(say "hi")"), R"("say \"hi\"")");
  EXPECT_EQ(QuoteCommandLineArgument(R"(end\)"), R"("end\\")");
  EXPECT_EQ(QuoteCommandLineArgument(R"(a\"b)"), R"("a\\\"b")");
  // A password crafted to inject options stays a password.
  EXPECT_EQ(TrueCryptMountParameters(Volume("T:", R"(H:\vol\)", R"(x" /d /q ")", "")),
            R"(/v "H:\vol\\" /l T: /p "x\" /d /q \"" /q background /f /s)");

  for (const std::string& text : {std::string(R"(x" /d /q ")"), std::string(R"(C:\dir\)"), std::string(R"(\\\"\)"),
                                 std::string("\"\""), std::string(R"(a\\b" c\)"), std::string(" lead and trail "),
                                 std::string("tab\there"), std::string("\\")}) {
    SCOPED_TRACE(text);
    const auto args = ParseCommandLine(TrueCryptMountParameters(Volume("T:", text, text, "")));
    ASSERT_EQ(args.size(), 10u);
    EXPECT_EQ(args[1], text);  // the volume
    EXPECT_EQ(args[5], text);  // the password
    EXPECT_EQ(args[6], "/q");
  }
}

TEST_F(ProgramsAndVolumesScenario, StartedOnceOnTheFirstConnectWithDelays) {
  AddProgram(H(), R"(H:\tools\sync.exe)", "/quiet");
  AddProgram(H(), "", "ignored");
  AddProgram(H(), R"(H:\notes.txt)", "");
  AddVolume(H(), "T:", R"(H:\safe.tc)", "pw");
  AddVolume(H(), "U:", R"(H:\archive.tc)", "", "/m ro");
  app.NewMessages();
  const int64_t start = pc.NowMs();

  app.engine.ConnectDrives(false, "");

  const auto& s = pc.Starts;
  ASSERT_EQ(s.size(), 6u);
  EXPECT_EQ(s[0].Parameters, "/d T: /q /f /s");
  EXPECT_EQ(s[0].ShowCommand, win::SW_SHOWNORMAL);
  EXPECT_EQ(s[0].AtMs, start);
  EXPECT_EQ(s[1].Parameters, R"(/v "H:\safe.tc" /l T: /p "pw" /q background /f /s)");
  EXPECT_EQ(s[1].ShowCommand, win::SW_SHOWDEFAULT);
  EXPECT_EQ(s[1].AtMs, start + 5000);
  EXPECT_EQ(s[2].Parameters, "/d U: /q /f /s");
  EXPECT_EQ(s[3].Parameters, R"(/v "H:\archive.tc" /l U: /q background /m ro)");
  EXPECT_EQ(s[3].AtMs, start + 10000);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(s[i].File, kTrueCrypt);
    EXPECT_EQ(s[i].Verb, "open");
  }
  EXPECT_EQ(s[4].File, R"(H:\tools\sync.exe)");
  EXPECT_EQ(s[4].Parameters, "/quiet");
  EXPECT_EQ(s[4].ShowCommand, win::SW_SHOWNORMAL);
  EXPECT_EQ(s[5].File, R"(H:\notes.txt)");
  EXPECT_TRUE(s[5].ParametersGiven);
  EXPECT_EQ(s[5].Parameters, "");
  EXPECT_EQ(s[5].AtMs, start + 10000);

  const std::string wait = app.T(10321) + "5" + app.T(10322);
  EXPECT_THAT(app.NewMessages(),
              ElementsAre(app.T(10300) + "H:'.", wait, app.T(10323) + R"(H:\safe.tc)" + app.T(10324) + "T:' ...",
                          wait, app.T(10323) + R"(H:\archive.tc)" + app.T(10324) + "U:' ...",
                          app.T(10315) + R"(H:\tools\sync.exe' ...)", app.T(10315) + R"(H:\notes.txt' ...)"));
  EXPECT_EQ(app.surfaces.Messages[0].ImageIndex, mkProgram);
  EXPECT_EQ(app.surfaces.Messages[2].ImageIndex, mkVolume);
  EXPECT_EQ(app.surfaces.Messages[3].ImageIndex, mkVolume);
  EXPECT_FALSE(pc.BusyCursor());

  // Reconnecting, by the timer or by the user, starts nothing again.
  app.engine.ConnectDrives(false, "");
  H().State = dsDisconnected;
  pc.MapFromOutside('H', "");
  app.engine.ActionDrivesConnectDrivesExecute();
  EXPECT_EQ(pc.Starts.size(), 6u);
}

TEST_F(ProgramsAndVolumesScenario, RefusedStartsAndAMissingTrueCryptAreReported) {
  pc.RemoveFile(kTrueCrypt);
  pc.RefuseStart(R"(H:\gone.exe)");
  AddProgram(H(), R"(H:\gone.exe)", "");
  AddVolume(H(), "T:", R"(H:\safe.tc)");
  AddVolume(H(), "", "");  // incomplete, yet the missing program is reported for it too
  app.engine.ConnectDrives(false, "");
  app.NewMessages();
  EXPECT_THAT(app.MessageTexts(), ElementsAre(app.T(10317) + R"(H:\gone.exe'.)", app.T(10320),
                                                app.T(10320), app.T(10300) + "H:'."));
  EXPECT_EQ(app.surfaces.Messages[0].ImageIndex, mkWarning);
  EXPECT_EQ(app.surfaces.Messages[1].ImageIndex, mkError);
  EXPECT_EQ(pc.Starts.size(), 1u);

  // With TrueCrypt present: an incomplete entry is skipped silently, a refused mount warns.
  pc.WriteFile(kTrueCrypt, "");
  pc.RefuseStart(kTrueCrypt);
  app.configuration.Prefs.DelayVolumeMount = 0;
  pc.Starts.clear();
  app.engine.MountVolumes(H(), true);
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10325) + R"(H:\safe.tc'.)"));
  EXPECT_EQ(app.surfaces.Messages[0].ImageIndex, mkWarning);
  ASSERT_EQ(pc.Starts.size(), 2u);  // dismount and mount, no delay
  EXPECT_EQ(pc.Starts[1].AtMs, pc.Starts[0].AtMs);
}

TEST_F(ProgramsAndVolumesScenario, RequestsNowFromThePropertiesDialog) {
  AddProgram(H(), R"(C:\tools\app.exe)", "-x");
  AddVolume(H(), "T:", R"(H:\safe.tc)");
  H().State = dsDisconnected;

  // Automatic requests do nothing for a drive that is not connected.
  app.engine.RunPrograms(H(), false);
  app.engine.MountVolumes(H(), false);
  EXPECT_THAT(pc.Starts, IsEmpty());
  EXPECT_FALSE(H().ProgramsHaveBeenRunned);
  // "Run these programs now" runs them anyway; "Mount these volumes now" needs the drive.
  app.engine.RunPrograms(H(), true);
  app.engine.MountVolumes(H(), true);
  ASSERT_EQ(pc.Starts.size(), 1u);
  EXPECT_EQ(pc.Starts[0].File, R"(C:\tools\app.exe)");
  EXPECT_TRUE(H().ProgramsHaveBeenRunned);
  EXPECT_FALSE(H().VolumesHaveBeenMounted);

  app.engine.ConnectDrives(true, "");
  EXPECT_EQ(pc.Starts.size(), 3u);  // the volume, the programs already ran
  app.engine.RunPrograms(H(), true);
  app.engine.MountVolumes(H(), true);
  EXPECT_EQ(pc.Starts.size(), 6u);
}

TEST_F(ProgramsAndVolumesScenario, AListReplacedWhileProgramsStartIsFollowedSafely) {
  for (const char* p : {R"(H:\a.exe)", R"(H:\b.exe)", R"(H:\c.exe)"}) AddProgram(H(), p, "");
  H().State = dsConnected;
  int calls = 0;
  pc.OnProcessMessages = [&] {
    if (calls++ != 0) return;
    // A properties-dialog save assigns a shorter list into the record.
    TNetworkDriveItems scratch;
    TNetworkDriveItem& edited = *scratch.Add();
    edited.Assign(&H());
    edited.RunProgramsList.resize(1);
    edited.RunProgramsList[0]->Program = R"(H:\z.exe)";
    H().Assign(&edited);
  };
  app.engine.RunPrograms(H(), false);
  pc.OnProcessMessages = nullptr;
  ASSERT_EQ(pc.Starts.size(), 1u);
  EXPECT_EQ(pc.Starts[0].File, R"(H:\a.exe)");
}

TEST_F(TrueCryptToolsScenario, StartAndDismountAll) {
  app.NewMessages();
  app.engine.StartTrueCrypt();
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10315) + kTrueCrypt + "' ..."));
  EXPECT_EQ(app.surfaces.Messages[0].ImageIndex, mkProgram);
  app.engine.DismountAllVolumes();
  ASSERT_EQ(pc.Starts.size(), 2u);
  EXPECT_FALSE(pc.Starts[0].ParametersGiven);
  EXPECT_EQ(pc.Starts[0].ShowCommand, win::SW_SHOWNORMAL);
  EXPECT_EQ(pc.Starts[1].Parameters, "/d /q /f /s");
  EXPECT_EQ(pc.Starts[1].ShowCommand, win::SW_SHOWNORMAL);
  EXPECT_THAT(app.NewMessages(), IsEmpty());

  pc.RemoveFile(kTrueCrypt);
  app.engine.DismountAllVolumes();
  app.engine.StartTrueCrypt();
  EXPECT_EQ(pc.Starts.size(), 2u);
  EXPECT_THAT(app.NewMessages(), IsEmpty());
  ASSERT_EQ(pc.MessageBoxes.size(), 1u);
  EXPECT_EQ(pc.MessageBoxes[0].Text, app.T(10320));
  EXPECT_EQ(pc.MessageBoxes[0].Caption, "Quillbay");
  EXPECT_EQ(pc.MessageBoxes[0].Kind, MessageBoxKind::Information);
}

TEST_F(ProgramsAndVolumesScenario, TheShellsLastErrorCodeIsNotTakenForAStart) {
  pc.RefuseStart(R"(H:\needs-a-dll.exe)", 32);  // SE_ERR_DLLNOTFOUND
  AddProgram(H(), R"(H:\needs-a-dll.exe)", "");
  app.engine.ConnectDrives(false, "");
  ASSERT_FALSE(app.surfaces.Messages.empty());
  EXPECT_EQ(app.MessageTexts()[0], app.T(10317) + R"(H:\needs-a-dll.exe'.)");
  EXPECT_EQ(app.surfaces.Messages[0].ImageIndex, mkWarning);
}

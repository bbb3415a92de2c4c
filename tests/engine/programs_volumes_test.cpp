// Programs and TrueCrypt volumes started after a drive connects, with their command lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "engine/ProgramsAndVolumes.h"
#include "support/TestApp.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const std::string kMedia = R"(\\nas\media)";
const std::string kTrueCrypt = R"(C:\Program Files\TrueCrypt\TrueCrypt.exe)";

void AddProgram(TNetworkDriveItem& drive, const std::string& program, const std::string& parameters) {
  auto item = std::make_unique<TRunProgramItem>();
  item->Program = program;
  item->Parameters = parameters;
  drive.RunProgramsList.push_back(std::move(item));
}

void AddVolume(TNetworkDriveItem& drive, const std::string& letter, const std::string& volume,
               const std::string& password = "", const std::string& options = "") {
  auto item = std::make_unique<TTrueCryptVolumeItem>();
  item->Drive = letter;
  item->Volume = volume;
  item->Password = password;
  item->Options = options;
  drive.TrueCryptVolumesList.push_back(std::move(item));
}

TTrueCryptVolumeItem Volume(const std::string& letter, const std::string& volume, const std::string& password,
                            const std::string& options) {
  TTrueCryptVolumeItem item;
  item.Drive = letter;
  item.Volume = volume;
  item.Password = password;
  item.Options = options;
  return item;
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

struct ConnectedDrive {
  SimMachine pc;
  TestApp app{pc};
  ConnectedDrive() {
    pc.AddShare(kMedia);
    pc.WriteFile(kTrueCrypt, "");
    app.StartWith({{"H:", kMedia}});
    app.configuration.Prefs.TrueCryptProgramLocation = kTrueCrypt;
  }
  TNetworkDriveItem& H() { return app.Drive("H:"); }
};

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

TEST(ProgramsAndVolumesScenario, StartedOnceOnTheFirstConnectWithDelays) {
  ConnectedDrive d;
  AddProgram(d.H(), R"(H:\tools\sync.exe)", "/quiet");
  AddProgram(d.H(), "", "ignored");
  AddProgram(d.H(), R"(H:\notes.txt)", "");
  AddVolume(d.H(), "T:", R"(H:\safe.tc)", "pw");
  AddVolume(d.H(), "U:", R"(H:\archive.tc)", "", "/m ro");
  d.app.NewMessages();
  const int64_t start = d.pc.NowMs();

  d.app.engine.ConnectDrives(false, "");

  const auto& s = d.pc.Starts;
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

  const std::string wait = d.app.T(10321) + "5" + d.app.T(10322);
  EXPECT_THAT(d.app.NewMessages(),
              ElementsAre(d.app.T(10300) + "H:'.", wait, d.app.T(10323) + R"(H:\safe.tc)" + d.app.T(10324) + "T:' ...",
                          wait, d.app.T(10323) + R"(H:\archive.tc)" + d.app.T(10324) + "U:' ...",
                          d.app.T(10315) + R"(H:\tools\sync.exe' ...)", d.app.T(10315) + R"(H:\notes.txt' ...)"));
  EXPECT_EQ(d.app.surfaces.Messages[0].ImageIndex, mkProgram);
  EXPECT_EQ(d.app.surfaces.Messages[2].ImageIndex, mkVolume);
  EXPECT_EQ(d.app.surfaces.Messages[3].ImageIndex, mkVolume);
  EXPECT_FALSE(d.pc.BusyCursor());

  // Reconnecting, by the timer or by the user, starts nothing again.
  d.app.engine.ConnectDrives(false, "");
  d.H().State = dsDisconnected;
  d.pc.MapFromOutside('H', "");
  d.app.engine.ActionDrivesConnectDrivesExecute();
  EXPECT_EQ(d.pc.Starts.size(), 6u);
}

TEST(ProgramsAndVolumesScenario, RefusedStartsAndAMissingTrueCryptAreReported) {
  ConnectedDrive d;
  d.pc.RemoveFile(kTrueCrypt);
  d.pc.RefuseStart(R"(H:\gone.exe)");
  AddProgram(d.H(), R"(H:\gone.exe)", "");
  AddVolume(d.H(), "T:", R"(H:\safe.tc)");
  AddVolume(d.H(), "", "");  // incomplete, yet the missing program is reported for it too
  d.app.engine.ConnectDrives(false, "");
  d.app.NewMessages();
  EXPECT_THAT(d.app.MessageTexts(), ElementsAre(d.app.T(10317) + R"(H:\gone.exe'.)", d.app.T(10320),
                                                d.app.T(10320), d.app.T(10300) + "H:'."));
  EXPECT_EQ(d.app.surfaces.Messages[0].ImageIndex, mkWarning);
  EXPECT_EQ(d.app.surfaces.Messages[1].ImageIndex, mkError);
  EXPECT_EQ(d.pc.Starts.size(), 1u);

  // With TrueCrypt present: an incomplete entry is skipped silently, a refused mount warns.
  d.pc.WriteFile(kTrueCrypt, "");
  d.pc.RefuseStart(kTrueCrypt);
  d.app.configuration.Prefs.DelayVolumeMount = 0;
  d.pc.Starts.clear();
  d.app.engine.MountVolumes(d.H(), true);
  EXPECT_THAT(d.app.NewMessages(), ElementsAre(d.app.T(10325) + R"(H:\safe.tc'.)"));
  EXPECT_EQ(d.app.surfaces.Messages[0].ImageIndex, mkWarning);
  ASSERT_EQ(d.pc.Starts.size(), 2u);  // dismount and mount, no delay
  EXPECT_EQ(d.pc.Starts[1].AtMs, d.pc.Starts[0].AtMs);
}

TEST(ProgramsAndVolumesScenario, RequestsNowFromThePropertiesDialog) {
  ConnectedDrive d;
  AddProgram(d.H(), R"(C:\tools\app.exe)", "-x");
  AddVolume(d.H(), "T:", R"(H:\safe.tc)");
  d.H().State = dsDisconnected;

  // Automatic requests do nothing for a drive that is not connected.
  d.app.engine.RunPrograms(d.H(), false);
  d.app.engine.MountVolumes(d.H(), false);
  EXPECT_THAT(d.pc.Starts, IsEmpty());
  EXPECT_FALSE(d.H().ProgramsHaveBeenRunned);
  // "Run these programs now" runs them anyway; "Mount these volumes now" needs the drive.
  d.app.engine.RunPrograms(d.H(), true);
  d.app.engine.MountVolumes(d.H(), true);
  ASSERT_EQ(d.pc.Starts.size(), 1u);
  EXPECT_EQ(d.pc.Starts[0].File, R"(C:\tools\app.exe)");
  EXPECT_TRUE(d.H().ProgramsHaveBeenRunned);
  EXPECT_FALSE(d.H().VolumesHaveBeenMounted);

  d.app.engine.ConnectDrives(true, "");
  EXPECT_EQ(d.pc.Starts.size(), 3u);  // the volume, the programs already ran
  d.app.engine.RunPrograms(d.H(), true);
  d.app.engine.MountVolumes(d.H(), true);
  EXPECT_EQ(d.pc.Starts.size(), 6u);
}

TEST(ProgramsAndVolumesScenario, AListReplacedWhileProgramsStartIsFollowedSafely) {
  ConnectedDrive d;
  for (const char* p : {R"(H:\a.exe)", R"(H:\b.exe)", R"(H:\c.exe)"}) AddProgram(d.H(), p, "");
  d.H().State = dsConnected;
  int calls = 0;
  d.pc.OnProcessMessages = [&] {
    if (calls++ != 0) return;
    // A properties-dialog save assigns a shorter list into the record.
    TNetworkDriveItems scratch;
    TNetworkDriveItem& edited = *scratch.Add();
    edited.Assign(&d.H());
    edited.RunProgramsList.resize(1);
    edited.RunProgramsList[0]->Program = R"(H:\z.exe)";
    d.H().Assign(&edited);
  };
  d.app.engine.RunPrograms(d.H(), false);
  d.pc.OnProcessMessages = nullptr;
  ASSERT_EQ(d.pc.Starts.size(), 1u);
  EXPECT_EQ(d.pc.Starts[0].File, R"(H:\a.exe)");
}

TEST(TrueCryptToolsScenario, StartAndDismountAll) {
  ConnectedDrive d;
  d.app.NewMessages();
  d.app.engine.StartTrueCrypt();
  EXPECT_THAT(d.app.NewMessages(), ElementsAre(d.app.T(10315) + kTrueCrypt + "' ..."));
  EXPECT_EQ(d.app.surfaces.Messages[0].ImageIndex, mkProgram);
  d.app.engine.DismountAllVolumes();
  ASSERT_EQ(d.pc.Starts.size(), 2u);
  EXPECT_FALSE(d.pc.Starts[0].ParametersGiven);
  EXPECT_EQ(d.pc.Starts[0].ShowCommand, win::SW_SHOWNORMAL);
  EXPECT_EQ(d.pc.Starts[1].Parameters, "/d /q /f /s");
  EXPECT_EQ(d.pc.Starts[1].ShowCommand, win::SW_SHOWNORMAL);
  EXPECT_THAT(d.app.NewMessages(), IsEmpty());

  d.pc.RemoveFile(kTrueCrypt);
  d.app.engine.DismountAllVolumes();
  d.app.engine.StartTrueCrypt();
  EXPECT_EQ(d.pc.Starts.size(), 2u);
  EXPECT_THAT(d.app.NewMessages(), IsEmpty());
  ASSERT_EQ(d.pc.MessageBoxes.size(), 1u);
  EXPECT_EQ(d.pc.MessageBoxes[0].Text, d.app.T(10320));
  EXPECT_EQ(d.pc.MessageBoxes[0].Caption, "Quillbay");
  EXPECT_EQ(d.pc.MessageBoxes[0].Kind, MessageBoxKind::Information);
}

TEST(ProgramsAndVolumesScenario, TheShellsLastErrorCodeIsNotTakenForAStart) {
  ConnectedDrive d;
  d.pc.RefuseStart(R"(H:\needs-a-dll.exe)", 32);  // SE_ERR_DLLNOTFOUND
  AddProgram(d.H(), R"(H:\needs-a-dll.exe)", "");
  d.app.engine.ConnectDrives(false, "");
  ASSERT_FALSE(d.app.surfaces.Messages.empty());
  EXPECT_EQ(d.app.MessageTexts()[0], d.app.T(10317) + R"(H:\needs-a-dll.exe'.)");
  EXPECT_EQ(d.app.surfaces.Messages[0].ImageIndex, mkWarning);
}

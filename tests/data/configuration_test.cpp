// The configuration as users meet it across runs of the program: what comes back after a
// restart, what a save keeps and replaces, and what survives damaged or hand-edited files.
#include <gtest/gtest.h>

#include <initializer_list>
#include <fstream>
#include <random>

#include "data/Configuration.h"
#include "data/Languages.h"
#include "data/PasswordScrambler.h"
#include "data/StoredLimits.h"
#include "data/StoredPasswords.h"
#include "platform/WinTypes.h"
#include "platform/sim/SimMachine.h"
#include "support/TestApp.h"

namespace {

const std::string kIniPath = R"(C:\Users\alice\AppData\Roaming\Quillbay.ini)";
const std::string kDeploymentPath = R"(C:\Program Files\Quillbay\Deployment.ini)";
const std::string kExePath = R"(C:\Program Files\Quillbay\Quillbay.exe)";

std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// One run of the program, from its start-up reading to whatever the test does next.
struct ProgramRun {
  explicit ProgramRun(SimMachine& machine) : pc(machine), configuration(machine.platform(), language) {
    pc.WriteFile(ExecutableFolder(pc.platform()) + "Languages.ini", ReadSourceFile("resources/Languages.ini"));
    ReadConfigurationAndTexts(configuration, language);
  }
  TNetworkDriveItem& Drive(const std::string& drive) {
    TNetworkDriveItem* item = configuration.NetworkDrives.FindDrive(drive);
    if (item == nullptr) throw std::runtime_error("no record for " + drive);
    return *item;
  }
  int DrivesUnderControl() const {
    int count = 0;
    for (const auto& drive : configuration.NetworkDrives) count += drive->QbyControl ? 1 : 0;
    return count;
  }
  std::string Letters() const {
    std::string letters;
    for (const auto& drive : configuration.NetworkDrives) letters += drive->Drive.substr(0, 1);
    return letters;
  }

  SimMachine& pc;
  TLanguage language;
  TQbyConfiguration configuration;
};

void ExpectDefaults(const TQbyPrefs& p) {
  const TQbyPrefs d;
  EXPECT_EQ(p.FirstTimeUsage, d.FirstTimeUsage);
  EXPECT_EQ(p.MinimizeOnStartup, d.MinimizeOnStartup);
  EXPECT_EQ(p.ConnectNetworkDrivesOnStartup, d.ConnectNetworkDrivesOnStartup);
  EXPECT_EQ(p.StartAutomaticallyByWindows, d.StartAutomaticallyByWindows);
  EXPECT_EQ(p.DisableBalloonMessages, d.DisableBalloonMessages);
  EXPECT_EQ(p.DoubleClickIsExploreNetworkDrive, d.DoubleClickIsExploreNetworkDrive);
  EXPECT_EQ(p.Language, "English");
  EXPECT_EQ(p.TrueCryptProgramLocation, "");
  EXPECT_EQ(p.DismountVolumesOnExit, d.DismountVolumesOnExit);
  EXPECT_EQ(p.DelayVolumeMount, 5);
  EXPECT_EQ(p.UseAlternativeConnectionMethod, d.UseAlternativeConnectionMethod);
  EXPECT_EQ(p.UseForcedDisconnect, d.UseForcedDisconnect);
  EXPECT_EQ(p.DisconnectForeignNetworkDrivesOnStartup, d.DisconnectForeignNetworkDrivesOnStartup);
  EXPECT_EQ(p.RemoveAllNetworkDrivesOnExit, d.RemoveAllNetworkDrivesOnExit);
  EXPECT_EQ(p.LongReconnectInterval, 1);
  EXPECT_EQ(p.MaxNrOfShortReconnectAttempts, 20);
}

// C: fixed, D: optical, H: mapped by someone else; every other letter free.
void OfficeMachine(SimMachine& pc) {
  pc.SetLocalDrive('D', win::DRIVE_CDROM);
  pc.AddShare(R"(\\old\share)");
  pc.MapFromOutside('H', R"(\\old\share)");
}

const std::string kUsersFile = Lines({
    "; written by Quillbay",
    "[Preferences]",
    "FirstTimeUsage=0",
    "MinimizeOnStartup=0",
    "StartAutomaticallyByWindows=1",
    "Language=Deutsch",
    "TrueCryptProgramLocation=C:\\Program Files\\TrueCrypt\\TrueCrypt.exe",
    "DelayVolumeMount=12",
    "UseForcedDisconnect=1",
    "LongReconnectInterval=0",
    "MaxNrOfShortReconnectAttempts=3",
    "[NetworkDrive_C:]",
    "Drive=C:",
    "NetworkLocation=\\\\nas\\system",
    "[networkdrive_h:]",
    "Drive=H:",
    "NetworkLocation=\\\\nas\\media",
    "DriveState=1",
    "Username=alice",
    "Password=" + ScramblePassword("secret"),
    "NetworkName=Media",
    "TrueCryptVolumeDrive_3=T:",
    "TrueCryptVolumeVolume_3=H:\\vault.tc",
    "TrueCryptVolumePassword_3=" + ScramblePassword("vault pw"),
    "TrueCryptVolumeOptions_3=/q",
    "RunProgramProgram_0=C:\\p0.exe",
    "RunProgramProgram_1=C:\\p1.exe",
    "RunProgramParameters_1=--one",
    "RunProgramProgram_2=C:\\p2.exe",
    "RunProgramProgram_3=C:\\p3.exe",
    "RunProgramProgram_4=C:\\p4.exe",
    "RunProgramProgram_5=C:\\p5.exe",
    "RunProgramProgram_6=C:\\p6.exe",
    "[NetworkDrive_K:]",
    "NetworkLocation=\\\\nas\\%USERNAME%",
    "DriveState=0",
    "[NetworkDrive_L:]",
    "NetworkLocation=\\\\nas\\broken",
    "DriveState=3",
    "[NetworkDrive_D:]",
    "NetworkLocation=\\\\nas\\optical",
    "[NetworkLocationHistoryList]",
    "0=\\\\nas\\media",
    "2=\\\\nas\\backup",
    "11=\\\\nas\\last",
    "12=\\\\nas\\never",
    "[Notes]",
    "Owner=IT department",
});

const std::string kDeploymentFile = Lines({
    "[NetworkDrive_H:]",
    "NetworkLocation=\\\\corp\\h",
    "[NetworkDrive_P:]",
    "NetworkLocation=\\\\corp\\projects",
    "Username=CORP\\alice",
    "Password=" + ScramblePassword("corp pw"),
    "RunProgramProgram_0=C:\\corp.exe",
    "[NetworkDrive_C:]",
    "NetworkLocation=\\\\corp\\c",
});

TEST(ConfigurationAcrossRuns, FirstRunWithoutAnyFile) {
  SimMachine pc;
  OfficeMachine(pc);
  ProgramRun run(pc);

  EXPECT_EQ(run.Letters(), "ABEFGHIJKLMNOPQRSTUVWXYZ");  // no records for C: and D:
  EXPECT_EQ(run.Drive("H:").DriveNumber, 8);
  EXPECT_EQ(run.Drive("Z:").DriveNumber, 26);
  EXPECT_EQ(run.DrivesUnderControl(), 0);
  ExpectDefaults(run.configuration.Prefs);
  EXPECT_TRUE(run.configuration.NetworkLocationHistoryList.empty());
  EXPECT_EQ(run.configuration.DeploymentFile, nullptr);
  EXPECT_EQ(run.configuration.IniFile->FileName(), kIniPath);

  run.configuration.SaveConfiguration();
  ProgramRun second(pc);
  EXPECT_FALSE(second.configuration.Prefs.FirstTimeUsage);
  EXPECT_TRUE(second.configuration.Prefs.MinimizeOnStartup);
  EXPECT_EQ(second.DrivesUnderControl(), 0);
}

TEST(ConfigurationAcrossRuns, DrivesComeBackAfterReadChangeSaveAndReadAgain) {
  SimMachine pc;
  OfficeMachine(pc);
  pc.WriteFile(kIniPath, kUsersFile);
  pc.WriteFile(kDeploymentPath, kDeploymentFile);
  ProgramRun run(pc);
  TQbyConfiguration& config = run.configuration;

  // Preferences as the user left them; keys not in the file keep their defaults.
  EXPECT_FALSE(config.Prefs.FirstTimeUsage);
  EXPECT_FALSE(config.Prefs.MinimizeOnStartup);
  EXPECT_TRUE(config.Prefs.ConnectNetworkDrivesOnStartup);
  EXPECT_EQ(config.Prefs.Language, "Deutsch");
  EXPECT_EQ(config.Prefs.TrueCryptProgramLocation, R"(C:\Program Files\TrueCrypt\TrueCrypt.exe)");
  EXPECT_EQ(config.Prefs.DelayVolumeMount, 12);
  EXPECT_TRUE(config.Prefs.UseForcedDisconnect);
  EXPECT_EQ(config.Prefs.LongReconnectInterval, 0);  // the timer stays stopped
  EXPECT_EQ(config.Prefs.MaxNrOfShortReconnectAttempts, 3);

  // H: is the user's (section names match without regard to case), not the deployment's.
  TNetworkDriveItem& h = run.Drive("H:");
  EXPECT_TRUE(h.QbyControl);
  EXPECT_FALSE(h.DeploymentDrive);
  EXPECT_EQ(h.NetworkLocation, R"(\\nas\media)");
  EXPECT_EQ(h.State, dsDisconnected);
  EXPECT_EQ(h.RealLocation, run.language.Translate(10034));
  EXPECT_EQ(h.Username, "alice");
  EXPECT_EQ(h.Password, "secret");
  EXPECT_EQ(h.NetworkName, "Media");
  ASSERT_EQ(h.TrueCryptVolumesList.size(), 1u);
  EXPECT_EQ(h.TrueCryptVolumesList[0]->Drive, "T:");
  EXPECT_EQ(h.TrueCryptVolumesList[0]->Password, "vault pw");
  EXPECT_EQ(h.TrueCryptVolumesList[0]->Options, "/q");
  ASSERT_EQ(h.RunProgramsList.size(), 6u);  // index 6 is never read
  EXPECT_EQ(h.RunProgramsList[5]->Program, R"(C:\p5.exe)");
  EXPECT_EQ(h.RunProgramsList[1]->Parameters, "--one");

  // Saved as connected or in error: not known yet.
  EXPECT_EQ(run.Drive("K:").State, dsUnknown);
  EXPECT_EQ(run.Drive("K:").RealLocation, run.language.Translate(10035));
  EXPECT_EQ(run.Drive("K:").NetworkLocation, R"(\\nas\%USERNAME%)");
  EXPECT_EQ(run.Drive("L:").State, dsUnknown);

  // P: comes from the deployment file.
  TNetworkDriveItem& p = run.Drive("P:");
  EXPECT_TRUE(p.QbyControl);
  EXPECT_TRUE(p.DeploymentDrive);
  EXPECT_EQ(p.Password, "corp pw");
  EXPECT_EQ(p.RunProgramsList.size(), 1u);
  EXPECT_EQ(run.DrivesUnderControl(), 4);

  EXPECT_EQ(config.NetworkLocationHistoryList,
            (std::vector<std::string>{R"(\\nas\media)", R"(\\nas\backup)", R"(\\nas\last)"}));

  // The user removes K:, adds M: and edits H:.
  run.Drive("K:").Reset();
  TNetworkDriveItem& m = run.Drive("M:");
  m.NetworkLocation = R"(\\nas\music)";
  m.QbyControl = true;
  m.Password = "P\xE4ss \"w=rd\"";
  m.State = dsConnected;
  h.State = dsDisconnected;
  h.RunProgramsList.erase(h.RunProgramsList.begin());
  config.NetworkLocationHistoryList = {R"(\\nas\music)", "", R"(\\nas\media)"};
  config.Prefs.DelayVolumeMount = 30;
  config.SaveConfiguration();

  const std::string saved = pc.FileBytes(kIniPath);
  EXPECT_EQ(saved.find("secret"), std::string::npos);  // passwords are never stored plain
  EXPECT_EQ(saved.find("corp"), std::string::npos);    // deployment drives are not copied
  EXPECT_NE(saved.find("[NetworkDrive_C:]\r\nDrive=C:\r\nNetworkLocation=\\\\nas\\system\r\n"), std::string::npos);
  EXPECT_NE(saved.find("[NetworkDrive_D:]\r\nNetworkLocation=\\\\nas\\optical\r\n"), std::string::npos);
  EXPECT_NE(saved.find("[Notes]\r\nOwner=IT department\r\n"), std::string::npos);
  EXPECT_NE(saved.find("[NetworkDrive_M:]\r\nDrive=M:\r\nNetworkLocation=\\\\nas\\music\r\nDriveState=0\r\n"
                       "Username=\r\nPassword=!protected:"),
            std::string::npos);
  EXPECT_NE(saved.find("TrueCryptVolumeDrive_0=T:\r\nTrueCryptVolumeVolume_0=H:\\vault.tc\r\n"
                       "TrueCryptVolumePassword_0=!protected:"),
            std::string::npos);
  EXPECT_NE(saved.find("\r\nTrueCryptVolumeOptions_0=/q\r\nRunProgramProgram_0=C:\\p1.exe\r\n"
                       "RunProgramParameters_0=--one\r\nRunProgramProgram_1=C:\\p2.exe\r\n"),
            std::string::npos);
  // The old file's scrambled passwords are rewritten protected; no scrambled form is left.
  for (const std::string& password : {std::string("secret"), std::string("vault pw"), m.Password}) {
    EXPECT_EQ(saved.find(ScramblePassword(password)), std::string::npos) << password;
    EXPECT_EQ(saved.find(password), std::string::npos) << password;
  }
  EXPECT_EQ(saved.find("TrueCryptVolumeDrive_3"), std::string::npos);
  EXPECT_EQ(saved.find("p6.exe"), std::string::npos);
  EXPECT_EQ(saved.find("RunProgramProgram_5"), std::string::npos);
  EXPECT_EQ(saved.find("NetworkDrive_K:"), std::string::npos);
  EXPECT_EQ(saved.find("NetworkDrive_P:"), std::string::npos);
  EXPECT_NE(saved.find("[NetworkLocationHistoryList]\r\n0=\\\\nas\\music\r\n2=\\\\nas\\media\r\n"), std::string::npos);
  EXPECT_EQ(saved.find("never"), std::string::npos);

  ProgramRun second(pc);
  EXPECT_EQ(second.configuration.Prefs.DelayVolumeMount, 30);
  EXPECT_EQ(second.configuration.Prefs.Language, "Deutsch");
  EXPECT_EQ(second.Drive("H:").State, dsDisconnected);
  EXPECT_EQ(second.Drive("H:").Password, "secret");
  EXPECT_EQ(second.Drive("H:").TrueCryptVolumesList.size(), 1u);
  EXPECT_EQ(second.Drive("H:").RunProgramsList.size(), 5u);
  EXPECT_EQ(second.Drive("M:").Password, "P\xE4ss \"w=rd\"");
  EXPECT_EQ(second.Drive("M:").State, dsUnknown);
  EXPECT_FALSE(second.Drive("K:").QbyControl);
  EXPECT_TRUE(second.Drive("P:").DeploymentDrive);  // still from the deployment file
  EXPECT_EQ(second.Drive("P:").Password, "corp pw");
  EXPECT_EQ(second.configuration.NetworkLocationHistoryList,
            (std::vector<std::string>{R"(\\nas\music)", R"(\\nas\media)"}));
  EXPECT_EQ(pc.FileBytes(kDeploymentPath), kDeploymentFile);  // never written
}

TEST(ConfigurationAcrossRuns, FullHistoryAndLongPasswordsComeBack) {
  SimMachine pc;
  ProgramRun run(pc);
  std::string longPassword;
  for (int i = 0; i < 1000; ++i) longPassword += static_cast<char>(1 + i % 250);
  run.Drive("H:").NetworkLocation = R"(\\nas\media)";
  run.Drive("H:").QbyControl = true;
  run.Drive("H:").Password = longPassword;
  for (int i = 0; i < kNetworkLocationHistoryMax; ++i)
    run.configuration.NetworkLocationHistoryList.push_back("\\\\nas\\share" + std::to_string(i));
  run.configuration.SaveConfiguration();
  EXPECT_NE(pc.FileBytes(kIniPath).find("0=\\\\nas\\share0\r\n1=\\\\nas\\share1\r\n"), std::string::npos);
  EXPECT_NE(pc.FileBytes(kIniPath).find("11=\\\\nas\\share11\r\n"), std::string::npos);
  ProgramRun second(pc);
  EXPECT_EQ(second.configuration.NetworkLocationHistoryList, run.configuration.NetworkLocationHistoryList);
  EXPECT_EQ(second.Drive("H:").Password, longPassword);
}

TEST(ConfigurationFiles, LiveInAppDataOrTheWindowsFolderAndBesideTheProgram) {
  SimMachine pc;
  EXPECT_EQ(ConfigurationFileName(pc.platform()), kIniPath);
  EXPECT_EQ(DeploymentFileName(pc.platform()), kDeploymentPath);

  pc.SetVariable("APPDATA", R"(D:\Profiles\bob\)");
  EXPECT_EQ(ConfigurationFileName(pc.platform()), R"(D:\Profiles\bob\Quillbay.ini)");

  const std::string inWindows = pc.platform().environment.WindowsDirectory() + "\\Quillbay.ini";
  pc.SetVariable("APPDATA", "");
  EXPECT_EQ(ConfigurationFileName(pc.platform()), inWindows);
  pc.UnsetVariable("APPDATA");
  EXPECT_EQ(ConfigurationFileName(pc.platform()), inWindows);

  pc.SetExecutablePath(R"(E:\Tools\QBY\Quillbay.exe)");
  EXPECT_EQ(DeploymentFileName(pc.platform()), R"(E:\Tools\QBY\Deployment.ini)");
}

TEST(ConfigurationFiles, DeploymentFileIsUsedOnlyWhenItExistedAtStartUp) {
  SimMachine pc;
  ProgramRun run(pc);
  EXPECT_EQ(run.configuration.DeploymentFile, nullptr);
  pc.WriteFile(kDeploymentPath, kDeploymentFile);
  run.configuration.ReadDeploymentDrives();
  EXPECT_EQ(run.DrivesUnderControl(), 0);

  ProgramRun second(pc);
  ASSERT_NE(second.configuration.DeploymentFile, nullptr);
  EXPECT_TRUE(second.Drive("H:").DeploymentDrive);
  EXPECT_EQ(second.Drive("H:").NetworkLocation, R"(\\corp\h)");
  second.configuration.SaveConfiguration();
  EXPECT_EQ(pc.FileBytes(kIniPath).find("corp"), std::string::npos);
}

TEST(AutoStartValue, FollowsThePreferenceAtEverySave) {
  SimMachine pc;
  ProgramRun run(pc);
  std::string value;

  run.configuration.SaveConfiguration();  // on by default
  ASSERT_TRUE(pc.RegistryValue(RegistryRoot::CurrentUser, kRunKeyPath, kAutoStartValueName, value));
  // Quoted, or Windows would try to start "C:\Program" at logon.
  EXPECT_EQ(value, "\"" + kExePath + "\"");

  run.configuration.Prefs.StartAutomaticallyByWindows = false;
  run.configuration.SaveConfiguration();
  EXPECT_FALSE(pc.RegistryValue(RegistryRoot::CurrentUser, kRunKeyPath, kAutoStartValueName, value));
  run.configuration.SaveConfiguration();  // deleting an absent value is harmless
  EXPECT_FALSE(pc.RegistryValue(RegistryRoot::CurrentUser, kRunKeyPath, kAutoStartValueName, value));
  EXPECT_NE(pc.FileBytes(kIniPath).find("StartAutomaticallyByWindows=0"), std::string::npos);

  // A registry that refuses does not stop the save, and says nothing.
  pc.FailRegistry(true);
  run.configuration.Prefs.StartAutomaticallyByWindows = true;
  run.configuration.Prefs.Language = "Svenska";
  EXPECT_TRUE(run.configuration.SaveConfigurationReportingErrors());
  EXPECT_TRUE(pc.MessageBoxes.empty());
  EXPECT_NE(pc.FileBytes(kIniPath).find("Language=Svenska"), std::string::npos);
  EXPECT_FALSE(pc.RegistryValue(RegistryRoot::CurrentUser, kRunKeyPath, kAutoStartValueName, value));
}

TEST(AutoStartValue, SetAutoStartReportsWhatHappened) {
  SimMachine pc;
  Platform& platform = pc.platform();
  std::string value;
  EXPECT_FALSE(SetAutoStart(platform, "", "", true, RegistryRoot::CurrentUser));
  EXPECT_TRUE(SetAutoStart(platform, "Other", R"("C:\x.exe" /tray)", true, RegistryRoot::CurrentUser));
  ASSERT_TRUE(pc.RegistryValue(RegistryRoot::CurrentUser, kRunKeyPath, "Other", value));
  EXPECT_EQ(value, R"("C:\x.exe" /tray)");
  EXPECT_TRUE(SetAutoStart(platform, "Other", "", false, RegistryRoot::CurrentUser));
  EXPECT_FALSE(pc.RegistryValue(RegistryRoot::CurrentUser, kRunKeyPath, "Other", value));
  EXPECT_TRUE(SetAutoStart(platform, "Other", "", false, RegistryRoot::CurrentUser));
  pc.FailRegistry(true);
  EXPECT_FALSE(SetAutoStart(platform, "Other", "C:\\x.exe", true, RegistryRoot::CurrentUser));
}

TEST(SaveFailures, AFailedSaveKeepsTheOldFileAndSaysSo) {
  SimMachine pc;
  pc.WriteFile(kIniPath, kUsersFile);
  ProgramRun run(pc);
  run.Drive("H:").Reset();
  pc.FailWrites(true);

  try {
    run.configuration.SaveConfiguration();
    ADD_FAILURE() << "the save reported success";
  } catch (const EIniFileError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + kIniPath);
  }
  EXPECT_EQ(pc.FileBytes(kIniPath), kUsersFile);

  EXPECT_FALSE(run.configuration.SaveConfigurationReportingErrors());
  ASSERT_EQ(pc.MessageBoxes.size(), 1u);
  EXPECT_EQ(pc.MessageBoxes[0].Text, "Unable to write to " + kIniPath);
  EXPECT_EQ(pc.MessageBoxes[0].Caption, "Quillbay");
  EXPECT_EQ(pc.MessageBoxes[0].Kind, MessageBoxKind::Error);
  EXPECT_EQ(pc.FileBytes(kIniPath), kUsersFile);

  // Once the disk takes writes again, the next save goes through.
  pc.FailWrites(false);
  EXPECT_TRUE(run.configuration.SaveConfigurationReportingErrors());
  EXPECT_EQ(pc.FileBytes(kIniPath).find("NetworkDrive_H:"), std::string::npos);
  EXPECT_NE(pc.FileBytes(kIniPath).find("[NetworkDrive_K:]"), std::string::npos);
}

// File names are UTF-8 and every shown text is in the 8-bit code page: a profile folder
// named outside that code page is written to, and shown as near as the code page allows.
TEST(SaveFailures, AProfileNamedOutsideTheCodePageIsSavedAndShownInIt) {
  SimMachine pc;
  const std::string folder = "C:\\Users\\J\xC3\xBCrgen \xC5\x81ukasz \xE6\x97\xA5";  // Jürgen Łukasz 日
  pc.SetVariable("APPDATA", folder);
  ProgramRun run(pc);
  EXPECT_EQ(run.configuration.IniFile->FileName(), folder + "\\Quillbay.ini");
  pc.FailWrites(true);
  EXPECT_FALSE(run.configuration.SaveConfigurationReportingErrors());
  ASSERT_EQ(pc.MessageBoxes.size(), 1u);
  EXPECT_EQ(pc.MessageBoxes[0].Text, "Unable to write to C:\\Users\\J\xFCrgen ?ukasz ?\\Quillbay.ini");
  pc.FailWrites(false);
  EXPECT_TRUE(run.configuration.SaveConfigurationReportingErrors());
  EXPECT_NE(pc.FileBytes(folder + "\\Quillbay.ini").find("[Preferences]"), std::string::npos);
}

TEST(SaveFailures, AFileThatCouldNotBeReadIsNeverOverwritten) {
  SimMachine pc;
  pc.WriteFile(kIniPath, kUsersFile);
  pc.FailReads(kIniPath, true);
  ProgramRun run(pc);
  EXPECT_TRUE(run.configuration.IniFileUnreadable);
  EXPECT_EQ(run.DrivesUnderControl(), 0);  // this run works with the defaults
  ExpectDefaults(run.configuration.Prefs);

  // Even when the file can be read again later, this run never saw its drives.
  pc.FailReads(kIniPath, false);
  const int replaces = pc.ReplaceCount;
  EXPECT_THROW(run.configuration.SaveConfiguration(), EIniFileError);
  EXPECT_FALSE(run.configuration.SaveConfigurationReportingErrors());
  ASSERT_FALSE(pc.MessageBoxes.empty());
  EXPECT_EQ(pc.MessageBoxes.back().Text, "Unable to write to " + kIniPath);
  EXPECT_EQ(pc.ReplaceCount, replaces);
  EXPECT_EQ(pc.FileBytes(kIniPath), kUsersFile);

  ProgramRun next(pc);
  EXPECT_EQ(next.DrivesUnderControl(), 4);  // D: is free on this machine

  // Nor is one that turned unreadable since start-up.
  pc.FailReads(kIniPath, true);
  EXPECT_THROW(next.configuration.SaveConfiguration(), EIniFileError);
  pc.FailReads(kIniPath, false);
  EXPECT_EQ(pc.FileBytes(kIniPath), kUsersFile);
}

TEST(SaveFailures, HandEditsMadeWhileTheProgramRunsAreKept) {
  SimMachine pc;
  pc.WriteFile(kIniPath, kUsersFile);
  ProgramRun run(pc);
  pc.WriteFile(kIniPath, kUsersFile + Lines({"[Later]", "Added=by hand"}));
  run.configuration.SaveConfiguration();
  EXPECT_NE(pc.FileBytes(kIniPath).find("[Later]\r\nAdded=by hand\r\n"), std::string::npos);
  EXPECT_NE(pc.FileBytes(kIniPath).find("[NetworkDrive_H:]"), std::string::npos);
}

TEST(SaveFailures, KeysAddedByHandToADriveSectionSurviveItsRewrite) {
  SimMachine pc;
  pc.WriteFile(kIniPath, Lines({"[NetworkDrive_H:]", "Owner = Bob  ", "NetworkLocation=\\\\nas\\media",
                                "RunProgramProgram_9=C:\\old.exe", "[NetworkDrive_K:]",
                                "NetworkLocation=\\\\nas\\gone", "Owner=Eve"}));
  ProgramRun run(pc);
  run.Drive("K:").Reset();  // removed: its whole section goes
  run.configuration.SaveConfiguration();
  const std::string saved = pc.FileBytes(kIniPath);
  EXPECT_NE(saved.find("[NetworkDrive_H:]\r\nDrive=H:\r\nNetworkLocation=\\\\nas\\media\r\nDriveState=2\r\n"
                       "Username=\r\nPassword=\r\nNetworkName=\r\nOwner = Bob  \r\n"),
            std::string::npos);
  EXPECT_EQ(saved.find("old.exe"), std::string::npos);  // a program index the program owns
  EXPECT_EQ(saved.find("Eve"), std::string::npos);
  EXPECT_EQ(saved.find("NetworkDrive_K:"), std::string::npos);
}

TEST(AutoStartValue, AFailedSaveLeavesTheRunValueAsTheFileHasIt) {
  SimMachine pc;
  ProgramRun run(pc);
  std::string value;
  run.configuration.SaveConfiguration();
  ASSERT_TRUE(pc.RegistryValue(RegistryRoot::CurrentUser, kRunKeyPath, kAutoStartValueName, value));

  // Switched off, but the save fails: the program still starts at logon, as the file says.
  pc.FailWrites(true);
  run.configuration.Prefs.StartAutomaticallyByWindows = false;
  EXPECT_FALSE(run.configuration.SaveConfigurationReportingErrors());
  EXPECT_TRUE(pc.RegistryValue(RegistryRoot::CurrentUser, kRunKeyPath, kAutoStartValueName, value));
  EXPECT_NE(pc.FileBytes(kIniPath).find("StartAutomaticallyByWindows=1"), std::string::npos);

  pc.FailWrites(false);
  EXPECT_TRUE(run.configuration.SaveConfigurationReportingErrors());
  EXPECT_FALSE(pc.RegistryValue(RegistryRoot::CurrentUser, kRunKeyPath, kAutoStartValueName, value));

  // And back on, with a failing save: no Run value appears for a file that says off.
  pc.FailWrites(true);
  run.configuration.Prefs.StartAutomaticallyByWindows = true;
  EXPECT_FALSE(run.configuration.SaveConfigurationReportingErrors());
  EXPECT_FALSE(pc.RegistryValue(RegistryRoot::CurrentUser, kRunKeyPath, kAutoStartValueName, value));
  pc.FailWrites(false);
  ProgramRun next(pc);
  EXPECT_FALSE(next.configuration.Prefs.StartAutomaticallyByWindows);
}

std::string RandomPassword(size_t length, uint32_t seed) {
  std::mt19937 random(seed);
  std::string password;
  // Any byte but the line breaks, which a password box cannot hold.
  while (password.size() < length) {
    const char c = static_cast<char>(random() % 256);
    if (c != '\r' && c != '\n' && c != '\0') password += c;
  }
  return password;
}

TEST(LongPasswords, EveryLengthUpToTheLimitComesBackWhole) {
  // The stored form grows by four characters every three bytes; the limit sits where the
  // value read back (2047 characters at most) stops giving the password back.
  std::vector<size_t> lengths = {1, 2, 3, 255, 256, 1000};
  for (size_t length = MaxPasswordLength - 6; length <= MaxPasswordLength; ++length) lengths.push_back(length);
  for (const size_t length : lengths) {
    SCOPED_TRACE("length " + std::to_string(length));
    SimMachine pc;
    ProgramRun run(pc);
    TNetworkDriveItem& h = run.Drive("H:");
    h.NetworkLocation = R"(\\nas\media)";
    h.QbyControl = true;
    h.Password = RandomPassword(length, static_cast<uint32_t>(length));
    auto volume = std::make_unique<TTrueCryptVolumeItem>();
    volume->Drive = "T:";
    volume->Volume = R"(H:\vault.tc)";
    volume->Password = RandomPassword(length, static_cast<uint32_t>(length) + 1);
    h.TrueCryptVolumesList.push_back(std::move(volume));
    run.configuration.SaveConfiguration();

    ProgramRun second(pc);
    EXPECT_EQ(second.Drive("H:").Password, h.Password);
    ASSERT_EQ(second.Drive("H:").TrueCryptVolumesList.size(), 1u);
    EXPECT_EQ(second.Drive("H:").TrueCryptVolumesList[0]->Password, h.TrueCryptVolumesList[0]->Password);

    // The same stored form pasted into Deployment.ini by an administrator.
    pc.WriteFile(kDeploymentPath, Lines({"[NetworkDrive_N:]", "NetworkLocation=\\\\corp\\n",
                                         "Password=" + ScramblePassword(h.Password)}));
    ProgramRun third(pc);
    EXPECT_TRUE(third.Drive("N:").DeploymentDrive);
    EXPECT_EQ(third.Drive("N:").Password, h.Password);
  }
}

TEST(LongPasswords, OneByteMoreCannotBeReadBackSoTheSaveRefusesIt) {
  // Why the limit stands where it does: the next length reads back wrong.
  const std::string tooLong = RandomPassword(MaxPasswordLength + 1, 7);
  SimMachine pc;
  pc.WriteFile(kDeploymentPath, Lines({"[NetworkDrive_N:]", "NetworkLocation=\\\\corp\\n",
                                       "Password=" + ScramblePassword(tooLong)}));
  pc.WriteFile(kIniPath, kUsersFile);
  ProgramRun run(pc);
  EXPECT_TRUE(run.Drive("N:").DeploymentDrive);
  EXPECT_NE(run.Drive("N:").Password, tooLong);

  std::string runValue;
  ASSERT_FALSE(pc.RegistryValue(RegistryRoot::CurrentUser, kRunKeyPath, kAutoStartValueName, runValue));
  run.Drive("M:").NetworkLocation = R"(\\nas\music)";
  run.Drive("M:").QbyControl = true;
  run.Drive("M:").Password = tooLong;
  EXPECT_FALSE(run.configuration.SaveConfigurationReportingErrors());
  ASSERT_EQ(pc.MessageBoxes.size(), 1u);
  EXPECT_EQ(pc.MessageBoxes[0].Text, "Unable to write to " + kIniPath + ": the password of drive M: is longer than " +
                                         std::to_string(MaxPasswordLength) + " characters.");
  EXPECT_EQ(pc.MessageBoxes[0].Kind, MessageBoxKind::Error);
  EXPECT_EQ(pc.FileBytes(kIniPath), kUsersFile);  // nothing half-stored
  EXPECT_FALSE(pc.RegistryValue(RegistryRoot::CurrentUser, kRunKeyPath, kAutoStartValueName, runValue));

  // A volume's password is named by its volume and drive.
  run.Drive("M:").Password = "short";
  run.Drive("H:").TrueCryptVolumesList[0]->Password = tooLong;
  try {
    run.configuration.SaveConfiguration();
    ADD_FAILURE() << "the save reported success";
  } catch (const EIniFileError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + kIniPath +
                                             ": the password of TrueCrypt volume 'H:\\vault.tc' of drive H: is "
                                             "longer than " + std::to_string(MaxPasswordLength) + " characters.");
  }
  EXPECT_EQ(pc.FileBytes(kIniPath), kUsersFile);

  // A deployment drive is never written, so its password does not stop a save.
  run.Drive("H:").TrueCryptVolumesList[0]->Password = "vault pw";
  EXPECT_TRUE(run.configuration.SaveConfigurationReportingErrors());
  ProgramRun next(pc);
  EXPECT_EQ(next.Drive("M:").Password, "short");
}

TEST(ProtectedPasswords, AnOlderVersionReadsNoPasswordAndAnUnprotectableOneStopsTheSave) {
  SimMachine pc;
  ProgramRun run(pc);
  const std::string longest = RandomPassword(MaxPasswordLength, 3);
  run.Drive("H:").NetworkLocation = R"(\\nas\media)";
  run.Drive("H:").QbyControl = true;
  run.Drive("H:").Password = "secret";
  run.Drive("K:").NetworkLocation = R"(\\nas\k)";
  run.Drive("K:").QbyControl = true;
  run.Drive("K:").Password = longest;
  run.configuration.SaveConfiguration();
  const std::string saved = pc.FileBytes(kIniPath);

  // An older version reads each value cut to 2047 characters and unscrambles it: the
  // mark stops it at once, so it reads no password rather than a wrong one.
  ProgramRun reader(pc);
  const TIniFile& file = *reader.configuration.IniFile;
  for (const char* drive : {"H:", "K:"}) {
    const std::string asOlderVersionsRead = file.ReadString(std::string("NetworkDrive_") + drive, "Password", "");
    EXPECT_TRUE(IsProtectedPassword(asOlderVersionsRead)) << drive;
    EXPECT_EQ(UnscramblePassword(asOlderVersionsRead), "") << drive;
  }
  EXPECT_EQ(reader.Drive("K:").Password, longest);

  // Storing a password scrambled instead would give it to anyone with a copy of the file.
  pc.FailDataProtection(true);
  run.Drive("H:").Password = "changed";
  EXPECT_FALSE(run.configuration.SaveConfigurationReportingErrors());
  ASSERT_EQ(pc.MessageBoxes.size(), 1u);
  EXPECT_EQ(pc.MessageBoxes[0].Text,
            "Unable to write to " + kIniPath + ": the password of drive H: cannot be protected for this Windows account.");
  EXPECT_EQ(pc.FileBytes(kIniPath), saved);
  pc.FailDataProtection(false);
  EXPECT_TRUE(run.configuration.SaveConfigurationReportingErrors());
  EXPECT_EQ(ProgramRun(pc).Drive("H:").Password, "changed");
}

TEST(HandEditedDriveSections, ForeignLinesSurviveEverySaveByteForByte) {
  SimMachine pc;
  const std::string longValue(3000, 'v');
  const std::vector<std::string> foreign = {"Before=1", "=oops", "After=2", "; a comment of the admin",
                                            "a line without equals sign", "Long=" + longValue, "  Spaced  =  kept  "};
  std::vector<std::string> file = {"[NetworkDrive_H:]", "NetworkLocation=\\\\nas\\media"};
  file.insert(file.end(), foreign.begin(), foreign.end());
  file.push_back("Password=" + ScramblePassword("secret"));
  file.push_back("");
  file.push_back("[Other]");
  file.push_back("k=v");
  std::string bytes;
  for (const std::string& line : file) bytes += line + "\r\n";
  pc.WriteFile(kIniPath, bytes);

  std::string expectedSection;
  for (const std::string& line : foreign) expectedSection += line + "\r\n";
  for (int save = 0; save < 3; ++save) {
    SCOPED_TRACE("save " + std::to_string(save));
    ProgramRun run(pc);
    EXPECT_EQ(run.Drive("H:").Password, "secret");
    run.Drive("H:").Username = "alice" + std::to_string(save);
    run.configuration.SaveConfiguration();
    const std::string saved = pc.FileBytes(kIniPath);
    EXPECT_NE(saved.find("NetworkName=\r\n" + expectedSection), std::string::npos);
    EXPECT_NE(saved.find("[Other]\r\nk=v\r\n"), std::string::npos);
    EXPECT_EQ(saved.find("Password=!protected:"), saved.rfind("Password="));
  }
  ProgramRun last(pc);
  EXPECT_EQ(last.Drive("H:").Username, "alice2");
  EXPECT_EQ(last.configuration.IniFile->ReadString("NetworkDrive_H:", "Long", ""), longValue.substr(0, 2047));
}

TEST(OversizedFiles, AFileThatCannotBeHeldIsUnreadableNotTheEndOfTheProgram) {
  SimMachine pc;
  pc.WriteFile(kIniPath, kUsersFile);
  pc.WriteFile(kDeploymentPath, kDeploymentFile);
  pc.ExhaustMemoryReading(kIniPath, true);
  pc.ExhaustMemoryReading(kDeploymentPath, true);
  ProgramRun run(pc);
  EXPECT_TRUE(run.configuration.IniFileUnreadable);
  ExpectDefaults(run.configuration.Prefs);
  EXPECT_EQ(run.DrivesUnderControl(), 0);
  ASSERT_NE(run.configuration.DeploymentFile, nullptr);

  // Never written back: the drives in it are not lost.
  EXPECT_FALSE(run.configuration.SaveConfigurationReportingErrors());
  EXPECT_EQ(pc.FileBytes(kIniPath), kUsersFile);
  pc.ExhaustMemoryReading(kIniPath, false);
  pc.ExhaustMemoryReading(kDeploymentPath, false);
  ProgramRun next(pc);
  EXPECT_EQ(next.Drive("H:").Password, "secret");
  EXPECT_TRUE(next.Drive("P:").DeploymentDrive);
}

// The most memory the process has held since ResetPeakMemory, in KB (Linux: VmHWM); -1
// where the system does not tell.
long PeakMemoryKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}
bool ResetPeakMemory() { return static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5"); }

TEST(OversizedFiles, AFileOverTheLimitIsRefusedUnreadAtStartAndAtEverySave) {
  SimMachine pc;
  // The user's drives at the top, then far more than any real file holds.
  const std::string padding = "[Padding]\r\nfill=" + std::string(Files::MaxFileSize, 'x') + "\r\n";
  pc.WriteFile(kIniPath, kUsersFile + padding);
  pc.WriteFile(kDeploymentPath, kDeploymentFile + padding);
  if (!ResetPeakMemory() || PeakMemoryKilobytes() < 0) GTEST_SKIP() << "this system does not tell peak memory";
  long before = PeakMemoryKilobytes();
  ProgramRun run(pc);
  EXPECT_TRUE(run.configuration.IniFileUnreadable);
  ExpectDefaults(run.configuration.Prefs);
  EXPECT_EQ(run.DrivesUnderControl(), 0);
  EXPECT_FALSE(run.configuration.SaveConfigurationReportingErrors());
  // Reading either whole would have held 16 MB more at least once.
  EXPECT_LT(PeakMemoryKilobytes() - before, 4 * 1024);
  EXPECT_EQ(pc.FileBytes(kIniPath), kUsersFile + padding) << "never written back";

  // The language file over the limit: every text at its fallback, nothing read.
  pc.WriteFile(ExecutableFolder(pc.platform()) + "Languages.ini", "[English]\r\n10102=Quit\r\n" + padding);
  ResetPeakMemory();
  before = PeakMemoryKilobytes();
  TLanguage texts;
  texts.Open(pc.platform(), "English");
  EXPECT_EQ(texts.Translate(10102), "Exit");
  EXPECT_LT(PeakMemoryKilobytes() - before, 4 * 1024);

  // Cut back to size by hand, it reads again.
  pc.WriteFile(kIniPath, kUsersFile);
  ProgramRun next(pc);
  EXPECT_EQ(next.Drive("H:").Password, "secret");
}

TEST(OversizedFiles, ThousandsOfDuplicateSectionsAndHandAddedKeysAreSavedWhole) {
  SimMachine pc;
  std::string file = "[NetworkDrive_H:]\r\nNetworkLocation=\\\\nas\\h\r\n";
  for (int i = 0; i < 20000; ++i) file += "Added" + std::to_string(i) + "=value " + std::to_string(i) + "\r\n";
  for (int i = 0; i < 20000; ++i) {
    const char letter = "CHK"[i % 3];  // C: is a fixed disk here: its sections are not the program's
    file += std::string("[NetworkDrive_") + letter + ":]\r\nNetworkLocation=\\\\nas\\copy" + std::to_string(i) + "\r\n";
  }
  pc.WriteFile(kIniPath, file);
  ProgramRun run(pc);
  EXPECT_EQ(run.Drive("K:").NetworkLocation, R"(\\nas\copy2)");
  run.configuration.SaveConfiguration();

  const std::string saved = pc.FileBytes(kIniPath);
  size_t copies = 0;
  for (size_t at = saved.find("[NetworkDrive_C:]"); at != std::string::npos; at = saved.find("[NetworkDrive_C:]", at + 1))
    ++copies;
  EXPECT_EQ(copies, 6667u);  // left untouched
  EXPECT_EQ(saved.find("\\\\nas\\copy1\r\n"), std::string::npos);  // a duplicate of H: or K:
  ProgramRun second(pc);
  EXPECT_EQ(second.Drive("K:").NetworkLocation, R"(\\nas\copy2)");
  EXPECT_EQ(second.configuration.IniFile->ReadString("NetworkDrive_H:", "Added19999", ""), "value 19999");
  EXPECT_EQ(second.configuration.IniFile->ReadSectionKeys("NetworkDrive_H:").front(), "Drive");
}

TEST(ConfigurationFiles, ARelativeAppDataIsMadeAbsolute) {
  SimMachine pc;
  pc.SetCurrentDirectory(R"(D:\Work\Today)");
  pc.SetVariable("APPDATA", R"(Profiles\alice)");
  EXPECT_EQ(ConfigurationFileName(pc.platform()), R"(D:\Work\Today\Profiles\alice\Quillbay.ini)");
  pc.SetVariable("APPDATA", R"(..\.\Roaming\)");
  EXPECT_EQ(ConfigurationFileName(pc.platform()), R"(D:\Work\Roaming\Quillbay.ini)");
  pc.SetVariable("APPDATA", R"(\Users\bob)");
  EXPECT_EQ(ConfigurationFileName(pc.platform()), R"(D:\Users\bob\Quillbay.ini)");
  pc.SetVariable("APPDATA", R"(E:data)");
  EXPECT_EQ(ConfigurationFileName(pc.platform()), R"(E:\data\Quillbay.ini)");
  pc.SetVariable("APPDATA", R"(\\server\profiles\bob)");
  EXPECT_EQ(ConfigurationFileName(pc.platform()), R"(\\server\profiles\bob\Quillbay.ini)");

  // The file lands in the folder that was current at start-up.
  pc.SetVariable("APPDATA", "Roaming");
  pc.SetCurrentDirectory(R"(C:\Users\alice)");
  {
    ProgramRun run(pc);
    run.configuration.Prefs.Language = "Dansk";
    run.configuration.SaveConfiguration();
  }
  EXPECT_TRUE(pc.HasFile(R"(C:\Users\alice\Roaming\Quillbay.ini)"));
}

TEST(DamagedFiles, NeverCrashAndNeverCostTheReadableDrives) {
  const std::string section = Lines({"[NetworkDrive_H:]", "NetworkLocation=\\\\nas\\media",
                                     "Password=" + ScramblePassword("secret")});
  const std::string other = Lines({"[NetworkDrive_K:]", "NetworkLocation=\\\\nas\\k"});
  const std::string junk = std::string("\x00\x01\xFF\xFE garbage\r\n\x1A\x7F", 16);
  const std::vector<std::string> damaged = {
      "",
      junk,
      "\xFF\xFEx",  // a UTF-16 mark with half a character behind it
      "no sections at all\r\nNetworkLocation=\\\\nas\\x\r\n",
      section + "a line without equals sign\r\n=value without key\r\n[broken header\r\n" + other,
      section + std::string(100000, 'x') + "\r\n" + other,
      section + "Username=" + std::string(5000, 'u') + "\r\n" + junk + "\r\n" + other,
      section + other + "[Preferences]\r\nDelayVolumeMount=abc\r\nLanguage\r\n",
      "[NetworkDrive_H:]\nNetworkLocation=\\\\nas\\media\nPassword=###\n[NetworkDrive_K:]\nNetworkLocation=\\\\nas\\k",
  };
  for (size_t i = 0; i < damaged.size(); ++i) {
    SCOPED_TRACE("file " + std::to_string(i));
    SimMachine pc;
    pc.WriteFile(kIniPath, damaged[i]);
    ProgramRun run(pc);
    EXPECT_EQ(run.configuration.NetworkDrives.Count(), 25);
    EXPECT_EQ(run.configuration.Prefs.DelayVolumeMount, 5);
    EXPECT_EQ(run.configuration.Prefs.Language, "English");
    const bool hasDrives = damaged[i].find("[NetworkDrive_K:]") != std::string::npos;
    EXPECT_EQ(run.DrivesUnderControl(), hasDrives ? 2 : 0);
    if (!hasDrives) continue;
    EXPECT_EQ(run.Drive("H:").NetworkLocation, R"(\\nas\media)");
    run.configuration.SaveConfiguration();
    ProgramRun second(pc);
    EXPECT_EQ(second.DrivesUnderControl(), 2);
    EXPECT_EQ(second.Drive("K:").NetworkLocation, R"(\\nas\k)");
    EXPECT_EQ(second.Drive("H:").Password, run.Drive("H:").Password);
  }
}

TEST(HandEditedPreferences, WildNumbersAreKeptWithinSafeLimits) {
  struct Case {
    std::string delay, interval, attempts;
    int32_t wantDelay, wantInterval, wantAttempts;
  };
  const std::vector<Case> cases = {
      {"-5", "-5", "-5", 0, 1, -5},           // no negative waits; the keep-alive keeps running
      {"100000", "100000", "100000", 60, 360, 100000},  // no window blocked for hours
      {"60", "360", "60", 60, 360, 60},
      {"0", "0", "0", 0, 0, 0},               // 0 stops the keep-alive timer by design
      {"0x10", "0X1e", "0x", 16, 30, 20},     // hexadecimal; "0x" alone is no number
      {"abc", "", "7 ", 5, 1, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.delay + " / " + c.interval + " / " + c.attempts);
    SimMachine pc;
    pc.WriteFile(kIniPath, Lines({"[Preferences]", "DelayVolumeMount=" + c.delay,
                                  "LongReconnectInterval=" + c.interval,
                                  "MaxNrOfShortReconnectAttempts=" + c.attempts,
                                  "MinimizeOnStartup=2", "UseForcedDisconnect=yes", "DismountVolumesOnExit=0"}));
    ProgramRun run(pc);
    EXPECT_EQ(run.configuration.Prefs.DelayVolumeMount, c.wantDelay);
    EXPECT_EQ(run.configuration.Prefs.LongReconnectInterval, c.wantInterval);
    EXPECT_EQ(run.configuration.Prefs.MaxNrOfShortReconnectAttempts, c.wantAttempts);
    EXPECT_TRUE(run.configuration.Prefs.MinimizeOnStartup);     // any number but 0
    EXPECT_FALSE(run.configuration.Prefs.UseForcedDisconnect);  // not a number: default
    EXPECT_FALSE(run.configuration.Prefs.DismountVolumesOnExit);
  }
}

}  // namespace

// Connecting drives on the simulated machine, as a user sees it in the message list.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "data/PasswordScrambler.h"
#include "engine/HeartBeatThread.h"
#include "support/ConnectAnswerLines.h"
#include "support/TestApp.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {
struct ConnectDrivesOutcomes : ::testing::Test, TestMachine {};
struct ConnectDrivesSelection : ::testing::Test, TestMachine {};
struct ConnectDrivesRobustness : ::testing::Test, TestMachine {};
}  // namespace

TEST(ConnectDrivesCases, EveryConnectResultGivesItsLine) {
  std::vector<std::pair<uint32_t, std::string>> cases = ConnectAnswerLines();
  cases.emplace_back(53, "' (Error nr 53).");
  for (const auto& [code, suffix] : cases) {
    SCOPED_TRACE(code);
    SimMachine pc;
    TestApp app(pc);
    app.StartWithShares({{"H:", kMedia}});
    pc.InjectError("AddConnection2", code, 'H');
    app.NewMessages();

    app.engine.ActionDrivesConnectDrivesExecute();

    EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10226), app.T(10302) + "H:" + suffix));
    EXPECT_EQ(app.surfaces.Messages[0].ImageIndex, mkError);
    EXPECT_EQ(app.Drive("H:").State, dsError);
    EXPECT_EQ(app.Drive("H:").RealLocation, app.T(10035));
    EXPECT_TRUE(app.engine.CurrentConnectionError);
    EXPECT_EQ(pc.MappingOf('H'), "");
  }
}

TEST_F(ConnectDrivesOutcomes, FirstConnectMapsTheLetterAndReportsIt) {
  app.StartWithShares({{"H:", kMedia}});
  app.NewMessages();

  app.engine.ActionDrivesConnectDrivesExecute();

  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10226), app.T(10300) + "H:'."));
  EXPECT_EQ(app.surfaces.Messages[0].ImageIndex, mkInformation);
  TNetworkDriveItem& h = app.Drive("H:");
  EXPECT_EQ(h.State, dsConnected);
  EXPECT_EQ(h.RealLocation, kMedia);
  EXPECT_EQ(h.FreeSpace, 40);
  EXPECT_FALSE(app.engine.CurrentConnectionError);
  EXPECT_EQ(pc.MappingOf('H'), kMedia);
  EXPECT_FALSE(pc.BusyCursor());

  const auto adds = CallsOf(pc, "AddConnection2");
  ASSERT_EQ(adds.size(), 1u);
  EXPECT_EQ(adds[0].LocalName, "H:");
  EXPECT_EQ(adds[0].RemoteName, kMedia);
  EXPECT_EQ(adds[0].Flags, 0u);
  EXPECT_EQ(adds[0].ResourceType, 0u);
  EXPECT_FALSE(adds[0].ProviderGiven);
  EXPECT_THAT(CallsOf(pc, "CancelConnection2"), IsEmpty());

  // The keep-alive run finds it connected and says nothing.
  app.engine.ConnectDrives(false, "");
  EXPECT_THAT(app.NewMessages(), IsEmpty());
  EXPECT_EQ(h.State, dsConnected);
  EXPECT_EQ(pc.MappingOf('H'), kMedia);
}

TEST_F(ConnectDrivesOutcomes, LetterMappedElsewhereIsTakenBack) {
  pc.AddShare(kMedia);
  pc.AddShare(R"(\\old\share)");
  pc.MapFromOutside('H', R"(\\old\share)");
  app.StartWith({{"H:", kMedia}});
  app.NewMessages();

  app.engine.ActionDrivesConnectDrivesExecute();

  EXPECT_THAT(app.NewMessages(),
              ElementsAre(app.T(10226), app.T(10229) + "H:' ...", app.T(10300) + "H:'."));
  EXPECT_EQ(pc.MappingOf('H'), kMedia);
  EXPECT_EQ(app.Drive("H:").State, dsConnected);
  const auto cancels = CallsOf(pc, "CancelConnection2");
  ASSERT_EQ(cancels.size(), 1u);
  EXPECT_EQ(cancels[0].LocalName, "H:");
  EXPECT_EQ(cancels[0].Flags, 1u);
  EXPECT_TRUE(cancels[0].Force);
}

TEST(ConnectDrivesCases, LetterAlreadyAssigned) {
  // Mapped to the configured location by someone else: counts as connected, silently.
  {
    SimMachine pc;
    pc.AddShare(kMedia);
    pc.MapFromOutside('H', R"(\\NAS\Media)");  // differs in case only
    TestApp app(pc);
    app.StartWith({{"H:", kMedia}});
    app.NewMessages();
    app.engine.ConnectDrives(false, "");
    EXPECT_THAT(app.NewMessages(), IsEmpty());
    EXPECT_EQ(app.Drive("H:").State, dsConnected);
    EXPECT_THAT(CallsOf(pc, "CancelConnection2"), IsEmpty());
    EXPECT_FALSE(app.engine.CurrentConnectionError);
  }
  // Mapped, but the server does not answer: the letter is not a directory, so 85 fails,
  // and the line says that the server is silent, not that something took the letter.
  {
    SimMachine pc;
    TestApp app(pc);
    app.StartWithShares({{"H:", kMedia}});
    app.engine.ConnectDrives(false, "");
    pc.SetServerReachable("nas", false);
    app.NewMessages();
    app.engine.ConnectDrives(false, "");
    EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10302) + "H:" + app.T(10814)));
    EXPECT_EQ(app.T(10814), "' (the drive is mapped, but its server does not answer).");
    EXPECT_EQ(app.Drive("H:").State, dsError);
  }
  // A USB stick took the letter: not the share, and nothing is started from it.
  {
    SimMachine pc;
    TestApp app(pc);
    app.StartWithShares({{"H:", kMedia}});
    pc.SetLocalDrive('H', win::DRIVE_REMOVABLE);  // plugged in after start-up
    auto program = std::make_unique<TRunProgramItem>();
    program->Program = R"(H:\autorun.exe)";
    app.Drive("H:").RunProgramsList.push_back(std::move(program));
    app.NewMessages();
    app.engine.ConnectDrives(false, "");
    EXPECT_THAT(app.NewMessages(),
                ElementsAre(app.T(10302) + "H:' (\"The local device name is already in use\")."));
    EXPECT_EQ(app.Drive("H:").State, dsError);
    EXPECT_EQ(app.Drive("H:").RealLocation, app.T(10035));
    EXPECT_TRUE(app.engine.CurrentConnectionError);
    EXPECT_THAT(pc.Starts, IsEmpty());
    EXPECT_FALSE(app.Drive("H:").ProgramsHaveBeenRunned);
  }
  // A network drive whose remote name cannot be queried stays connected without error.
  {
    SimMachine pc;
    pc.AddShare(kMedia);
    pc.MapFromOutside('H', kMedia);
    TestApp app(pc);
    app.StartWith({{"H:", kMedia}});
    pc.InjectError("GetUniversalName", win::ERROR_NOT_CONNECTED, 'H', -1);
    app.NewMessages();
    app.engine.ConnectDrives(false, "");
    EXPECT_THAT(app.NewMessages(), IsEmpty());
    EXPECT_EQ(app.Drive("H:").State, dsConnected);
    EXPECT_EQ(app.Drive("H:").RealLocation, app.T(10035));
    EXPECT_FALSE(app.engine.CurrentConnectionError);
  }
}

TEST(ConnectDrivesCases, PostCheckComparesLocationsIgnoringOnlyCase) {
  // Typed in another case than the server spells it: still the same place.
  {
    SimMachine pc;
    pc.AddShare(kMedia);
    TestApp app(pc);
    app.StartWith({{"H:", R"(\\NAS\MEDIA)"}});
    app.engine.ConnectDrives(true, "");
    EXPECT_EQ(app.Drive("H:").State, dsConnected);
    EXPECT_FALSE(app.engine.CurrentConnectionError);
    EXPECT_EQ(app.surfaces.DriveRows.at(0).Cells[2], R"(\\nas\media)");
    EXPECT_EQ(app.Drive("H:").NetworkLocation, R"(\\NAS\MEDIA)");
  }
  // Windows drops a trailing backslash from the mapping, so the configured text differs.
  {
    SimMachine pc;
    pc.AddShare(kMedia);
    TestApp app(pc);
    app.StartWith({{"H:", kMedia + "\\"}});
    app.NewMessages();
    app.engine.ConnectDrives(true, "");
    EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10300) + "H:'.", app.T(10022) + "'H:" + app.T(10310)));
    EXPECT_EQ(app.Drive("H:").State, dsError);
    EXPECT_EQ(app.surfaces.TrayPicture, kImageError);
  }
  // The letter stays pointing elsewhere than configured.
  {
    SimMachine pc;
    pc.AddShare(kMedia);
    pc.MapFromOutside('H', kMedia);
    TestApp app(pc);
    app.StartWith({{"H:", kMedia + "\\"}});
    // The cancel fails to free the letter, so the old mapping survives the connect.
    pc.InjectError("CancelConnection2", win::ERROR_OPEN_FILES, 'H');
    pc.InjectError("AddConnection2", 85, 'H');
    app.NewMessages();
    app.engine.ConnectDrives(true, "");
    EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10229) + "H:' ...", app.T(10022) + "'H:" + app.T(10310)));
    EXPECT_EQ(app.surfaces.Messages[0].ImageIndex, mkError);
    EXPECT_EQ(app.Drive("H:").State, dsError);
    EXPECT_EQ(app.Drive("H:").RealLocation, kMedia);
    EXPECT_TRUE(app.engine.CurrentConnectionError);
  }
}

TEST(ConnectDrivesCases, CredentialsArePassedOnlyWithAUserName) {
  SimMachine pc;
  SimShare& media = pc.AddShare(kMedia);
  media.RequiredUser = "bob";
  media.RequiredPassword = "secret";
  pc.AddShare(kOffice);
  TestApp app(pc);
  app.StartWith({{"H:", kMedia, "bob", "secret"}, {"O:", kOffice, "", "ignored"}});

  app.engine.ConnectDrives(true, "");

  const auto adds = CallsOf(pc, "AddConnection2");
  ASSERT_EQ(adds.size(), 2u);
  EXPECT_EQ(adds[0].LocalName, "H:");
  EXPECT_TRUE(adds[0].UserNameGiven);
  EXPECT_EQ(adds[0].UserName, "bob");
  EXPECT_TRUE(adds[0].PasswordGiven);
  EXPECT_EQ(adds[0].Password, "secret");
  EXPECT_EQ(adds[1].LocalName, "O:");
  EXPECT_FALSE(adds[1].UserNameGiven);
  EXPECT_FALSE(adds[1].PasswordGiven);
  EXPECT_EQ(app.Drive("H:").State, dsConnected);
  EXPECT_EQ(app.Drive("O:").State, dsConnected);

  // The alternative method passes the password, or null, and the local name.
  SimMachine pc2;
  pc2.AddShare(kMedia);
  TestApp alt(pc2);
  alt.StartWith({{"H:", kMedia, "bob", ""}, {"I:", kMedia}});
  alt.configuration.Prefs.UseAlternativeConnectionMethod = true;
  alt.engine.ConnectDrives(true, "");
  const auto plain = CallsOf(pc2, "AddConnection");
  ASSERT_EQ(plain.size(), 2u);
  EXPECT_EQ(plain[0].LocalName, "H:");
  EXPECT_EQ(plain[0].RemoteName, kMedia);
  EXPECT_TRUE(plain[0].PasswordGiven);
  EXPECT_EQ(plain[0].Password, "");
  EXPECT_FALSE(plain[1].PasswordGiven);
  EXPECT_THAT(CallsOf(pc2, "AddConnection2"), IsEmpty());
  EXPECT_EQ(alt.Drive("I:").State, dsConnected);
}

TEST_F(ConnectDrivesSelection, ForceAndDriveChooseWhatIsConnected) {
  pc.AddShare(kMedia);
  pc.AddShare(kOffice);
  pc.SetVariable("SHARE", "office");
  app.StartWith({{"H:", kMedia}, {"O:", R"(\\nas\%SHARE%)"}});
  app.Drive("H:").State = dsDisconnected;  // the user disconnected it

  app.engine.ConnectDrives(false, "");  // keep-alive
  EXPECT_EQ(pc.MappingOf('H'), "");
  EXPECT_EQ(app.Drive("H:").State, dsDisconnected);
  EXPECT_EQ(pc.MappingOf('O'), kOffice);  // expanded where it is connected
  EXPECT_EQ(app.Drive("O:").NetworkLocation, R"(\\nas\%SHARE%)");
  EXPECT_EQ(app.Drive("O:").State, dsConnected);

  const size_t callsBefore = pc.NetCalls.size();
  app.engine.ConnectDrives(true, "h:");  // lower case selects nothing
  EXPECT_EQ(pc.NetCalls.size(), callsBefore);
  EXPECT_EQ(app.Drive("H:").State, dsDisconnected);

  app.surfaces.SelectedDriveRow = 0;  // row of H:
  ASSERT_EQ(app.engine.SelectedDrive(), &app.Drive("H:"));
  app.NewMessages();
  app.engine.ActionDrivesConnectSelectedDriveExecute();
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10225) + "H:' ...", app.T(10300) + "H:'."));
  EXPECT_EQ(pc.MappingOf('H'), kMedia);
  EXPECT_EQ(app.Drive("H:").State, dsConnected);
  EXPECT_EQ(app.engine.SelectedDrive(), nullptr);  // the survey cleared the selection

  // Nothing selected: nothing happens.
  app.engine.ActionDrivesConnectSelectedDriveExecute();
  EXPECT_THAT(app.NewMessages(), IsEmpty());
}

TEST(ConnectDrivesFreeSpace, PercentRoundsHalfToEvenAndAFullDiskShowsZero) {
  struct Case {
    uint64_t freeBytes, totalBytes;
    int32_t percent;
    std::string cell;
  };
  const uint64_t k = 1ull << 56;  // free * 100 overflows 64 bits for the huge disks below
  const std::vector<Case> cases = {
      {25, 1000, 2, "2 %"},       {35, 1000, 4, "4 %"},   {26, 1000, 3, "3 %"},
      {4, 1000, 0, "0 %"},        {0, 1000, 0, "0 %"},    {1000, 1000, 100, "100 %"},
      {0, 0, -1, "-"},            {k, 200 * k, 0, "0 %"}, {3 * k, 200 * k, 2, "2 %"},
      {3 * k + 1, 200 * k, 2, "2 %"}, {199 * k, 200 * k, 100, "100 %"}, {197 * k, 200 * k, 98, "98 %"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.freeBytes) + " of " + std::to_string(c.totalBytes));
    SimMachine pc;
    SimShare& share = pc.AddShare(kMedia);
    share.FreeBytes = c.freeBytes;
    share.TotalBytes = c.totalBytes;
    TestApp app(pc);
    app.StartWith({{"H:", kMedia}});
    app.engine.ConnectDrives(true, "");
    EXPECT_EQ(app.Drive("H:").FreeSpace, c.percent);
    ASSERT_EQ(app.surfaces.DriveRows.size(), 1u);
    EXPECT_EQ(app.surfaces.DriveRows[0].Cells[4], c.cell);
  }

  SimMachine pc;
  TestApp app(pc);
  app.StartWithShares({{"H:", kMedia}});
  pc.InjectError("GetDiskFreeSpaceEx", win::ERROR_NOT_CONNECTED, 'H');
  app.engine.ConnectDrives(true, "");
  EXPECT_EQ(app.Drive("H:").State, dsConnected);
  EXPECT_EQ(app.Drive("H:").FreeSpace, -1);
  EXPECT_EQ(app.surfaces.DriveRows[0].Cells[4], "-");
}

TEST_F(ConnectDrivesRobustness, AnUnexpectedFailureIsReportedAndTheRunGoesOn) {
  app.StartWithShares({{"H:", kMedia}, {"O:", kOffice}});
  ThrowingNetwork network(pc.platform().network, "AddConnection2", "H:");
  Platform faulty = WithNetwork(pc.platform(), network);
  TEngine engine(faulty, app.configuration, app.language, app.surfaces);
  app.NewMessages();

  engine.ConnectDrives(true, "");

  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10302) + "H:'.", app.T(10300) + "O:'."));
  EXPECT_EQ(app.Drive("H:").State, dsError);
  EXPECT_EQ(app.Drive("O:").State, dsConnected);
  EXPECT_TRUE(engine.CurrentConnectionError);
  EXPECT_EQ(engine.NrOfDrivesInError, 1);
  EXPECT_FALSE(pc.BusyCursor());
}

TEST_F(ConnectDrivesRobustness, NestedRunsWhileEventsAreProcessed) {
  app.StartWithShares({{"H:", kMedia}, {"O:", kOffice}});
  bool busyDuringRun = false;
  int nested = 0;
  pc.OnProcessMessages = [&] {
    busyDuringRun = busyDuringRun || pc.BusyCursor();
    // A keep-alive run arrives while the user's run is between drives.
    if (nested++ == 0) app.engine.ConnectDrives(false, "");
  };
  app.NewMessages();

  app.engine.ActionDrivesConnectDrivesExecute();
  pc.OnProcessMessages = nullptr;

  EXPECT_TRUE(busyDuringRun);
  EXPECT_FALSE(pc.BusyCursor());
  EXPECT_EQ(app.Drive("H:").State, dsConnected);
  EXPECT_EQ(app.Drive("O:").State, dsConnected);
  EXPECT_EQ(app.engine.NrOfDrivesConnected, 2);
  EXPECT_EQ(app.surfaces.DriveRows.size(), 2u);
  // Each drive is connected once and reported once; the second look finds it connected.
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10226), app.T(10300) + "H:'.", app.T(10300) + "O:'."));
}

// ---- Stored passwords across runs of the program ----

namespace {

const std::string kTrueCryptExe = R"(C:\Program Files\TrueCrypt\TrueCrypt.exe)";
// On a server of its own: Windows refuses a second user name for a server already connected.
const std::string kCorp = R"(\\corp\projects)";

void AddSafe(TNetworkDriveItem& drive, const std::string& volume, const std::string& password) {
  auto item = std::make_unique<TTrueCryptVolumeItem>();
  item->Drive = "T:";
  item->Volume = volume;
  item->Password = password;
  drive.TrueCryptVolumesList.push_back(std::move(item));
}

int CountOf(const std::vector<std::string>& texts, const std::string& text) {
  return static_cast<int>(std::count(texts.begin(), texts.end(), text));
}

}  // namespace

TEST(StoredPasswordsAcrossRuns, StoredThenRestartedTheDriveConnectsAndTheVolumeGetsItsPassword) {
  SimMachine pc;
  SimShare& media = pc.AddShare(kMedia);
  media.RequiredUser = "bob";
  media.RequiredPassword = "s3cret \"x\"";
  pc.WriteFile(kTrueCryptExe, "");
  const std::string volumePassword = R"(va"ult\ pw)";
  {
    TestApp first(pc);
    first.StartWith({{"H:", kMedia, "bob", media.RequiredPassword}});
    AddSafe(first.Drive("H:"), R"(H:\safe.tc)", volumePassword);
    first.configuration.Prefs.TrueCryptProgramLocation = kTrueCryptExe;
    first.configuration.Prefs.DelayVolumeMount = 0;
    first.configuration.SaveConfiguration();
  }
  const std::string saved = pc.FileBytes(ConfigurationFileName(pc.platform()));
  for (const std::string& password : {media.RequiredPassword, volumePassword}) {
    EXPECT_EQ(saved.find(password), std::string::npos) << password;
    EXPECT_EQ(saved.find(ScramblePassword(password)), std::string::npos) << password;
  }

  TestApp second(pc);
  second.Start();
  second.engine.ConnectDrives(false, "");

  EXPECT_EQ(pc.MappingOf('H'), kMedia);
  const auto adds = CallsOf(pc, "AddConnection2", "H:");
  ASSERT_EQ(adds.size(), 1u);
  EXPECT_EQ(adds[0].Password, media.RequiredPassword);
  ASSERT_EQ(pc.Starts.size(), 2u);  // dismount, then mount
  EXPECT_EQ(pc.Starts[1].Parameters, R"(/v "H:\safe.tc" /l T: /p "va\"ult\ pw" /q background /f /s)");
}

TEST(StoredPasswordsAcrossRuns, AnOldFileIsRewrittenProtectedAndDeploymentPasswordsStayScrambled) {
  SimMachine pc;
  SimShare& media = pc.AddShare(kMedia);
  media.RequiredUser = "bob";
  media.RequiredPassword = "old pw";
  SimShare& office = pc.AddShare(kCorp);
  office.RequiredUser = "corp";
  office.RequiredPassword = "corp pw";
  const std::string ini = ConfigurationFileName(pc.platform());
  pc.WriteFile(ini, "[NetworkDrive_H:]\r\nNetworkLocation=\\\\nas\\media\r\nUsername=bob\r\nPassword=" +
                        ScramblePassword("old pw") + "\r\n");
  const std::string deployment = "[NetworkDrive_O:]\r\nNetworkLocation=\\\\corp\\projects\r\nUsername=corp\r\n"
                                 "Password=" + ScramblePassword("corp pw") + "\r\n";
  pc.WriteFile(DeploymentFileName(pc.platform()), deployment);

  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    TestApp app(pc);
    app.Start();
    app.engine.ConnectDrives(false, "");
    EXPECT_EQ(app.Drive("H:").State, dsConnected);
    EXPECT_EQ(CallsOf(pc, "AddConnection2", "H:").back().Password, "old pw");
    EXPECT_TRUE(app.Drive("O:").DeploymentDrive);
    EXPECT_EQ(app.Drive("O:").State, dsConnected);
    EXPECT_EQ(CallsOf(pc, "AddConnection2", "O:").back().Password, "corp pw");

    app.configuration.SaveConfiguration();
    const std::string saved = pc.FileBytes(ini);
    EXPECT_NE(saved.find("Username=bob\r\nPassword=!protected:"), std::string::npos);
    EXPECT_EQ(saved.find(ScramblePassword("old pw")), std::string::npos);
    EXPECT_EQ(saved.find("NetworkDrive_O:"), std::string::npos);
    EXPECT_EQ(pc.FileBytes(DeploymentFileName(pc.platform())), deployment);
    app.engine.DisconnectDrives(true, "");  // the next run maps the letters anew
  }
}

TEST(StoredPasswordsAcrossRuns, ACopyOnAnotherAccountSaysSoOncePerStartAndKeepsTheValues) {
  SimMachine pc;
  SimShare& media = pc.AddShare(kMedia);
  media.RequiredUser = "bob";
  media.RequiredPassword = "secret";
  pc.AddShare(kCorp);
  pc.WriteFile(kTrueCryptExe, "");
  const std::string ini = ConfigurationFileName(pc.platform());
  std::string hStored, safeStored;
  {
    TestApp first(pc);
    first.StartWith({{"H:", kMedia, "bob", "secret"}, {"O:", kCorp}});
    AddSafe(first.Drive("O:"), R"(O:\safe.tc)", "vault");
    first.configuration.Prefs.TrueCryptProgramLocation = kTrueCryptExe;
    first.configuration.Prefs.DelayVolumeMount = 0;
    first.configuration.SaveConfiguration();
    hStored = first.configuration.IniFile->ReadWholeString("NetworkDrive_H:", "Password");
    safeStored = first.configuration.IniFile->ReadWholeString("NetworkDrive_O:", "TrueCryptVolumePassword_0");
  }
  // The file now belongs to a profile that was reset: the same user, a new logon.
  pc.SetAccount("LAPTOP\\alice");

  TestApp app(pc);
  app.Start();
  EXPECT_EQ(app.Drive("H:").Username, "bob");
  EXPECT_EQ(app.Drive("H:").Password, "");
  EXPECT_EQ(app.Drive("O:").TrueCryptVolumesList.at(0)->Password, "");
  app.engine.UpdateDriveStatus();
  app.NewMessages();
  app.engine.ConnectDrives(false, "");
  const std::string hLine = app.T(10813) + "H:'.";
  const std::string oLine = app.T(10813) + "O:'.";
  const std::vector<std::string> first = app.NewMessages();
  ASSERT_GE(first.size(), 4u);
  EXPECT_EQ(first[0], hLine);
  EXPECT_EQ(first[1], app.T(10302) + "H:' (\"Logon failure: unknown user name or bad password\").");
  EXPECT_EQ(first[2], oLine);
  EXPECT_EQ(first[3], app.T(10300) + "O:'.");
  EXPECT_EQ(app.ImageOf(hLine), mkWarning);
  EXPECT_EQ(CallsOf(pc, "AddConnection2", "H:").back().Password, "");  // as if none were stored
  EXPECT_EQ(pc.Starts.back().Parameters, R"(/v "O:\safe.tc" /l T: /q background)");  // TrueCrypt asks

  // The keep-alive tries H: again and again; the line is not repeated.
  {
    THeartBeatThread thread(pc.platform(), app.engine);
    pc.Advance(60000 + 3 * 10000);
  }
  EXPECT_GE(CallsOf(pc, "AddConnection2", "H:").size(), 4u);
  EXPECT_EQ(CountOf(app.MessageTexts(), hLine), 1);
  EXPECT_EQ(CountOf(app.MessageTexts(), oLine), 1);

  // A save keeps what this account cannot read, until the user stores a new password.
  app.configuration.SaveConfiguration();
  TIniFile file(pc.platform(), ini);
  ASSERT_TRUE(file.Load());
  EXPECT_EQ(file.ReadWholeString("NetworkDrive_H:", "Password"), hStored);
  EXPECT_EQ(file.ReadWholeString("NetworkDrive_O:", "TrueCryptVolumePassword_0"), safeStored);
  app.Drive("H:").Password = "secret";
  app.configuration.SaveConfiguration();
  app.Drive("H:").Password = "";  // cleared again later: the unreadable value is gone for good
  app.configuration.SaveConfiguration();
  ASSERT_TRUE(file.Load());
  EXPECT_EQ(file.ReadWholeString("NetworkDrive_H:", "Password"), "");
  EXPECT_EQ(file.ReadWholeString("NetworkDrive_O:", "TrueCryptVolumePassword_0"), safeStored);

  // The next start says it again, once, for what is still unreadable.
  app.Drive("H:").Password = "secret";
  app.configuration.SaveConfiguration();
  TestApp next(pc);
  next.Start();
  EXPECT_EQ(next.Drive("H:").Password, "secret");
  next.engine.ConnectDrives(false, "");
  next.engine.ConnectDrives(true, "");
  EXPECT_EQ(CountOf(next.MessageTexts(), hLine), 0);
  EXPECT_EQ(CountOf(next.MessageTexts(), oLine), 1);
  EXPECT_EQ(next.Drive("H:").State, dsConnected);
}

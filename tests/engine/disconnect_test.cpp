// Disconnecting and removing drives, and cancelling mappings made by others, as a user
// sees it in the message list, the drive list and the configuration file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestApp.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {
struct DisconnectDrivesScenario : ::testing::Test, TestMachine {};
struct DisconnectSelectedDriveScenario : ::testing::Test, TestMachine {};
struct DisconnectAllDrivesScenario : ::testing::Test, TestMachine {};
struct RemoveNetworkDriveScenario : ::testing::Test, TestMachine {};
struct RemoveAllNetworkDrivesScenario : ::testing::Test, TestMachine {};
struct DisconnectForeignDrivesScenario : ::testing::Test, TestMachine {};
}  // namespace

TEST_F(DisconnectDrivesScenario, EachCancelOutcomeSetsStateAndLine) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}, {"M:", kPhotos}, {"N:", kMusic}, {"P:", kBackup}});
  for (const char* drive : {"H:", "M:", "N:", "P:"}) app.engine.ConnectDrives(true, drive);  // K: stays unmapped
  pc.SetOpenFiles('M', true);
  pc.SetDeviceInUse('N', true);
  pc.InjectError("CancelConnection2", 1232, 'P');
  app.Drive("K:").State = dsError;  // a drive in error is cancelled as well
  app.engine.CurrentConnectionError = true;
  app.NewMessages();

  const bool result = app.engine.DisconnectDrives(false, "");

  EXPECT_FALSE(result);
  EXPECT_THAT(app.NewMessages(),
              ElementsAre(app.T(10301) + "H:'.",
                          app.T(10303) + "M:' (\"This network connection has files open or requests pending\").",
                          app.T(10303) +
                              "N:' (\"The device is in use by an active process and cannot be disconnected\").",
                          app.T(10303) + "P:' (Error nr 1232)."));
  EXPECT_EQ(app.ImageOf(app.T(10301) + "H:'."), mkInformation);
  EXPECT_EQ(app.ImageOf(app.T(10303) + "M:' (\"This network connection has files open or requests pending\")."),
            mkWarning);
  EXPECT_EQ(app.ImageOf(app.T(10303) + "P:' (Error nr 1232)."), mkError);

  EXPECT_EQ(app.Drive("H:").State, dsDisconnected);
  EXPECT_EQ(app.Drive("H:").RealLocation, app.T(10034));
  EXPECT_EQ(app.Drive("H:").FreeSpace, -1);
  EXPECT_EQ(pc.MappingOf('H'), "");
  EXPECT_EQ(app.Drive("K:").State, dsDisconnected);  // 2250: quietly disconnected
  EXPECT_EQ(app.Drive("K:").RealLocation, app.T(10034));
  EXPECT_EQ(app.Drive("M:").State, dsConnected);  // files open: still connected
  EXPECT_EQ(app.Drive("M:").RealLocation, kPhotos);
  EXPECT_EQ(pc.MappingOf('M'), kPhotos);
  EXPECT_EQ(app.Drive("N:").State, dsConnected);
  EXPECT_EQ(app.Drive("P:").State, dsError);
  EXPECT_TRUE(app.engine.CurrentConnectionError);  // a disconnect never touches it
  EXPECT_EQ(app.engine.NrOfDrivesDisconnected, 2);
  EXPECT_EQ(app.engine.NrOfDrivesInError, 1);
  EXPECT_FALSE(pc.BusyCursor());

  for (const SimNetCall& call : CallsOf(pc, "CancelConnection2")) {
    EXPECT_EQ(call.Flags, win::CONNECT_UPDATE_PROFILE);
    EXPECT_FALSE(call.Force);
  }
}

TEST_F(DisconnectDrivesScenario, CleanDisconnectReturnsTrueAndLeavesOthersAlone) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}});
  app.engine.ConnectDrives(true, "");
  app.NewMessages();

  EXPECT_TRUE(app.engine.DisconnectDrives(false, "h:"));  // lower case selects nothing
  EXPECT_TRUE(app.engine.DisconnectDrives(false, "K:"));

  EXPECT_EQ(pc.MappingOf('H'), kMedia);
  EXPECT_EQ(app.Drive("H:").State, dsConnected);
  EXPECT_EQ(app.Drive("K:").State, dsDisconnected);
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10301) + "K:'."));
}

TEST_F(DisconnectSelectedDriveScenario, OpenFilesKeepTheDriveUnlessForcedDisconnectIsOn) {
  app.StartWithShares({{"H:", kMedia}});
  app.engine.ConnectDrives(true, "");
  pc.SetOpenFiles('H', true);
  app.NewMessages();

  app.surfaces.SelectedDriveRow = -1;
  app.engine.ActionDrivesDisconnectSelectedDriveExecute();  // nothing selected: nothing happens
  EXPECT_THAT(app.NewMessages(), IsEmpty());

  app.Select("H:");
  app.engine.ActionDrivesDisconnectSelectedDriveExecute();
  EXPECT_THAT(app.NewMessages(),
              ElementsAre(app.T(10227) + "H:' ...",
                          app.T(10303) + "H:' (\"This network connection has files open or requests pending\")."));
  EXPECT_EQ(app.surfaces.Messages[0].ImageIndex, mkWarning);
  EXPECT_EQ(app.Drive("H:").State, dsConnected);
  EXPECT_EQ(pc.MappingOf('H'), kMedia);

  app.configuration.Prefs.UseForcedDisconnect = true;
  app.Select("H:");
  app.engine.ActionDrivesDisconnectSelectedDriveExecute();
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10227) + "H:' ...", app.T(10301) + "H:'."));
  EXPECT_EQ(app.Drive("H:").State, dsDisconnected);
  EXPECT_EQ(pc.MappingOf('H'), "");
}

TEST_F(DisconnectAllDrivesScenario, AnnouncesThenDisconnectsEveryDrive) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}});
  app.engine.ConnectDrives(true, "");
  app.NewMessages();

  app.engine.ActionDrivesDisconnectDrivesExecute();

  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10228), app.T(10301) + "H:'.", app.T(10301) + "K:'."));
  EXPECT_EQ(pc.MappingOf('H'), "");
  EXPECT_EQ(pc.MappingOf('K'), "");
  EXPECT_EQ(app.engine.NrOfDrivesDisconnected, 2);
  EXPECT_EQ(app.surfaces.TrayPicture, kImageDisconnected);
}

TEST_F(RemoveNetworkDriveScenario, ForcedCancelRemovesEvenWithOpenFilesAndSavesAtOnce) {
  app.StartWithShares({{"H:", kMedia, "bob", "secret", "Media"}, {"K:", kOffice}});
  app.engine.ConnectDrives(true, "");
  app.configuration.SaveConfiguration();
  const std::string file = ConfigurationFileName(pc.platform());
  ASSERT_THAT(pc.FileBytes(file), HasSubstr("[NetworkDrive_H:]"));
  pc.SetOpenFiles('H', true);

  // No: nothing changes.
  app.Select("H:");
  pc.AnswerNext(win::IDNO);
  app.engine.ActionDrivesRemoveNetworkDriveExecute();
  ASSERT_EQ(pc.MessageBoxes.size(), 1u);
  EXPECT_EQ(pc.MessageBoxes[0].Text, app.T(10466) + "H:' ?");
  EXPECT_EQ(pc.MessageBoxes[0].Caption, "Quillbay");
  EXPECT_EQ(pc.MessageBoxes[0].Kind, MessageBoxKind::Question);
  EXPECT_TRUE(app.Drive("H:").QbyControl);
  EXPECT_EQ(pc.MappingOf('H'), kMedia);

  // Yes: the forced cancel releases the letter despite the open files.
  app.Select("H:");
  pc.AnswerNext(win::IDYES);
  app.engine.ActionDrivesRemoveNetworkDriveExecute();
  EXPECT_EQ(pc.MappingOf('H'), "");
  const TNetworkDriveItem& h = app.Drive("H:");
  EXPECT_FALSE(h.QbyControl);
  EXPECT_EQ(h.NetworkLocation, "");
  EXPECT_EQ(h.Username, "");
  EXPECT_EQ(h.Password, "");
  EXPECT_EQ(h.State, dsUnknown);
  EXPECT_TRUE(app.Drive("K:").QbyControl);
  EXPECT_EQ(pc.MappingOf('K'), kOffice);
  ASSERT_EQ(app.surfaces.DriveRows.size(), 1u);
  EXPECT_EQ(app.surfaces.DriveRows[0].Cells[0], "K:");
  EXPECT_THAT(pc.FileBytes(file), Not(HasSubstr("[NetworkDrive_H:]")));
  EXPECT_THAT(pc.FileBytes(file), HasSubstr("[NetworkDrive_K:]"));
}

TEST_F(RemoveNetworkDriveScenario, BlockedOnlyWhenEvenTheForcedCancelFails) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}});
  app.engine.ConnectDrives(true, "");
  pc.InjectError("CancelConnection2", win::ERROR_ACCESS_DENIED, 'H', -1);
  app.engine.UpdateDriveStatus();
  app.NewMessages();

  pc.AnswerNext(win::IDYES);
  app.engine.AMDrivesRemoveAllNetworkDrivesExecute();

  ASSERT_EQ(pc.MessageBoxes.size(), 1u);
  EXPECT_EQ(pc.MessageBoxes[0].Text, app.T(10467) + " ?");
  EXPECT_EQ(pc.MessageBoxes[0].Kind, MessageBoxKind::Question);
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10303) + "H:' (Error nr 5).", app.T(10301) + "K:'."));
  EXPECT_TRUE(app.Drive("H:").QbyControl);
  EXPECT_EQ(app.Drive("H:").State, dsError);
  EXPECT_FALSE(app.Drive("K:").QbyControl);
  for (const SimNetCall& call : CallsOf(pc, "CancelConnection2")) EXPECT_TRUE(call.Force);
  const std::string bytes = pc.FileBytes(ConfigurationFileName(pc.platform()));
  EXPECT_THAT(bytes, HasSubstr("[NetworkDrive_H:]"));
  EXPECT_THAT(bytes, Not(HasSubstr("[NetworkDrive_K:]")));
}

TEST_F(RemoveAllNetworkDrivesScenario, EmptiesListAndFile) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}});
  app.engine.ConnectDrives(true, "");
  app.configuration.SaveConfiguration();

  pc.AnswerNext(win::IDNO);
  app.engine.AMDrivesRemoveAllNetworkDrivesExecute();
  EXPECT_TRUE(app.Drive("H:").QbyControl);
  EXPECT_EQ(pc.MappingOf('K'), kOffice);

  pc.AnswerNext(win::IDYES);
  app.engine.AMDrivesRemoveAllNetworkDrivesExecute();
  EXPECT_THAT(app.surfaces.DriveRows, IsEmpty());
  EXPECT_EQ(app.engine.NrOfDrivesUnderQBYControl, 0);
  EXPECT_EQ(pc.MappingOf('H'), "");
  EXPECT_EQ(pc.MappingOf('K'), "");
  EXPECT_THAT(pc.FileBytes(ConfigurationFileName(pc.platform())), Not(HasSubstr("[NetworkDrive_")));
  EXPECT_FALSE(pc.BusyCursor());
}

TEST_F(RemoveAllNetworkDrivesScenario, NothingUnderControlOnlyTellsSo) {
  app.StartWith({});
  app.engine.UpdateDriveStatus();
  app.NewMessages();
  const int writes = pc.ReplaceCount;

  app.engine.AMDrivesRemoveAllNetworkDrivesExecute();

  ASSERT_EQ(pc.MessageBoxes.size(), 1u);
  EXPECT_EQ(pc.MessageBoxes[0].Text, app.T(10304));
  EXPECT_EQ(pc.MessageBoxes[0].Kind, MessageBoxKind::Information);
  EXPECT_THAT(app.NewMessages(), IsEmpty());
  EXPECT_EQ(pc.ReplaceCount, writes);
}

TEST_F(RemoveAllNetworkDrivesScenario, FileThatCannotBeWrittenIsReportedNotSwallowed) {
  app.StartWithShares({{"H:", kMedia}});
  app.engine.ConnectDrives(true, "");
  app.configuration.SaveConfiguration();
  const std::string before = pc.FileBytes(ConfigurationFileName(pc.platform()));
  pc.FailWrites(true);

  app.engine.RemoveDrives("");

  ASSERT_EQ(pc.MessageBoxes.size(), 1u);
  EXPECT_EQ(pc.MessageBoxes[0].Kind, MessageBoxKind::Error);
  EXPECT_THAT(pc.MessageBoxes[0].Text, HasSubstr("Quillbay.ini"));
  EXPECT_EQ(pc.FileBytes(ConfigurationFileName(pc.platform())), before);
  EXPECT_FALSE(app.Drive("H:").QbyControl);
}

TEST_F(DisconnectForeignDrivesScenario, CancelsOnlyLettersNotUnderControl) {
  pc.AddShare(kMedia);
  pc.AddShare(kOffice);
  app.StartWith({{"H:", kMedia}});
  pc.MapFromOutside('H', kPhotos);  // under control, though mapped elsewhere
  pc.MapFromOutside('X', kOffice);
  pc.MapFromOutside('Y', kMusic);
  app.NewMessages();

  app.engine.DisconnectForeignDrives(true);

  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10229) + "X:' ...", app.T(10229) + "Y:' ..."));
  EXPECT_EQ(pc.MappingOf('X'), "");
  EXPECT_EQ(pc.MappingOf('Y'), "");
  EXPECT_EQ(pc.MappingOf('H'), kPhotos);
  for (const SimNetCall& call : CallsOf(pc, "CancelConnection2")) {
    EXPECT_NE(call.LocalName, "H:");
    EXPECT_TRUE(call.Force);
    EXPECT_EQ(call.Flags, win::CONNECT_UPDATE_PROFILE);
  }
  EXPECT_EQ(app.Drive("X:").State, dsUnknown);
  EXPECT_TRUE(app.surfaces.DriveRows.empty());  // no survey runs
}

TEST_F(DisconnectForeignDrivesScenario, FailuresAreSilent) {
  pc.AddShare(kOffice);
  app.StartWith({});
  pc.MapFromOutside('X', kOffice);
  pc.SetOpenFiles('X', true);
  app.NewMessages();

  app.engine.DisconnectForeignDrives(false);

  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10229) + "X:' ..."));
  EXPECT_EQ(pc.MappingOf('X'), kOffice);
  EXPECT_TRUE(pc.MessageBoxes.empty());
}


TEST_F(RemoveNetworkDriveScenario, UnexpectedCancelFailureKeepsTheDriveConfigured) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}});
  app.engine.ConnectDrives(true, "");
  ThrowingNetwork network(pc.platform().network, "CancelConnection2", "H:");
  Platform platform = WithNetwork(pc.platform(), network);
  TEngine engine(platform, app.configuration, app.language, app.surfaces);
  app.NewMessages();

  engine.RemoveDrives("");

  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10303) + "H:'.", app.T(10301) + "K:'."));
  EXPECT_EQ(app.ImageOf(app.T(10303) + "H:'."), mkError);
  EXPECT_TRUE(app.Drive("H:").QbyControl);  // its letter may still be mapped: not released
  EXPECT_EQ(pc.MappingOf('H'), kMedia);
  EXPECT_FALSE(app.Drive("K:").QbyControl);
  EXPECT_FALSE(pc.BusyCursor());
}

TEST_F(RemoveNetworkDriveScenario, AFailureThatIsNoStdExceptionIsHandledAlike) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}});
  app.engine.ConnectDrives(true, "");
  ThrowingNetwork network(pc.platform().network, "CancelConnection2", "H:", true);
  Platform platform = WithNetwork(pc.platform(), network);
  TEngine engine(platform, app.configuration, app.language, app.surfaces);
  app.NewMessages();

  engine.RemoveDrives("");

  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10303) + "H:'.", app.T(10301) + "K:'."));
  EXPECT_TRUE(app.Drive("H:").QbyControl);
  EXPECT_FALSE(app.Drive("K:").QbyControl);
  EXPECT_FALSE(pc.BusyCursor());

  // Cancelling others' mappings goes on past such a failure, silently.
  pc.AddShare(kMusic);
  pc.MapFromOutside('X', kMusic);
  pc.MapFromOutside('Y', kOffice);
  ThrowingNetwork foreign(pc.platform().network, "CancelConnection2", "X:", true);
  Platform foreignPlatform = WithNetwork(pc.platform(), foreign);
  TEngine foreignEngine(foreignPlatform, app.configuration, app.language, app.surfaces);
  app.NewMessages();
  foreignEngine.DisconnectForeignDrives(true);
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10229) + "X:' ...", app.T(10229) + "Y:' ..."));
  EXPECT_EQ(pc.MappingOf('X'), kMusic);
  EXPECT_EQ(pc.MappingOf('Y'), "");
  EXPECT_TRUE(pc.MessageBoxes.empty());
}

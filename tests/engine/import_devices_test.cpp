// Importing mappings made by others, the notification of a vanished network volume, and
// the letters offered by the drive properties dialog.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ImportAndDevices.h"
#include "support/TestApp.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

DeviceChange NetworkVolumeRemoved(char letter) {
  DeviceChange change;
  change.Event = win::DBT_DEVICEREMOVECOMPLETE;
  change.DeviceType = win::DBT_DEVTYP_VOLUME;
  change.UnitMask = 1u << (letter - 'A');
  change.Flags = win::DBTF_NET;
  return change;
}

struct ImportNetworkDrivesScenario : ::testing::Test, TestMachine {};
struct DeviceChangeScenario : ::testing::Test, TestMachine {};
struct FillDriveListScenario : ::testing::Test, TestMachine {};

}  // namespace

TEST_F(ImportNetworkDrivesScenario, NoChangesNothingAndYesTakesForeignMappingsUnderControl) {
  pc.AddShare(kMedia);
  pc.AddShare(kOffice);
  app.StartWith({});
  pc.MapFromOutside('H', kMedia);
  pc.MapFromOutside('K', kOffice);
  const size_t callsBefore = pc.NetCalls.size();
  app.NewMessages();

  pc.AnswerNext(win::IDNO);
  app.engine.ImportNetworkDrives(false);
  EXPECT_EQ(pc.MessageBoxes.size(), 1u);
  EXPECT_FALSE(app.Drive("H:").QbyControl);
  EXPECT_EQ(pc.MappingOf('H'), kMedia);
  EXPECT_THAT(app.NewMessages(), IsEmpty());
  for (size_t i = callsBefore; i < pc.NetCalls.size(); ++i) EXPECT_EQ(pc.NetCalls[i].Call, "GetUniversalName");

  pc.AnswerNext(win::IDYES);
  app.engine.ImportNetworkDrives(false);

  ASSERT_EQ(pc.MessageBoxes.size(), 2u);
  for (const SimMessageBox& box : pc.MessageBoxes) {
    EXPECT_EQ(box.Text, app.T(10750) + "\r\n\r\nH:  " + kMedia + "\r\nK:  " + kOffice + "\r\n\r\n" + app.T(10751));
    EXPECT_EQ(box.Caption, "Quillbay");
    EXPECT_EQ(box.Kind, MessageBoxKind::Question);
  }
  EXPECT_EQ(app.engine.NrOfForeignNetworkDrives, 2);

  for (const char* drive : {"H:", "K:"}) {
    SCOPED_TRACE(drive);
    const TNetworkDriveItem& item = app.Drive(drive);
    EXPECT_TRUE(item.QbyControl);
    EXPECT_EQ(item.State, dsConnected);
    EXPECT_EQ(item.Username, "");
    EXPECT_EQ(item.NetworkName, "");
    // Remapped by the program itself: a forced cancel, then its own connection.
    EXPECT_EQ(CountCalls(pc, "CancelConnection2", drive), 1);
    EXPECT_EQ(CountCalls(pc, "AddConnection2", drive), 1);
  }
  EXPECT_EQ(app.Drive("H:").NetworkLocation, kMedia);
  EXPECT_EQ(app.Drive("K:").NetworkLocation, kOffice);
  EXPECT_EQ(pc.MappingOf('H'), kMedia);
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10301) + "H:'.", app.T(10300) + "H:'.", app.T(10301) + "K:'.",
                                             app.T(10300) + "K:'."));
  EXPECT_EQ(app.engine.NrOfDrivesUnderQBYControl, 2);

  // Nothing is left to import afterwards.
  app.engine.ImportNetworkDrives(false);
  EXPECT_EQ(pc.MessageBoxes.back().Text, app.T(10753));
}

TEST_F(ImportNetworkDrivesScenario, NothingFoundIsToldUnlessSilent) {
  app.StartWithShares({{"H:", kMedia}});
  app.engine.ConnectDrives(true, "");  // under control: not foreign
  pc.SetLocalDrive('E', win::DRIVE_REMOVABLE);

  app.engine.ImportNetworkDrives(true);
  EXPECT_TRUE(pc.MessageBoxes.empty());

  app.engine.ImportNetworkDrives(false);
  ASSERT_EQ(pc.MessageBoxes.size(), 1u);
  EXPECT_EQ(pc.MessageBoxes[0].Text, app.T(10753));
  EXPECT_EQ(pc.MessageBoxes[0].Kind, MessageBoxKind::Information);
  EXPECT_EQ(app.engine.NrOfForeignNetworkDrives, 0);
}

TEST_F(ImportNetworkDrivesScenario, ALetterThatFailsOddlyDoesNotStopTheScan) {
  pc.AddShare(kMedia);
  pc.AddShare(kOffice);
  app.StartWith({});
  pc.MapFromOutside('H', kMedia);
  pc.MapFromOutside('K', kOffice);
  ThrowingNetwork network(pc.platform().network, "GetUniversalName", "H:", true);
  Platform platform = WithNetwork(pc.platform(), network);
  TEngine engine(platform, app.configuration, app.language, app.surfaces);

  pc.AnswerNext(win::IDYES);
  engine.ImportNetworkDrives(false);

  ASSERT_EQ(pc.MessageBoxes.size(), 1u);
  EXPECT_EQ(pc.MessageBoxes[0].Text, app.T(10750) + "\r\n\r\nK:  " + kOffice + "\r\n\r\n" + app.T(10751));
  EXPECT_FALSE(app.Drive("H:").QbyControl);
  EXPECT_TRUE(app.Drive("K:").QbyControl);
}

TEST_F(ImportNetworkDrivesScenario, LetterWithoutRecordIsNeitherListedNorImported) {
  pc.AddShare(kMedia);
  pc.AddShare(kOffice);
  pc.SetLocalDrive('E', win::DRIVE_FIXED);  // a local disk when the configuration loads
  app.StartWith({});
  pc.SetLocalDrive('E', win::DRIVE_NO_ROOT_DIR);
  pc.MapFromOutside('E', kOffice);
  pc.MapFromOutside('H', kMedia);
  pc.SetStaleRemoteDrive('J');  // remote type, but no universal name

  pc.AnswerNext(win::IDYES);
  app.engine.ImportNetworkDrives(false);

  ASSERT_EQ(pc.MessageBoxes.size(), 1u);
  EXPECT_EQ(pc.MessageBoxes[0].Text, app.T(10750) + "\r\n\r\nH:  " + kMedia + "\r\n\r\n" + app.T(10751));
  EXPECT_EQ(app.engine.NrOfForeignNetworkDrives, 1);
  EXPECT_EQ(pc.MappingOf('E'), kOffice);
  EXPECT_EQ(app.configuration.NetworkDrives.FindDrive("E:"), nullptr);
  EXPECT_FALSE(app.Drive("J:").QbyControl);
}

TEST_F(DeviceChangeScenario, VanishedNetworkDriveIsReconnectedAtOnce) {
  app.StartWithShares({{"H:", kMedia}});
  pc.SetDeviceChangeHandler([&](const DeviceChange& change) { app.engine.WMDeviceChange(change); });
  app.engine.ConnectDrives(false, "");
  app.NewMessages();

  pc.VanishVolume('H');

  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10022) + "'H:" + app.T(10311), app.T(10300) + "H:'."));
  EXPECT_EQ(app.surfaces.Messages[1].ImageIndex, mkWarning);
  EXPECT_EQ(pc.MappingOf('H'), kMedia);
  EXPECT_EQ(app.Drive("H:").State, dsConnected);
}

TEST_F(DeviceChangeScenario, DriveMappedElsewhereIsTakenBack) {
  pc.AddShare(kMedia);
  pc.AddShare(kPhotos);
  app.StartWith({{"H:", kMedia}});
  app.engine.ConnectDrives(false, "");
  app.NewMessages();

  // The same location in other letter case: only the current location is noted.
  pc.MapFromOutside('H', R"(\\NAS\MEDIA)");
  app.engine.WMDeviceChange(NetworkVolumeRemoved('H'));
  EXPECT_THAT(app.NewMessages(), IsEmpty());
  EXPECT_EQ(app.Drive("H:").RealLocation, R"(\\NAS\MEDIA)");

  pc.MapFromOutside('H', kPhotos);
  app.engine.WMDeviceChange(NetworkVolumeRemoved('H'));
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10022) + "'H:" + app.T(10311), app.T(10229) + "H:' ...",
                                             app.T(10300) + "H:'."));
  EXPECT_EQ(pc.MappingOf('H'), kMedia);
}

TEST_F(DeviceChangeScenario, OtherNotificationsAndDrivesAreLeftAlone) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}});
  app.engine.ConnectDrives(false, "");
  app.engine.DisconnectDrives(false, "K:");  // disconnected by the program itself
  pc.SetDeviceChangeHandler([&](const DeviceChange& change) { app.engine.WMDeviceChange(change); });
  app.NewMessages();

  pc.VanishVolume('K');
  EXPECT_THAT(app.NewMessages(), IsEmpty());
  EXPECT_EQ(pc.MappingOf('K'), "");

  // H: is gone for good now, yet none of these notices is about it: a USB stick going
  // away, an arrival, a volume notice with both flags, another device type, an empty mask.
  pc.InjectError("GetUniversalName", win::ERROR_NOT_CONNECTED, 'H', -1);
  DeviceChange usb = NetworkVolumeRemoved('H');
  usb.Flags = win::DBTF_MEDIA;
  DeviceChange usbPlain = NetworkVolumeRemoved('H');
  usbPlain.Flags = 0;
  DeviceChange arrival = NetworkVolumeRemoved('H');
  arrival.Event = win::DBT_DEVICEARRIVAL;
  DeviceChange both = NetworkVolumeRemoved('H');
  both.Flags = win::DBTF_NET | win::DBTF_MEDIA;
  DeviceChange port = NetworkVolumeRemoved('H');
  port.DeviceType = 3;
  DeviceChange empty = NetworkVolumeRemoved('H');
  empty.UnitMask = 0;
  for (const DeviceChange& change : {usb, usbPlain, arrival, both, port, empty}) app.engine.WMDeviceChange(change);
  EXPECT_THAT(app.NewMessages(), IsEmpty());

  // Only the lowest letter of a mask counts: A: has no drive under control.
  DeviceChange several = NetworkVolumeRemoved('H');
  several.UnitMask |= 1u;
  app.engine.WMDeviceChange(several);
  EXPECT_THAT(app.NewMessages(), IsEmpty());
}

TEST_F(DeviceChangeScenario, LetterFromMaskIsTheLowestBit) {
  EXPECT_EQ(DriveLetterFromMask(1u), 'A');
  EXPECT_EQ(DriveLetterFromMask(1u << 7), 'H');
  EXPECT_EQ(DriveLetterFromMask((1u << 25) | (1u << 10)), 'K');
  EXPECT_EQ(DriveLetterFromMask(1u << 25), 'Z');
  EXPECT_EQ(DriveLetterFromMask(0), 0);
  EXPECT_EQ(DriveLetterFromMask(1u << 30), 0);
}

TEST_F(FillDriveListScenario, AllFreeLettersOfferedFromZDown) {
  pc.SetLocalDrive('D', win::DRIVE_CDROM);
  app.StartWith({});
  std::vector<std::string> list = {"stale entry"};

  app.engine.FillDriveList(list);

  EXPECT_EQ(app.engine.LastFreeDrive, "Z:");
  ASSERT_EQ(list.size(), 24u);  // A, B and E to Z
  EXPECT_EQ(list.front(), "Z:");
  EXPECT_EQ(list[1], "Y:");
  EXPECT_EQ(list[21], "E:");
  EXPECT_EQ(list[22], "B:");
  EXPECT_EQ(list.back(), "A:");
}

TEST_F(FillDriveListScenario, ConfiguredLettersShowTheirLocationAndOthersAreSkipped) {
  pc.AddShare(kMedia);
  pc.AddShare(kOffice);
  pc.SetLocalDrive('X', win::DRIVE_FIXED);  // no record
  app.StartWith({{"Z:", kMedia}, {"W:", kOffice}});
  app.engine.ConnectDrives(true, "W:");             // W: remote, under control; Z: free, under control
  pc.MapFromOutside('Y', kPhotos);                  // remote, not under control
  pc.SetLocalDrive('V', win::DRIVE_REMOVABLE);      // a stick took a letter with a record
  pc.SetLocalDrive('X', win::DRIVE_NO_ROOT_DIR);    // freed, but it has no record

  std::vector<std::string> list;
  app.engine.FillDriveList(list);

  ASSERT_GE(list.size(), 3u);
  EXPECT_EQ(list[0], "Z:  " + kMedia);
  EXPECT_EQ(list[1], "W:  " + kOffice);
  EXPECT_EQ(list[2], "U:");
  EXPECT_EQ(app.engine.LastFreeDrive, "U:");
  for (const std::string& entry : list) EXPECT_NE(entry.substr(0, 2), "C:");
}

TEST_F(FillDriveListScenario, NoFreeLetterLeavesLastFreeDriveEmpty) {
  app.StartWith({});
  for (char letter = 'A'; letter <= 'Z'; ++letter)
    if (letter != 'C') pc.MapFromOutside(letter, R"(\\nas\share)" + std::string(1, letter));
  app.engine.LastFreeDrive = "Q:";

  std::vector<std::string> list;
  app.engine.FillDriveList(list);

  EXPECT_THAT(list, IsEmpty());
  EXPECT_EQ(app.engine.LastFreeDrive, "");
}

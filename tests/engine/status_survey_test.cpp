// What the survey shows after each run: rows, counters, tray picture, summary, balloons.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/TestApp.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// On a second server, so that one server can fail alone.
const std::string kFilesOffice = R"(\\files\office)";

std::string Summary(TestApp& app, int connected, int disconnected, int inError) {
  return app.T(10222) + std::to_string(connected) + " \r\n" + app.T(10223) + std::to_string(disconnected) +
         " \r\n" + app.T(10224) + std::to_string(inError);
}

struct StatusSurveyScenario : ::testing::Test, TestMachine {};

}  // namespace

TEST_F(StatusSurveyScenario, NoDriveUnderControlShowsThreeZeros) {
  app.Start();

  app.engine.UpdateDriveStatus();

  EXPECT_THAT(app.surfaces.DriveRows, IsEmpty());
  EXPECT_EQ(app.surfaces.TrayPicture, kImageConnected);
  EXPECT_EQ(app.surfaces.StatusText, Summary(app, 0, 0, 0));
  EXPECT_EQ(app.surfaces.TrayTip, ("Quillbay\r\n" + Summary(app, 0, 0, 0)).substr(0, 127));
  EXPECT_EQ(app.engine.NrOfDrivesUnderQBYControl, 0);
  EXPECT_EQ(app.surfaces.BalloonHintMessage.ShownCount, 0);
}

TEST_F(StatusSurveyScenario, RowsAndCountersFollowTheRecords) {
  app.StartWith({{"H:", R"(\\NAS\Media)", "", "", "Films"}, {"K:", kFilesOffice}, {"M:", R"(\\x\y)"}, {"P:", R"(\\x\z)"}});
  app.Drive("H:").State = dsConnected;
  app.Drive("H:").RealLocation = R"(\\NAS\Media)";
  app.Drive("H:").FreeSpace = 0;
  app.Drive("K:").State = dsDisconnected;
  app.Drive("M:").State = dsError;
  app.Drive("M:").FreeSpace = 57;
  app.Drive("P:").State = dsUnknown;
  app.surfaces.SelectedDriveRow = 2;

  app.engine.UpdateDriveStatus();

  const auto& rows = app.surfaces.DriveRows;
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].Drive, &app.Drive("H:"));
  EXPECT_EQ(rows[0].ImageIndex, kImageConnected);
  EXPECT_THAT(rows[0].Cells, ElementsAre("H:", "Films", R"(\\nas\media)", R"(\\nas\media)", "0 %"));
  EXPECT_EQ(rows[1].ImageIndex, kImageDisconnected);
  EXPECT_EQ(rows[1].Cells[4], "-");
  EXPECT_EQ(rows[2].ImageIndex, kImageError);
  EXPECT_EQ(rows[2].Cells[4], "57 %");
  EXPECT_EQ(rows[3].ImageIndex, kImageUnknown);
  EXPECT_EQ(app.surfaces.SelectedDriveRow, -1);
  EXPECT_EQ(app.engine.NrOfDrivesConnected, 1);
  EXPECT_EQ(app.engine.NrOfDrivesDisconnected, 1);
  EXPECT_EQ(app.engine.NrOfDrivesInError, 1);
  EXPECT_EQ(app.engine.NrOfDrivesUnknown, 1);
  EXPECT_EQ(app.engine.NrOfDrivesUnderQBYControl, 4);
  EXPECT_EQ(app.surfaces.StatusText, Summary(app, 1, 1, 1));
  EXPECT_EQ(app.Drive("H:").NetworkLocation, R"(\\NAS\Media)");  // stored as typed

  // The tray picture shows the worst state; a drive leaving control drops its row.
  EXPECT_EQ(app.surfaces.TrayPicture, kImageError);
  app.Drive("M:").QbyControl = false;
  app.engine.UpdateDriveStatus();
  EXPECT_EQ(app.surfaces.TrayPicture, kImageDisconnected);
  ASSERT_EQ(app.surfaces.DriveRows.size(), 3u);
  EXPECT_EQ(app.surfaces.DriveRows[2].Cells[0], "P:");
  app.Drive("K:").State = dsConnected;
  app.engine.UpdateDriveStatus();
  EXPECT_EQ(app.surfaces.TrayPicture, kImageUnknown);
  app.Drive("P:").State = dsConnected;
  app.engine.UpdateDriveStatus();
  EXPECT_EQ(app.surfaces.TrayPicture, kImageConnected);
  EXPECT_EQ(app.surfaces.StatusText, Summary(app, 3, 0, 0));
}

TEST_F(StatusSurveyScenario, BalloonsAppearWhenErrorsAppearAndClear) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kFilesOffice}});
  TBalloonHint& balloon = app.surfaces.BalloonHintMessage;

  pc.SetServerReachable("files", false);
  app.engine.ConnectDrives(false, "");
  EXPECT_EQ(balloon.ShownCount, 1);
  EXPECT_EQ(balloon.Title, "Quillbay");
  EXPECT_EQ(balloon.Text, app.T(10307));
  EXPECT_EQ(balloon.Kind, 3);
  EXPECT_EQ(app.surfaces.TrayPicture, kImageError);

  // Failing again (the short keep-alive schedule): no second balloon.
  pc.SetServerReachable("nas", false);
  app.NewMessages();
  app.engine.ConnectDrives(false, "");
  EXPECT_EQ(balloon.ShownCount, 1);

  pc.SetServerReachable("nas", true);
  pc.SetServerReachable("files", true);
  app.NewMessages();
  app.engine.ConnectDrives(false, "");
  EXPECT_EQ(balloon.ShownCount, 2);
  EXPECT_EQ(balloon.Text, app.T(10308));
  EXPECT_EQ(balloon.Kind, 1);
  const auto lines = app.NewMessages();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), app.T(10308));
  EXPECT_EQ(app.surfaces.Messages[0].ImageIndex, mkInformation);
  EXPECT_FALSE(app.engine.PreviousConnectionError);

  // Clean again: nothing more.
  app.engine.ConnectDrives(false, "");
  EXPECT_EQ(balloon.ShownCount, 2);

  // Both fail at once: the balloon counts them.
  pc.SetServerReachable("nas", false);
  pc.SetServerReachable("files", false);
  app.engine.ConnectDrives(false, "");
  EXPECT_EQ(balloon.ShownCount, 3);
  EXPECT_EQ(balloon.Text, app.T(10305) + "2" + app.T(10306));
  EXPECT_EQ(balloon.Kind, 3);
}

TEST_F(StatusSurveyScenario, RecoveryWhileADriveStaysDisconnectedIsAWarning) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kFilesOffice}});
  pc.SetServerReachable("nas", false);
  app.engine.ConnectDrives(false, "");
  ASSERT_TRUE(app.engine.PreviousConnectionError);

  app.Drive("H:").State = dsDisconnected;  // the user gave up on it
  app.NewMessages();
  app.engine.ConnectDrives(false, "");

  const std::string text = app.T(10308) + " (1" + app.T(10326) + ")";
  EXPECT_EQ(app.surfaces.BalloonHintMessage.Text, text);
  EXPECT_EQ(app.surfaces.BalloonHintMessage.Kind, 2);
  EXPECT_THAT(app.NewMessages(), ElementsAre(text));
  EXPECT_EQ(app.surfaces.Messages[0].ImageIndex, mkWarning);
  EXPECT_EQ(app.surfaces.TrayPicture, kImageDisconnected);
}

TEST_F(StatusSurveyScenario, DisabledBalloonsShowNothingButTheStateStillFollows) {
  app.StartWithShares({{"H:", kMedia}});
  app.configuration.Prefs.DisableBalloonMessages = true;

  pc.SetServerReachable("nas", false);
  app.engine.ConnectDrives(false, "");
  EXPECT_TRUE(app.engine.PreviousConnectionError);
  pc.SetServerReachable("nas", true);
  app.NewMessages();
  app.engine.ConnectDrives(false, "");
  EXPECT_FALSE(app.engine.PreviousConnectionError);
  EXPECT_EQ(app.surfaces.BalloonHintMessage.ShownCount, 0);
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10300) + "H:'."));

  // Turned back on after the recovery: nothing stale is shown.
  app.configuration.Prefs.DisableBalloonMessages = false;
  app.engine.ConnectDrives(false, "");
  EXPECT_EQ(app.surfaces.BalloonHintMessage.ShownCount, 0);
}

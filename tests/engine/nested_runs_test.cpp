// Runs nested inside runs: the engine lets events run between drives, so a keep-alive
// run or a user's action can start while another run is still walking the drives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/AsciiText.h"
#include "engine/HeartBeatThread.h"
#include "support/TestApp.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

int CountOf(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

struct NestedRuns : ::testing::Test, TestMachine {};

// The drive-list row of the drive as the window shows it: picture | current location.
std::string RowShown(const TestApp& app, const std::string& drive) {
  for (const TDriveRow& row : app.surfaces.DriveRows)
    if (row.Cells[0] == drive) return std::to_string(row.ImageIndex) + " | " + row.Cells[3];
  return "not listed";
}

}  // namespace

TEST_F(NestedRuns, KeepAliveTickWhileTheUsersCallWaitsIsSkippedAndTheScheduleGoesOn) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}, {"M:", kPhotos}});
  app.engine.UpdateDriveStatus();  // start-up's first survey
  THeartBeatThread thread(pc.platform(), app.engine);
  // Each network call takes 10 s: the minute of the keep-alive timer ends while K:'s
  // last call waits on its server.
  pc.SetNetworkDelay(10000);
  app.NewMessages();

  app.engine.ActionDrivesConnectDrivesExecute();

  const std::vector<std::string> lines = app.NewMessages();
  EXPECT_THAT(lines, ElementsAre(app.T(10226), app.T(10300) + "H:'.", app.T(10300) + "K:'.",
                                 app.T(10821),  // no keep-alive run inside the user's call
                                 app.T(10300) + "M:'."));
  EXPECT_GE(pc.NowMs(), 60000);
  for (const char* drive : {"H:", "K:", "M:"}) {
    SCOPED_TRACE(drive);
    EXPECT_EQ(app.Drive(drive).State, dsConnected);
    EXPECT_EQ(CountOf(lines, app.T(10300) + drive + "'."), 1);
  }
  EXPECT_EQ(pc.MappingOf('M'), kPhotos);
  EXPECT_FALSE(app.engine.CurrentConnectionError);
  EXPECT_EQ(app.engine.NrOfDrivesConnected, 3);
  EXPECT_EQ(app.surfaces.DriveRows.size(), 3u);
  EXPECT_FALSE(thread.InShortInterval());
  EXPECT_FALSE(pc.BusyCursor());

  // The schedule goes on from the nested run.
  pc.SetNetworkDelay(0);
  const int64_t next = thread.DueMs();
  pc.Advance(next - pc.NowMs());
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10226)));
}

TEST_F(NestedRuns, DriveRemovedDuringAKeepAliveRunIsNotReconnectedByIt) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}});
  app.engine.ConnectDrives(false, "");
  app.configuration.SaveConfiguration();
  pc.VanishVolume('K');  // lost; the next scheduled run would map it again
  THeartBeatThread thread(pc.platform(), app.engine);
  app.NewMessages();

  // The user removes K: while the scheduled run is still at H:.
  bool removed = false;
  pc.OnProcessMessages = [&] {
    if (removed || app.engine.NrOfDrivesUnderQBYControl == 0) return;
    removed = true;
    app.engine.RemoveDrives("K:");
  };
  pc.Advance(60000);
  pc.OnProcessMessages = nullptr;

  ASSERT_TRUE(removed);
  EXPECT_FALSE(app.Drive("K:").QbyControl);
  EXPECT_EQ(pc.MappingOf('K'), "");
  EXPECT_EQ(pc.MappingOf('H'), kMedia);
  const std::vector<std::string> lines = app.NewMessages();
  EXPECT_THAT(lines, Contains(app.T(10226)));
  EXPECT_THAT(lines, Not(Contains(app.T(10300) + "K:'.")));
  EXPECT_THAT(lines, Not(Contains(HasSubstr("(Error nr"))));
  EXPECT_THAT(pc.FileBytes(ConfigurationFileName(pc.platform())), Not(HasSubstr("[NetworkDrive_K:]")));
  ASSERT_EQ(app.surfaces.DriveRows.size(), 1u);
  EXPECT_EQ(app.surfaces.DriveRows[0].Cells[0], "H:");
}

TEST_F(NestedRuns, ExitInsideAKeepAliveRunNestedInTheUsersRunUnwindsBoth) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}, {"M:", kPhotos}});
  app.engine.UpdateDriveStatus();
  auto thread = std::make_unique<THeartBeatThread>(pc.platform(), app.engine);
  app.NewMessages();
  bool freed = false;
  bool minutePassed = false;
  pc.OnProcessMessages = [&] {
    // The minute ends while the user's run is between drives, no call in flight.
    if (!minutePassed && app.engine.RunInProgress() && !app.engine.WaitingOnServer()) {
      minutePassed = true;
      pc.Advance(60000 - pc.NowMs());
    }
    if (!freed && thread && thread->InOwnCall() && app.engine.RunInProgress()) {
      freed = true;
      EXPECT_FALSE(thread->TerminateAndWait());  // cannot wait here ...
      thread.reset();                            // ... nor hang when freed
    }
  };

  app.engine.ActionDrivesConnectDrivesExecute();

  pc.OnProcessMessages = nullptr;
  ASSERT_TRUE(freed);
  for (const char* drive : {"H:", "K:", "M:"}) EXPECT_EQ(app.Drive(drive).State, dsConnected) << drive;
  const std::vector<std::string> lines = app.NewMessages();
  EXPECT_EQ(CountOf(lines, app.T(10226)), 2);  // the user's run and the nested keep-alive run
  EXPECT_EQ(CountOf(lines, app.T(10300) + "M:'."), 1);
  pc.SetNetworkDelay(0);
  pc.Settle();
  EXPECT_EQ(pc.AttachedThreads(), 0);
  EXPECT_FALSE(pc.BusyCursor());
}

// While a call waits on its server the main thread serves its messages, so the user's
// commands arrive in the middle of a drive: none of them may start a run of its own. The
// drive's row says meanwhile that it is being connected (or disconnected), also through a
// survey made in the middle of the call, and shows what the call found once it is over.
TEST_F(NestedRuns, CommandsWhileACallWaitsOnItsServerAreRefusedAndTheRunGoesOnAlone) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}});
  app.engine.UpdateDriveStatus();
  pc.FindShare(kMedia)->DelayMs = 12000;
  app.Select("K:");
  app.NewMessages();
  int servedDuringCalls = 0;
  bool tried = false;
  pc.OnProcessMessages = [&] {
    if (!app.engine.WaitingOnServer()) return;
    ++servedDuringCalls;
    if (tried) return;
    tried = true;
    EXPECT_EQ(CountCalls(pc, "AddConnection2", "H:"), 0);  // still in flight
    const std::string connecting = std::to_string(kImageConnecting) + " | " + app.T(10851);
    EXPECT_EQ(RowShown(app, "H:"), connecting);
    EXPECT_EQ(RowShown(app, "K:"), std::to_string(kImageUnknown) + " | ");
    app.engine.ActionDrivesConnectDrivesExecute();
    app.engine.ActionDrivesDisconnectSelectedDriveExecute();
    app.engine.ActionDrivesConnectSelectedDriveExecute();
    app.engine.AMDrivesRemoveAllNetworkDrivesExecute();  // refused before its question
    app.engine.UpdateDriveStatus();  // a survey in the middle of the call
    EXPECT_EQ(RowShown(app, "H:"), connecting);
    EXPECT_EQ(app.engine.NrOfDrivesUnknown, 2) << "counted as last known";
  };

  app.engine.ActionDrivesConnectDrivesExecute();
  pc.OnProcessMessages = nullptr;

  ASSERT_TRUE(tried);
  EXPECT_GE(servedDuringCalls, 2);  // the connect and the look at where H: points
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10226), app.T(10820), app.T(10820), app.T(10820), app.T(10820),
                                             app.T(10300) + "H:'.", app.T(10300) + "K:'."));
  EXPECT_TRUE(pc.MessageBoxes.empty());
  for (const char* drive : {"H:", "K:"}) {
    SCOPED_TRACE(drive);
    EXPECT_EQ(CountCalls(pc, "AddConnection2", drive), 1);
    EXPECT_EQ(CountCalls(pc, "CancelConnection2", drive), 0);
    EXPECT_EQ(app.Drive(drive).State, dsConnected);
    EXPECT_TRUE(app.Drive(drive).QbyControl);
  }
  EXPECT_EQ(pc.NowMs(), 24000);  // H:'s connect and its look-up, 12 s each, in simulated time
  EXPECT_FALSE(app.engine.WaitingOnServer());
  EXPECT_FALSE(pc.BusyCursor());

  EXPECT_EQ(RowShown(app, "H:"), std::to_string(kImageConnected) + " | " + kMedia);

  // Once the calls are over the same command runs.
  pc.FindShare(kOffice)->DelayMs = 12000;
  std::string shownWhileDisconnecting;
  pc.OnProcessMessages = [&] {
    if (app.engine.WaitingOnServer() && shownWhileDisconnecting.empty())
      shownWhileDisconnecting = RowShown(app, "K:");
  };
  app.Select("K:");
  app.engine.ActionDrivesDisconnectSelectedDriveExecute();
  pc.OnProcessMessages = nullptr;
  EXPECT_EQ(pc.MappingOf('K'), "");
  EXPECT_EQ(shownWhileDisconnecting, std::to_string(kImageDisconnecting) + " | " + app.T(10852));
  EXPECT_EQ(RowShown(app, "K:"), std::to_string(kImageDisconnected) + " | " + LowerAscii(app.T(10034)));
  EXPECT_EQ(RowShown(app, "H:"), std::to_string(kImageConnected) + " | " + kMedia);
}

// The mount delay is a wait during which the window is served, not a sleep: the keep-alive
// thread's minute comes and goes inside it, and the mount follows in its place.
TEST_F(NestedRuns, MountDelayServesTheKeepAliveTickAndMountsInOrder) {
  const std::string trueCrypt = R"(C:\Program Files\TrueCrypt\TrueCrypt.exe)";
  pc.WriteFile(trueCrypt, "");
  app.StartWithShares({{"H:", kMedia}});
  app.configuration.Prefs.TrueCryptProgramLocation = trueCrypt;
  app.configuration.Prefs.DelayVolumeMount = 90;  // seconds: longer than the keep-alive minute
  auto volume = std::make_unique<TTrueCryptVolumeItem>();
  volume->Volume = R"(\\nas\media\vault.tc)";
  volume->Drive = "X:";
  app.Drive("H:").TrueCryptVolumesList.push_back(std::move(volume));
  THeartBeatThread thread(pc.platform(), app.engine);
  app.NewMessages();

  app.engine.ActionDrivesConnectDrivesExecute();

  const std::vector<std::string> lines = app.NewMessages();
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], app.T(10226));
  EXPECT_EQ(lines[1], app.T(10300) + "H:'.");
  EXPECT_THAT(lines[2], HasSubstr("90"));   // the wait announced
  EXPECT_EQ(lines[3], app.T(10821));        // the minute passed inside it
  EXPECT_THAT(lines[4], HasSubstr("vault.tc"));  // then the mount
  EXPECT_GE(pc.NowMs(), 90000);
  ASSERT_EQ(pc.Starts.size(), 2u);  // the letter cleared, then the mount, 90 s apart
  EXPECT_EQ(pc.Starts[1].AtMs - pc.Starts[0].AtMs, 90000);
  // The schedule goes on from the skipped tick.
  const int64_t next = thread.DueMs();
  EXPECT_LE(next - pc.NowMs(), 60000);
  pc.Advance(next - pc.NowMs());
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10226)));
}

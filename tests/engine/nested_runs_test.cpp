// Runs nested inside runs: the engine lets events run between drives, so a keep-alive
// run or a user's action can start while another run is still walking the drives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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

}  // namespace

TEST_F(NestedRuns, KeepAliveRunServedInsideConnectAllDrivesBothFinish) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}, {"M:", kPhotos}});
  app.engine.UpdateDriveStatus();  // start-up's first survey
  THeartBeatThread thread(pc.platform(), app.engine);
  // Each network call takes 10 s: the minute of the keep-alive timer ends while the
  // user's run is between K: and M:.
  pc.SetNetworkDelay(10000);
  app.NewMessages();

  app.engine.ActionDrivesConnectDrivesExecute();

  const std::vector<std::string> lines = app.NewMessages();
  EXPECT_THAT(lines, ElementsAre(app.T(10226), app.T(10300) + "H:'.", app.T(10300) + "K:'.",
                                 app.T(10226),  // the keep-alive run, inside the user's run
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
  pc.SetNetworkDelay(10000);  // the minute ends while the user's run is between drives
  app.NewMessages();
  bool freed = false;
  pc.OnProcessMessages = [&] {
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

// The message list, tray tip and balloon as the main window shows them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/TestApp.h"

namespace {
struct SurfacesScenario : ::testing::Test, TestMachine {};
}  // namespace

TEST_F(SurfacesScenario, NewestMessageFirstWithItsTime) {
  app.surfaces.AddMessage(mkInformation, "first");
  pc.Advance(61000);
  app.surfaces.AddMessage(mkError, "second");

  const auto& rows = app.surfaces.Messages;
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Text, "second");
  EXPECT_EQ(rows[0].ImageIndex, mkError);
  EXPECT_EQ(rows[1].Text, "first");
  EXPECT_EQ(rows[1].Time, "09:00:00");
  EXPECT_EQ(rows[0].Time, "09:01:01");
}

TEST_F(SurfacesScenario, BalloonIsWithdrawnTenSecondsAfterTheLatestOne) {
  TBalloonHint& balloon = app.surfaces.BalloonHintMessage;
  balloon.HideBalloon();  // nothing shown: changes nothing
  EXPECT_FALSE(balloon.Visible);

  balloon.ShowBalloon("Quillbay", "first", 3);
  EXPECT_EQ(pc.MainThreadTimers(), 1);
  pc.Advance(6000);
  EXPECT_TRUE(balloon.Visible);
  balloon.ShowBalloon(std::string(80, 't'), std::string(300, 'x'), 1);
  EXPECT_EQ(balloon.Title, std::string(63, 't'));
  EXPECT_EQ(balloon.Text, std::string(255, 'x'));
  EXPECT_EQ(balloon.Kind, 1);
  EXPECT_EQ(balloon.ShownCount, 2);
  pc.Advance(6000);  // 12 s after the first, 6 s after the second
  EXPECT_TRUE(balloon.Visible);
  pc.Advance(3999);
  EXPECT_TRUE(balloon.Visible);
  pc.Advance(1);
  EXPECT_FALSE(balloon.Visible);
  EXPECT_EQ(pc.MainThreadTimers(), 0);  // nothing left to tick while idle
  pc.Advance(30000);
  EXPECT_FALSE(balloon.Visible);

  // Withdrawn early (the program ends): its timer goes with it.
  balloon.ShowBalloon("Quillbay", "third", 0);
  EXPECT_EQ(pc.MainThreadTimers(), 1);
  balloon.HideBalloon();
  EXPECT_EQ(pc.MainThreadTimers(), 0);
  balloon.ShowBalloon("Quillbay", "fourth", 0);
  pc.Advance(10000);
  EXPECT_FALSE(balloon.Visible);
  EXPECT_EQ(pc.MainThreadTimers(), 0);
}

TEST_F(SurfacesScenario, TrayTipKeepsTheFirst127Characters) {
  app.surfaces.SetTrayTip(std::string(127, 'a') + "bcd");
  EXPECT_EQ(app.surfaces.TrayTip, std::string(127, 'a'));
  app.surfaces.SetTrayTip("short");
  EXPECT_EQ(app.surfaces.TrayTip, "short");
}

TEST_F(SurfacesScenario, AWindowHearsOfEachChangeItMustDrawAndOfNothingElse) {
  int changes = 0;
  app.surfaces.OnChanged = [&] { ++changes; };
  app.surfaces.SetStatusText("Connected: 0");
  app.surfaces.SetStatusText("Connected: 0");  // the same again: nothing to draw
  EXPECT_EQ(changes, 1);
  app.surfaces.SetTrayTip(std::string(127, 'a') + "b");
  app.surfaces.SetTrayTip(std::string(127, 'a') + "c");  // differs only beyond what is kept
  EXPECT_EQ(changes, 2);
  app.surfaces.SetTrayPicture(kImageConnected);
  app.surfaces.SetTrayPicture(kImageConnected);
  EXPECT_EQ(changes, 3);
  app.surfaces.AddMessage(mkInformation, "line");
  EXPECT_EQ(changes, 4);

  // The balloon goes by its own timer, with no event of the window around it.
  TBalloonHint& balloon = app.surfaces.BalloonHintMessage;
  balloon.ShowBalloon("Quillbay", "text", 1);
  EXPECT_EQ(changes, 5);
  pc.Advance(10000);
  EXPECT_FALSE(balloon.Visible);
  EXPECT_EQ(changes, 6);
  pc.Advance(30000);
  EXPECT_EQ(changes, 6);

  // A connect run's lines and its new picture and tip are each announced.
  app.surfaces.OnChanged = nullptr;
  pc.AddShare(R"(\\nas\media)");
  app.StartWith({{"H:", R"(\\nas\media)"}});
  changes = 0;
  app.surfaces.OnChanged = [&] { ++changes; };
  app.engine.ConnectDrives(true, "H:");
  EXPECT_GE(changes, 3);
  EXPECT_EQ(app.surfaces.TrayPicture, kImageConnected);
}

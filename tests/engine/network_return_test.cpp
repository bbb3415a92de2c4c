// Drives back within seconds when the network, the machine or the session returns: the
// events the main window hands to the engine, collected and acted on by the keep-alive
// thread, on the simulated machine.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/HeartBeatThread.h"
#include "platform/sim/SimNetworkFile.h"
#include "platform/sim/SimulatedNetwork.h"
#include "support/TestApp.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

constexpr int64_t kMinute = 60000;
constexpr int64_t kShort = 10000;
constexpr int64_t kDelay = THeartBeatThread::NetworkEventDelay;

int CountOf(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

bool RowConnected(const TestApp& app, const std::string& drive) {
  for (const TDriveRow& row : app.surfaces.DriveRows)
    if (row.Cells[0] == drive) return row.ImageIndex == kImageConnected;
  return false;
}

// The simulated machine delivers its events to the engine as the main window does.
void Wire(SimMachine& pc, TestApp& app) {
  pc.SetNetworkEventHandler([&app](NetworkEventKind kind) { app.engine.NetworkEvent(kind); });
}

// Start-up with H: under control while its share is off line: the connect fails, and the
// keep-alive thread is asked for the short schedule as start-up does.
void StartUpOffline(SimMachine& pc, TestApp& app, THeartBeatThread*& thread,
                    std::unique_ptr<THeartBeatThread>& owner, bool shortSchedule) {
  app.StartWithShares({{"H:", kMedia}});
  pc.SetShareOnline(kMedia, false);
  app.engine.ConnectDrives(false, "");
  owner = std::make_unique<THeartBeatThread>(pc.platform(), app.engine);
  thread = owner.get();
  if (shortSchedule) {
    app.engine.AddMessage(mkInformation, app.T(10312));
    thread->StartShortInterval();
  }
}

struct NetworkReturn : ::testing::Test, TestMachine {
  NetworkReturn() { Wire(pc, app); }
  void StartOffline(bool shortSchedule = false) {
    StartUpOffline(pc, app, thread, owner, shortSchedule);
    app.NewMessages();
  }
  THeartBeatThread* thread = nullptr;
  std::unique_ptr<THeartBeatThread> owner;
};

}  // namespace

TEST_F(NetworkReturn, ChangeWhileADriveIsInErrorBringsItBackAfterTheDelay) {
  StartOffline();
  ASSERT_EQ(app.Drive("H:").State, dsError);
  pc.Advance(5000);
  const int64_t back = pc.NowMs();

  pc.SetShareOnline(kMedia, true);  // fires the network change by itself

  EXPECT_EQ(thread->NetworkEventDueMs(), back + kDelay);
  pc.Advance(kDelay - 1);
  EXPECT_THAT(app.NewMessages(), IsEmpty());
  EXPECT_FALSE(RowConnected(app, "H:"));
  pc.Advance(1);
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10327), app.T(10300) + "H:'.", app.T(10308)));
  EXPECT_TRUE(RowConnected(app, "H:"));
  EXPECT_EQ(pc.MappingOf('H'), kMedia);
  EXPECT_EQ(thread->NetworkEventDueMs(), -1);

  // The long schedule goes on, a full interval after that run.
  EXPECT_EQ(thread->DueMs(), back + kDelay + kMinute);
  EXPECT_FALSE(thread->InShortInterval());
}

TEST_F(NetworkReturn, BurstOfTenChangesRunsOnce) {
  StartOffline();
  for (int i = 0; i < 10; ++i) {
    pc.FireNetworkChange();
    pc.Advance(150);
  }
  const int connectsBefore = CountCalls(pc, "AddConnection2", "H:");
  pc.Advance(5000);

  const std::vector<std::string> lines = app.NewMessages();
  EXPECT_EQ(CountOf(lines, app.T(10327)), 1);
  EXPECT_EQ(CountCalls(pc, "AddConnection2", "H:"), connectsBefore + 1);
  // Still off line: the failure switches to the short schedule, written once.
  EXPECT_EQ(CountOf(lines, app.T(10312)), 1);
  EXPECT_TRUE(thread->InShortInterval());
}

TEST_F(NetworkReturn, ChangeWhileEveryDriveIsFineRunsAndWritesNothing) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}});
  app.engine.ConnectDrives(false, "");
  THeartBeatThread keepAlive(pc.platform(), app.engine);
  app.NewMessages();
  const size_t callsBefore = pc.NetCalls.size();

  pc.FireNetworkChange();
  pc.FireSessionReturn();
  pc.Advance(10000);

  EXPECT_THAT(app.NewMessages(), IsEmpty());
  EXPECT_EQ(pc.NetCalls.size(), callsBefore);
  EXPECT_EQ(keepAlive.NetworkEventDueMs(), -1);
  EXPECT_EQ(keepAlive.DueMs(), kMinute);  // the schedule is untouched
}

TEST_F(NetworkReturn, ChangeDuringTheUsersRunWaitsUntilThatRunHasEnded) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}, {"M:", kPhotos}});
  pc.SetShareOnline(kOffice, false);
  app.engine.UpdateDriveStatus();
  THeartBeatThread keepAlive(pc.platform(), app.engine);
  pc.SetNetworkDelay(1500);  // the user's run takes several seconds
  bool fired = false;
  pc.OnProcessMessages = [&] {
    if (!fired) {
      fired = true;
      pc.FireNetworkChange();
    }
  };

  app.engine.ActionDrivesConnectDrivesExecute();
  pc.OnProcessMessages = nullptr;
  const int64_t userRunEnd = pc.NowMs();
  ASSERT_TRUE(fired);
  ASSERT_GT(userRunEnd, kDelay);  // the event fell due while the run was still going
  std::vector<std::string> lines = app.NewMessages();
  EXPECT_THAT(lines, Not(Contains(app.T(10327))));  // nothing started inside the user's run
  EXPECT_EQ(CountCalls(pc, "AddConnection2", "K:"), 1);

  pc.SetNetworkDelay(0);
  pc.Advance(2 * kDelay);

  // K: is still in error, so the event's run comes once the user's has ended.
  lines = app.NewMessages();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], app.T(10327));
  EXPECT_EQ(CountOf(lines, app.T(10327)), 1);
  const std::vector<SimNetCall> kCalls = CallsOf(pc, "AddConnection2", "K:");
  ASSERT_EQ(kCalls.size(), 2u);
  EXPECT_GE(kCalls[1].AtMs, userRunEnd);
}

TEST_F(NetworkReturn, ResumeRunsEvenWhenAllDrivesLookedConnected) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}});
  app.engine.ConnectDrives(false, "");
  THeartBeatThread keepAlive(pc.platform(), app.engine);
  app.NewMessages();
  // The server dropped H:'s session while the machine slept; the drive still looks fine.
  pc.VanishVolume('H');
  ASSERT_EQ(app.Drive("H:").State, dsConnected);
  pc.Advance(1000);
  const int64_t woke = pc.NowMs();

  pc.FireResume();
  pc.Advance(kDelay);

  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10328), app.T(10300) + "H:'."));
  const std::vector<SimNetCall> hCalls = CallsOf(pc, "AddConnection2", "H:");
  ASSERT_FALSE(hCalls.empty());
  EXPECT_EQ(hCalls.back().AtMs, woke + kDelay);
  EXPECT_EQ(pc.MappingOf('H'), kMedia);
  EXPECT_EQ(CallsOf(pc, "AddConnection2", "K:").back().AtMs, woke + kDelay);
}

TEST_F(NetworkReturn, DriveTheUserDisconnectedIsNeverTouchedByAnEvent) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}});
  app.engine.ConnectDrives(false, "");
  app.engine.DisconnectDrives(false, "K:");
  pc.SetShareOnline(kMedia, false);
  app.engine.ConnectDrives(false, "");  // H: now in error
  THeartBeatThread keepAlive(pc.platform(), app.engine);
  const int kBefore = static_cast<int>(CallsOf(pc, "AddConnection2", "K:").size());
  app.NewMessages();

  pc.SetShareOnline(kMedia, true);
  pc.Advance(kDelay);
  pc.FireResume();
  pc.FireNetworkChange();
  pc.Advance(2 * kDelay);

  const std::vector<std::string> lines = app.NewMessages();
  EXPECT_EQ(CountOf(lines, app.T(10327)), 1);
  EXPECT_EQ(CountOf(lines, app.T(10328)), 1);
  EXPECT_EQ(static_cast<int>(CallsOf(pc, "AddConnection2", "K:").size()), kBefore);
  EXPECT_EQ(app.Drive("K:").State, dsDisconnected);
  EXPECT_EQ(pc.MappingOf('K'), "");
  EXPECT_EQ(app.Drive("H:").State, dsConnected);
}

TEST_F(NetworkReturn, FailedEventRunRestartsTheShortScheduleAtAttemptOne) {
  StartOffline(true);
  pc.Advance(5 * kShort);
  ASSERT_TRUE(thread->InShortInterval());
  ASSERT_EQ(thread->ShortAttempt(), 6);
  app.NewMessages();

  // The Wi-Fi is back but the share is not (the VPN still comes up).
  pc.Advance(3000);
  pc.FireNetworkChange();
  pc.Advance(kDelay);
  const int64_t eventRun = pc.NowMs();

  std::vector<std::string> lines = app.NewMessages();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], app.T(10327));
  EXPECT_THAT(lines[1], StartsWith(app.T(10302) + "H:' "));
  EXPECT_TRUE(thread->InShortInterval());
  EXPECT_EQ(thread->ShortAttempt(), 1);
  EXPECT_EQ(thread->DueMs(), eventRun + kShort);

  // Twenty attempts from there, then the long schedule.
  pc.Advance(19 * kShort);
  EXPECT_EQ(thread->ShortAttempt(), 20);
  pc.Advance(kShort);
  EXPECT_EQ(app.NewMessages().back(), app.T(10314));
  EXPECT_FALSE(thread->InShortInterval());
}

TEST_F(NetworkReturn, EventsDuringARunWaitTheDelayAfterIt) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}});
  pc.SetShareOnline(kMedia, false);
  app.engine.ConnectDrives(false, "");
  THeartBeatThread keepAlive(pc.platform(), app.engine);
  const size_t callsBefore = pc.NetCalls.size();
  constexpr int64_t kCall = 700;
  pc.SetNetworkDelay(kCall);
  // A flapping network: each of the first event runs sees another change early on, with
  // H: and K: still to go.
  int fired = 0;
  pc.OnProcessMessages = [&] {
    const int eventRuns = CountOf(app.MessageTexts(), app.T(10327));
    if (app.engine.RunInProgress() && fired < 3 && fired < eventRuns) {
      ++fired;
      pc.FireNetworkChange();
    }
  };
  pc.FireNetworkChange();
  pc.Advance(30000);
  pc.OnProcessMessages = nullptr;

  // Each run starts with H:'s first call; it ended with the call before that.
  std::vector<std::pair<int64_t, int64_t>> runs;  // first call, last call
  for (size_t i = callsBefore; i < pc.NetCalls.size(); ++i) {
    const SimNetCall& call = pc.NetCalls[i];
    if (call.Call == "GetUniversalName" && call.LocalName == "H:" &&
        (runs.empty() || pc.NetCalls[i - 1].LocalName == "K:")) {
      runs.push_back({call.AtMs, call.AtMs});
    }
    runs.back().second = call.AtMs;
  }
  ASSERT_EQ(fired, 3);
  ASSERT_GE(runs.size(), 4u);
  EXPECT_EQ(runs[0].first, kDelay);
  for (size_t i = 1; i < runs.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_GE(runs[i].first - (runs[i - 1].second + kCall), kDelay);
  }
  EXPECT_EQ(CountOf(app.NewMessages(), app.T(10327)), 4);
}

TEST_F(NetworkReturn, ScheduledRunThatComesFirstDoesTheEventsWork) {
  StartOffline();
  pc.Advance(kMinute - 1000);
  app.NewMessages();
  pc.SetShareOnline(kMedia, true);

  pc.Advance(3 * kDelay);

  // The minute's run found the share back; the event has nothing left to do.
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10226), app.T(10300) + "H:'.", app.T(10308)));
  EXPECT_EQ(thread->NetworkEventDueMs(), -1);
}

TEST_F(NetworkReturn, SessionReturnSaysSoAndActsLikeANetworkChange) {
  StartOffline();
  pc.SetNetworkEventHandler(nullptr);
  pc.SetShareOnline(kMedia, true);  // unnoticed, as on a Windows without the network calls
  Wire(pc, app);
  pc.Advance(5000);
  EXPECT_THAT(app.NewMessages(), IsEmpty());

  pc.FireSessionReturn();
  pc.Advance(kDelay);

  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10329), app.T(10300) + "H:'.", app.T(10308)));
}

TEST_F(NetworkReturn, WithoutTheKeepAliveThreadEventsAreIgnored) {
  StartOffline();
  owner.reset();
  app.NewMessages();

  pc.SetShareOnline(kMedia, true);
  pc.FireResume();
  app.engine.NetworkEvent(NetworkEventKind::None);
  pc.Advance(kMinute);

  EXPECT_THAT(app.NewMessages(), IsEmpty());
  EXPECT_EQ(app.Drive("H:").State, dsError);
}

TEST_F(NetworkReturn, ServerBackOnTheNetworkIsAChangeToo) {
  app.StartWithShares({{"H:", kMedia}});
  pc.SetServerReachable("nas", false);
  app.engine.ConnectDrives(false, "");
  THeartBeatThread keepAlive(pc.platform(), app.engine);
  pc.SetServerReachable("nas", false);  // no change: no event
  EXPECT_EQ(keepAlive.NetworkEventDueMs(), -1);

  pc.SetServerReachable("nas", true);
  EXPECT_EQ(keepAlive.NetworkEventDueMs(), pc.NowMs() + kDelay);
  pc.Advance(kDelay);
  EXPECT_EQ(app.Drive("H:").State, dsConnected);
}

TEST(SimulatedShares, OfflineShareAnswersNetworkUnreachableAndComesBackWhole) {
  SimMachine pc;
  TestApp app(pc);
  app.StartWithShares({{"H:", kMedia}});
  app.engine.ConnectDrives(false, "");
  ASSERT_EQ(pc.MappingOf('H'), kMedia);

  pc.SetShareOnline(kMedia, false);
  uint64_t freeBytes = 0, totalBytes = 0;
  EXPECT_FALSE(pc.platform().drives.GetDiskFreeSpaceEx("H:\\", freeBytes, totalBytes));
  EXPECT_EQ(pc.platform().drives.GetFileAttributes("H:\\"), win::INVALID_FILE_ATTRIBUTES);
  std::string remote;
  EXPECT_EQ(pc.platform().network.GetUniversalName("H:", remote), win::NO_ERROR);  // the mapping stays
  EXPECT_EQ(pc.platform().network.CancelConnection2("H:", 0, true), win::NO_ERROR);
  app.engine.ConnectDrives(false, "");
  EXPECT_EQ(CallsOf(pc, "AddConnection2", "H:").back().Result, win::ERROR_NETWORK_UNREACHABLE);
  EXPECT_EQ(app.Drive("H:").State, dsError);

  pc.SetShareOnline(kMedia, true);  // no handler: nothing else happens
  app.engine.ConnectDrives(false, "");
  EXPECT_EQ(app.Drive("H:").State, dsConnected);
  EXPECT_THROW(pc.SetShareOnline(R"(\\nas\nothing)", true), std::invalid_argument);
}

// The time from a share's return to the drive's connected row, for a drive that failed at
// start-up some minutes earlier, with the events and on the timer alone (defaults).
namespace {

int64_t TimeToConnectedRow(int64_t afterStartUpMs, bool events) {
  SimMachine pc;
  TestApp app(pc);
  if (events) Wire(pc, app);
  THeartBeatThread* thread = nullptr;
  std::unique_ptr<THeartBeatThread> owner;
  StartUpOffline(pc, app, thread, owner, true);
  pc.Advance(afterStartUpMs);
  if (RowConnected(app, "H:")) return -1;

  const int64_t back = pc.NowMs();
  pc.SetShareOnline(kMedia, true);
  // From run to run: the row can only change when one starts.
  const int64_t giveUp = back + 10 * kMinute;
  while (!RowConnected(app, "H:") && pc.NowMs() < giveUp) {
    int64_t next = giveUp;
    for (int64_t due : {thread->DueMs(), thread->NetworkEventDueMs()})
      if (due > pc.NowMs()) next = std::min(next, due);
    pc.Advance(next - pc.NowMs());
  }
  return pc.NowMs() - back;
}

}  // namespace

TEST(NetworkReturnFigures, BackWithinFiveSecondsWithEventsAgainstUpToAMinuteOnTheTimer) {
  struct Moment {
    const char* name;
    int64_t afterStartUpMs;
  };
  // The last: a second after the twentieth short attempt gave up, the timer's worst moment.
  const Moment moments[] = {{" 1 min", kMinute}, {" 5 min", 5 * kMinute}, {"30 min", 30 * kMinute},
                            {"3:21 min", 20 * kShort + 1000}};
  std::printf("share back after start-up failed   with events   timer only\n");
  for (const Moment& moment : moments) {
    SCOPED_TRACE(moment.name);
    const int64_t withEvents = TimeToConnectedRow(moment.afterStartUpMs, true);
    const int64_t timerOnly = TimeToConnectedRow(moment.afterStartUpMs, false);
    std::printf("%8s later                    %8.1f s    %8.1f s\n", moment.name, withEvents / 1000.0,
                timerOnly / 1000.0);
    EXPECT_GE(withEvents, 0);
    EXPECT_LT(withEvents, 5000);
    EXPECT_LE(withEvents, timerOnly);
    EXPECT_LE(timerOnly, kMinute + 1000);
  }
}

namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

SimNetworkFile NetworkOf(const std::string& text) {
  SimNetworkFile file;
  std::string reason;
  EXPECT_TRUE(ReadSimNetworkFile(text, file, reason)) << reason;
  return file;
}

}  // namespace

// The example the run command starts QuillbaySim.exe with: its network, the user's drives
// and the administrator's, as the program reads them, and the edits the headless run makes.
TEST(TheRunCommandsExample, FiveNamedDrivesConnectAndTheOneWhoseShareGoesOfflineComesBack) {
  SimMachine pc;
  SimulatedNetwork net(pc.platform().clock, "alice");
  const std::string network = ReadSourceFile("resources/example/SimulatedNetwork.ini");
  net.Build(NetworkOf(network));
  const Platform& machine = pc.platform();
  Platform platform{net.network(), net.drives(), machine.files,       machine.registry, machine.shell,
                    machine.environment, machine.clock, machine.ui, machine.protection};
  pc.WriteFile(ExecutableFolder(platform) + "Languages.ini", ReadSourceFile("resources/Languages.ini"));
  pc.WriteFile(ConfigurationFileName(platform), ReadSourceFile("resources/example/Quillbay.ini"));
  pc.WriteFile(DeploymentFileName(platform), ReadSourceFile("resources/example/Deployment.ini"));
  TLanguage language;
  TQbyConfiguration configuration(platform, language);
  TSurfaces surfaces(platform);
  TEngine engine(platform, configuration, language, surfaces);
  ReadConfigurationAndTexts(configuration, language);
  net.SetDeviceChangeHandler([&engine](const DeviceChange& change) { engine.WMDeviceChange(change); });
  EXPECT_FALSE(configuration.Prefs.FirstTimeUsage) << "no welcome box over the example";
  EXPECT_FALSE(configuration.Prefs.MinimizeOnStartup) << "the window shows itself";
  EXPECT_FALSE(configuration.Prefs.StartAutomaticallyByWindows) << "the run's prefix starts nothing at logon";

  engine.UpdateDriveStatus();
  engine.ConnectDrives(false, "");
  const auto rows = [&] {
    std::vector<std::string> shown;
    for (const TDriveRow& row : surfaces.DriveRows)
      shown.push_back(std::to_string(row.ImageIndex) + " " + row.Cells[0] + " " + row.Cells[1]);
    return shown;
  };
  EXPECT_THAT(rows(), ElementsAre("3 B: Backup", "3 M: Music and photos", "3 P: Projects",
                                  "3 S: Software (from IT)", "3 T: Team tools"));
  EXPECT_FALSE(engine.CurrentConnectionError);
  EXPECT_TRUE(configuration.NetworkDrives.FindDrive("S:")->DeploymentDrive);
  // The stored password reads back as the one the share asks for.
  const SimNetCall* projects = nullptr;
  for (const SimNetCall& call : net.NetCalls)
    if (call.Call == "AddConnection2" && call.LocalName == "P:") projects = &call;
  ASSERT_NE(projects, nullptr);
  EXPECT_EQ(projects->Result, win::NO_ERROR);
  EXPECT_EQ(projects->UserName, "builder");
  EXPECT_EQ(projects->Password, "s3cret");
  ASSERT_EQ(pc.Starts.size(), 1u);
  EXPECT_EQ(pc.Starts[0].File, "notepad.exe");

  // What the headless run writes into the file: \\nas\media off line, and M: dropped.
  const std::string offline = Replaced(Replaced(network, "Online=1\r\n", "Online=0\r\n"), "Vanish=\r\n", "Vanish=M\r\n");
  net.Apply(NetworkOf(offline));
  EXPECT_THAT(rows(), ElementsAre("3 B: Backup", "12 M: Music and photos", "3 P: Projects",
                                  "3 S: Software (from IT)", "3 T: Team tools"));
  EXPECT_THAT(surfaces.Messages.front().Text, StartsWith("Unable to connect drive 'M:'"));

  net.Apply(NetworkOf(Replaced(offline, "Online=0\r\n", "Online=1\r\n")));
  engine.ConnectDrives(false, "");  // the run the share's return sets off
  EXPECT_EQ(rows()[1], "3 M: Music and photos");
  EXPECT_EQ(pc.Starts.size(), 1u) << "Notepad starts once per run of the program";
}

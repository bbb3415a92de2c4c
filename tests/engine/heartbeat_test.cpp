// The keep-alive schedule as a user sees it in the message list, driven by the simulated
// clock (minutes pass in milliseconds), plus one run on a real clock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <condition_variable>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/HeartBeatThread.h"
#include "platform/MainThreadCalls.h"
#include "platform/sim/SimClock.h"
#include "support/TestApp.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

constexpr int64_t kMinute = 60000;
constexpr int64_t kShort = 10000;

int RunsAt(const SimMachine& pc, const std::string& drive, int64_t atMs) {
  int count = 0;
  for (const SimNetCall& call : CallsOf(pc, "AddConnection2", drive)) count += call.AtMs == atMs;
  return count;
}

struct KeepAliveSchedule : ::testing::Test, TestMachine {
  // H: under control with the default preferences; its server does not answer.
  void StartUnreachable() {
    pc.AddShare(kMedia);
    pc.SetServerReachable("nas", false);
    app.StartWith({{"H:", kMedia}});
    app.engine.UpdateDriveStatus();  // start-up's first survey
  }
};
using KeepAliveShutdown = KeepAliveSchedule;
using KeepAliveRealTime = KeepAliveSchedule;

}  // namespace

TEST_F(KeepAliveSchedule, HealthyDrivesRunOncePerLongIntervalWithoutBalloons) {
  app.StartWithShares({{"H:", kMedia}});
  app.engine.ConnectDrives(false, "");
  app.NewMessages();
  THeartBeatThread thread(pc.platform(), app.engine);

  pc.Advance(kMinute - 1);
  EXPECT_THAT(app.NewMessages(), IsEmpty());
  pc.Advance(1);
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10226)));
  EXPECT_EQ(RunsAt(pc, "H:", kMinute), 1);
  pc.Advance(kMinute);
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10226)));
  EXPECT_EQ(RunsAt(pc, "H:", 2 * kMinute), 1);

  EXPECT_FALSE(thread.InShortInterval());
  EXPECT_EQ(app.Drive("H:").State, dsConnected);
  EXPECT_EQ(app.surfaces.BalloonHintMessage.ShownCount, 0);
}

TEST_F(KeepAliveSchedule, AnIdleDayWakesTheThreadOnlyForTheRunsDue) {
  constexpr int64_t kDay = 24 * 60 * kMinute;
  app.StartWithShares({{"H:", kMedia}});
  app.engine.ConnectDrives(false, "");
  app.NewMessages();
  THeartBeatThread thread(pc.platform(), app.engine);
  pc.Advance(0);  // asleep until the first run

  int64_t before = pc.BackgroundWakeUps();
  pc.Advance(kDay);
  EXPECT_EQ(pc.BackgroundWakeUps() - before, 1440);
  EXPECT_EQ(app.NewMessages(), std::vector<std::string>(1440, app.T(10226)));
  EXPECT_EQ(CountCalls(pc, "AddConnection2", "H:"), 1 + 1440);

  // The preferences set an hour: taking that in is one wake-up, then one per run.
  app.configuration.Prefs.LongReconnectInterval = 60;
  app.engine.SyncThreadValues();
  before = pc.BackgroundWakeUps();
  thread.StartLongInterval();
  pc.Advance(0);
  EXPECT_EQ(pc.BackgroundWakeUps() - before, 1);
  before = pc.BackgroundWakeUps();
  pc.Advance(kDay);
  EXPECT_EQ(pc.BackgroundWakeUps() - before, 24);
  EXPECT_EQ(app.NewMessages().size(), 24u);

  // A burst of network news while every drive is fine: one wake-up to hear of it and one
  // to look at it when it is due; nothing runs.
  before = pc.BackgroundWakeUps();
  for (int i = 0; i < 10; ++i) app.engine.NetworkEvent(NetworkEventKind::NetworkChanged);
  pc.Advance(THeartBeatThread::NetworkEventDelay);
  EXPECT_EQ(pc.BackgroundWakeUps() - before, 2);
  EXPECT_THAT(app.NewMessages(), IsEmpty());
  EXPECT_EQ(CountCalls(pc, "AddConnection2", "H:"), 1 + 1440 + 24);
}

TEST_F(KeepAliveSchedule, UnreachableDriveGetsTwentyShortAttemptsThenTheLongScheduleAgain) {
  StartUnreachable();
  THeartBeatThread thread(pc.platform(), app.engine);

  pc.Advance(kMinute);
  std::vector<std::string> lines = app.NewMessages();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], app.T(10226));
  EXPECT_THAT(lines[1], StartsWith(app.T(10302) + "H:' "));
  EXPECT_EQ(lines[2], app.T(10312));
  EXPECT_TRUE(thread.InShortInterval());
  EXPECT_EQ(app.surfaces.BalloonHintMessage.ShownCount, 1);

  for (int attempt = 1; attempt <= 20; ++attempt) {
    SCOPED_TRACE(attempt);
    pc.Advance(kShort - 1);
    EXPECT_THAT(app.NewMessages(), IsEmpty());
    pc.Advance(1);
    lines = app.NewMessages();
    ASSERT_EQ(lines.size(), attempt < 20 ? 2u : 3u);
    EXPECT_EQ(lines[0], app.T(10226));
    EXPECT_THAT(lines[1], StartsWith(app.T(10302) + "H:' "));
    if (attempt == 20) {
      EXPECT_EQ(lines[2], app.T(10314));
    }
  }
  EXPECT_FALSE(thread.InShortInterval());
  EXPECT_EQ(CountCalls(pc, "AddConnection2", "H:"), 21);

  // Back on the minute, where the next failure starts the short schedule again.
  pc.Advance(kMinute - 1);
  EXPECT_THAT(app.NewMessages(), IsEmpty());
  pc.Advance(1);
  lines = app.NewMessages();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], app.T(10312));
  EXPECT_TRUE(thread.InShortInterval());
  EXPECT_EQ(thread.ShortAttempt(), 1);
  EXPECT_EQ(app.surfaces.BalloonHintMessage.ShownCount, 1);  // repeated failures: one balloon
}

// The heap in use, in bytes; 0 where the allocator does not tell.
size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return 0;  // the sanitizers' allocators keep their own books
#elif defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 33)
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#else
  return 0;
#endif
}

// A simulated day takes some seconds of real time (the thread wakes every second), so the
// suite compares day 1 with day 2, when the list has long been full; QUILLBAY_DAYS=30
// gives the month.
TEST_F(KeepAliveSchedule, AMonthWithAFailingDriveHoldsNoMoreThanADay) {
  if (HeapInUse() == 0) GTEST_SKIP() << "this allocator does not tell the heap in use";
  const char* asked = std::getenv("QUILLBAY_DAYS");
  const int days = asked != nullptr && std::atoi(asked) > 1 ? std::atoi(asked) : 2;
  StartUnreachable();
  THeartBeatThread thread(pc.platform(), app.engine);
  constexpr int64_t kDay = 24 * 60 * kMinute;
  size_t heapAfterDay1 = 0;
  for (int day = 1; day <= days; ++day) {
    for (int hour = 0; hour < 24; ++hour) {
      pc.Advance(kDay / 24);
      pc.NetCalls.clear();  // the simulated machine's journal, not the program's memory
    }
    if (day == 1) heapAfterDay1 = HeapInUse();
  }
  const size_t heapAtEnd = HeapInUse();
  // Some ten lines a minute: the list is full long before the first day is over.
  EXPECT_GT(app.surfaces.MessagesAdded, static_cast<uint64_t>(days) * 10000u);
  EXPECT_EQ(app.surfaces.Messages.size(), TSurfaces::MaxMessages);
  std::printf("heap in use after day 1: %zu KB, after day %d: %zu KB, lines written: %llu\n", heapAfterDay1 >> 10,
              days, heapAtEnd >> 10, static_cast<unsigned long long>(app.surfaces.MessagesAdded));
  EXPECT_LT(heapAtEnd, heapAfterDay1 + (1u << 20));
}

TEST_F(KeepAliveSchedule, RecoveryDuringShortScheduleReturnsToLongAfterFirstGoodRun) {
  StartUnreachable();
  THeartBeatThread thread(pc.platform(), app.engine);
  pc.Advance(kMinute + 2 * kShort);  // the failing run and two short attempts
  EXPECT_EQ(thread.ShortAttempt(), 3);
  app.NewMessages();

  pc.SetServerReachable("nas", true);
  pc.Advance(kShort);

  EXPECT_THAT(app.NewMessages(),
              ElementsAre(app.T(10226), app.T(10300) + "H:'.", app.T(10308), app.T(10313)));
  EXPECT_FALSE(thread.InShortInterval());
  EXPECT_EQ(app.surfaces.BalloonHintMessage.ShownCount, 2);
  EXPECT_EQ(app.surfaces.BalloonHintMessage.Kind, 1);

  pc.Advance(kMinute - 1);
  EXPECT_THAT(app.NewMessages(), IsEmpty());
  pc.Advance(1);
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10226)));
}

TEST_F(KeepAliveSchedule, SingleShortAttemptWhenTheMaximumIsOne) {
  StartUnreachable();
  app.configuration.Prefs.MaxNrOfShortReconnectAttempts = 1;
  app.engine.SyncThreadValues();
  THeartBeatThread thread(pc.platform(), app.engine);

  pc.Advance(kMinute);
  EXPECT_EQ(app.NewMessages().back(), app.T(10312));
  pc.Advance(kShort);
  EXPECT_EQ(app.NewMessages().back(), app.T(10314));
  EXPECT_FALSE(thread.InShortInterval());
  pc.Advance(kMinute - 1);
  EXPECT_THAT(app.NewMessages(), IsEmpty());
}

TEST_F(KeepAliveSchedule, RunsWithoutDrivesUnderControlAnnounceNothing) {
  app.StartWith({});
  THeartBeatThread thread(pc.platform(), app.engine);
  ASSERT_EQ(app.surfaces.StatusText, "");

  pc.Advance(kMinute);

  EXPECT_THAT(app.NewMessages(), IsEmpty());
  EXPECT_NE(app.surfaces.StatusText, "");  // the run and its survey took place
  EXPECT_FALSE(thread.InShortInterval());
}

TEST_F(KeepAliveSchedule, DriveTheUserDisconnectedStaysDisconnected) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}});
  app.engine.ConnectDrives(false, "");
  app.engine.DisconnectDrives(false, "K:");
  const int attemptsBefore = CountCalls(pc, "AddConnection2", "K:");
  app.NewMessages();
  THeartBeatThread thread(pc.platform(), app.engine);

  pc.Advance(5 * kMinute);

  EXPECT_THAT(app.NewMessages(),
              ElementsAre(app.T(10226), app.T(10226), app.T(10226), app.T(10226), app.T(10226)));
  EXPECT_EQ(CountCalls(pc, "AddConnection2", "K:"), attemptsBefore);
  EXPECT_EQ(pc.MappingOf('K'), "");
  EXPECT_EQ(app.Drive("K:").State, dsDisconnected);
  EXPECT_FALSE(thread.InShortInterval());
}

TEST_F(KeepAliveSchedule, LongIntervalZeroStopsTheTimerUntilAPositiveOneIsSet) {
  app.StartWithShares({{"H:", kMedia}});
  app.configuration.Prefs.LongReconnectInterval = 0;
  app.engine.SyncThreadValues();
  app.engine.UpdateDriveStatus();
  THeartBeatThread thread(pc.platform(), app.engine);

  EXPECT_FALSE(thread.TimerRunning());
  pc.Advance(60 * kMinute);
  EXPECT_THAT(app.NewMessages(), IsEmpty());
  EXPECT_EQ(CountCalls(pc, "AddConnection2", "H:"), 0);

  app.configuration.Prefs.LongReconnectInterval = 2;
  app.engine.SyncThreadValues();
  thread.StartLongInterval();
  EXPECT_TRUE(thread.TimerRunning());
  pc.Advance(2 * kMinute - 1);
  EXPECT_THAT(app.NewMessages(), IsEmpty());
  pc.Advance(1);
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10226), app.T(10300) + "H:'."));
}

TEST_F(KeepAliveSchedule, RearmingFromTheMainThreadTakesEffectAtOnce) {
  StartUnreachable();
  THeartBeatThread thread(pc.platform(), app.engine);

  // Preferences confirmed 50 s into the interval: the minute starts again from there.
  pc.Advance(50000);
  thread.StartLongInterval();
  pc.Advance(kMinute - 1);
  EXPECT_THAT(app.NewMessages(), IsEmpty());
  pc.Advance(1);
  EXPECT_EQ(app.NewMessages().back(), app.T(10312));
  EXPECT_TRUE(thread.InShortInterval());

  // ... and a running short schedule is abandoned.
  pc.Advance(3000);
  thread.StartLongInterval();
  EXPECT_FALSE(thread.InShortInterval());
  pc.Advance(kMinute - 1);
  EXPECT_THAT(app.NewMessages(), IsEmpty());
  pc.Advance(1);
  EXPECT_EQ(app.NewMessages().size(), 3u);
}

TEST_F(KeepAliveSchedule, SlowRunsStillLeaveAFullIntervalBetweenThem) {
  app.StartWithShares({{"H:", kMedia}});
  app.engine.ConnectDrives(false, "");
  THeartBeatThread thread(pc.platform(), app.engine);
  pc.SetNetworkDelay(25000);  // a keep-alive run now takes 75 s, longer than the interval

  pc.Advance(10 * kMinute);

  std::vector<int64_t> starts;
  for (const SimNetCall& call : pc.NetCalls)
    if (call.Call == "AddConnection2" && call.AtMs > 0) starts.push_back(call.AtMs);
  ASSERT_GE(starts.size(), 3u);
  EXPECT_EQ(starts[0], kMinute + 25000);
  for (size_t i = 1; i < starts.size(); ++i) EXPECT_EQ(starts[i] - starts[i - 1], 75000 + kMinute);
  EXPECT_EQ(app.Drive("H:").State, dsConnected);
}

TEST_F(KeepAliveSchedule, ShortScheduleAskedForAtStartUpSurvives) {
  StartUnreachable();
  app.engine.ConnectDrives(false, "");  // the start-up connect fails
  app.NewMessages();

  THeartBeatThread thread(pc.platform(), app.engine);
  thread.StartShortInterval();

  pc.Advance(kShort - 1);
  EXPECT_THAT(app.NewMessages(), IsEmpty());
  pc.Advance(1);
  EXPECT_EQ(app.NewMessages().front(), app.T(10226));
  EXPECT_TRUE(thread.InShortInterval());
  EXPECT_EQ(thread.ShortAttempt(), 2);
}

TEST_F(KeepAliveShutdown, WaitingServesTheCallTheThreadIsBlockedIn) {
  app.StartWithShares({{"H:", kMedia}});
  app.engine.ConnectDrives(false, "");
  app.NewMessages();
  auto& clock = dynamic_cast<SimClock&>(pc.platform().clock);
  MainThreadCalls& calls = pc.platform().ui.MainThread();
  const auto queued = [&] {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (calls.QueuedCount() == 0 && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
    return calls.QueuedCount();
  };

  // The scheduled run is handed over and the thread sleeps on; asked to end before the
  // main thread got to it, the run does nothing: the engine may be gone by then.
  auto thread = std::make_unique<THeartBeatThread>(pc.platform(), app.engine);
  clock.MoveTo(kMinute);
  ASSERT_EQ(queued(), 1u);
  EXPECT_EQ(calls.WaitingCallers(), 0u);
  EXPECT_TRUE(thread->TerminateAndWait());
  calls.RunPending();  // if the wait for the end did not get to it, the main thread does later
  EXPECT_EQ(calls.QueuedCount(), 0u);
  EXPECT_THAT(app.NewMessages(), IsEmpty());
  EXPECT_EQ(RunsAt(pc, "H:", kMinute), 0);
  EXPECT_EQ(pc.AttachedThreads(), 0);
  EXPECT_FALSE(thread->TimerRunning());
  thread->StartShortInterval();  // without a timer: only the flag
  EXPECT_FALSE(thread->TimerRunning());
  thread.reset();

  // The machine woke: the thread blocks in the call that decides on the main thread, and
  // the wait for its end serves that call.
  thread = std::make_unique<THeartBeatThread>(pc.platform(), app.engine);
  app.engine.NetworkEvent(NetworkEventKind::Resumed);
  clock.MoveTo(kMinute + THeartBeatThread::NetworkEventDelay);
  ASSERT_EQ(queued(), 1u);
  EXPECT_EQ(calls.WaitingCallers(), 1u);
  EXPECT_TRUE(thread->TerminateAndWait());
  const std::vector<std::string> lines = app.NewMessages();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], app.T(10328));  // served; no new work after that
  EXPECT_EQ(pc.AttachedThreads(), 0);
}

TEST_F(KeepAliveShutdown, AskedFromInsideItsOwnRunItDoesNotHang) {
  app.StartWithShares({{"H:", kMedia}});
  THeartBeatThread thread(pc.platform(), app.engine);
  int asked = 0;
  bool waited = true;
  pc.OnProcessMessages = [&] {
    if (asked++ == 0) waited = thread.TerminateAndWait();
  };

  pc.Advance(kMinute);  // the scheduled run lets events run: the request comes from inside it

  pc.OnProcessMessages = nullptr;
  EXPECT_GE(asked, 1);
  EXPECT_FALSE(waited);
  EXPECT_TRUE(thread.TerminateAndWait());
  EXPECT_EQ(pc.AttachedThreads(), 0);
  EXPECT_EQ(app.Drive("H:").State, dsConnected);  // the run itself finished
  pc.Advance(5 * kMinute);
  EXPECT_EQ(CountCalls(pc, "AddConnection2", "H:"), 1);
}

namespace {

// The steady clock, optionally running faster, so that schedules of seconds pass in
// milliseconds while the thread still waits on a real condition variable.
class SteadyClock : public Clock {
 public:
  explicit SteadyClock(int speedUp) : speedUp_(speedUp), start_(std::chrono::steady_clock::now()) {}
  int64_t NowMs() override {
    const auto real = std::chrono::steady_clock::now() - start_;
    return std::chrono::duration_cast<std::chrono::microseconds>(real).count() * speedUp_ / 1000;
  }
  void Sleep(uint32_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::microseconds(int64_t{milliseconds} * 1000 / speedUp_));
  }
  void WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, int64_t deadlineMs) override {
    const int64_t rest = deadlineMs - NowMs();
    if (rest > 0) cv.wait_for(lock, std::chrono::microseconds(rest * 1000 / speedUp_));
  }
  std::string LocalTimeText() override { return "09:00:00"; }

 private:
  int64_t speedUp_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace

TEST_F(KeepAliveRealTime, ShortScheduleRunsAndShutdownIsPrompt) {
  StartUnreachable();
  SteadyClock fast(100);  // 10 s take 100 ms
  Platform platform = WithClock(pc.platform(), fast);
  MainThreadCalls& calls = pc.platform().ui.MainThread();

  THeartBeatThread thread(platform, app.engine);
  thread.StartShortInterval();
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (CountCalls(pc, "AddConnection2", "H:") < 3 && std::chrono::steady_clock::now() < giveUp) calls.WaitAndRun(10);

  EXPECT_GE(CountCalls(pc, "AddConnection2", "H:"), 3);
  EXPECT_TRUE(thread.InShortInterval());
  EXPECT_GE(thread.ShortAttempt(), 3);
  const auto before = std::chrono::steady_clock::now();
  EXPECT_TRUE(thread.TerminateAndWait());
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));

  // On the unscaled clock a minute-long wait still ends at once when asked to.
  SteadyClock real(1);
  Platform realPlatform = WithClock(pc.platform(), real);
  THeartBeatThread idle(realPlatform, app.engine);
  EXPECT_TRUE(idle.TimerRunning());
  EXPECT_GE(idle.DueMs(), real.NowMs() + 59000);
  const auto stop = std::chrono::steady_clock::now();
  EXPECT_TRUE(idle.TerminateAndWait());
  EXPECT_LT(std::chrono::steady_clock::now() - stop, std::chrono::milliseconds(500));
}

TEST_F(KeepAliveShutdown, FreedFromInsideItsOwnRunItLetsTheRunFinishAndEnds) {
  app.StartWithShares({{"H:", kMedia}, {"K:", kOffice}});
  app.engine.UpdateDriveStatus();  // start-up's first survey
  auto thread = std::make_unique<THeartBeatThread>(pc.platform(), app.engine);
  bool freed = false;
  // Exit chosen while the scheduled run walks the drives: the owner frees the thread
  // from inside that very run.
  pc.OnProcessMessages = [&] {
    if (!freed && thread && thread->InOwnCall()) {
      freed = true;
      thread.reset();
    }
  };

  pc.Advance(kMinute);  // returns: the free neither hangs nor cuts the run short

  pc.OnProcessMessages = nullptr;
  ASSERT_TRUE(freed);
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (pc.AttachedThreads() > 0 && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
  EXPECT_EQ(pc.AttachedThreads(), 0);  // the thread ended by itself once the run returned
  EXPECT_EQ(app.Drive("H:").State, dsConnected);
  EXPECT_EQ(app.Drive("K:").State, dsConnected);
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10226), app.T(10300) + "H:'.", app.T(10300) + "K:'."));

  // Nothing runs any more, and events reach nobody.
  pc.VanishVolume('H');
  app.engine.NetworkEvent(NetworkEventKind::Resumed);
  pc.Advance(5 * kMinute);
  EXPECT_EQ(CountCalls(pc, "AddConnection2", "H:"), 1);
  EXPECT_THAT(app.NewMessages(), IsEmpty());
}

#include "engine/HeartBeatThread.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <limits>
#include <mutex>

#include "engine/Engine.h"
#include "platform/MainThreadCalls.h"
#include "platform/Platform.h"

namespace {

// Counts the synchronized calls running, so that a wait for the thread can tell it was
// asked from inside one of them.
struct ServingCall {
  explicit ServingCall(std::atomic<int>& count) : count_(count) { ++count_; }
  ~ServingCall() { --count_; }
  std::atomic<int>& count_;
};

uint32_t Bit(NetworkEventKind kind) { return 1u << static_cast<uint32_t>(kind); }

}  // namespace

class THeartBeatThread::TKeepTime : public std::enable_shared_from_this<TKeepTime> {
 public:
  TKeepTime(Platform& platform, TEngine& engine) : platform_(platform), engine_(engine) {}

  void Execute();
  void StartLongInterval();
  void StartShortInterval();
  void NetworkEvent(NetworkEventKind kind);
  // Asks the loop to end; true when the calling thread may wait for it.
  bool Terminate();
  void WaitUntilFinished();
  bool InOwnCall() const { return servingCalls_.load() > 0 && platform_.ui.MainThread().OnMainThread(); }
  void WaitForStart();

  bool InShortInterval() const { return inShortInterval_; }
  int32_t ShortAttempt() const { return shortAttempt_; }
  bool TimerRunning() const;
  int64_t DueMs() const;
  int64_t NetworkEventDueMs() const;

 private:
  enum class EventRun { Skipped, Busy, Ran };

  // Hands the scheduled run to the main thread without waiting for it: a thread that
  // waited would wake a second time when the run returns, on every idle minute.
  void PostHeartBeatTimer(int64_t startMs);
  void HeartBeatTimer();
  void HeartBeatTimerEnded(uint64_t armedBefore, int64_t startMs);
  EventRun NetworkEventRun(uint32_t events);
  // What follows a run: the schedule reacts to its outcome. An event run that failed
  // starts the short schedule over at attempt 1.
  void AfterRun(bool eventRun);
  // True when it moved the timer's due time.
  bool RanLocked(uint64_t armedBefore, bool moveDue = true);
  // Runs fn on the main thread. False when the thread is ending, before or after the
  // call: the owner may be gone by then, so nothing of the engine may be touched.
  bool Synchronize(const std::function<void()>& fn);
  void ArmLocked(uint32_t intervalMs);

  Platform& platform_;
  TEngine& engine_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool started_ = false;
  bool timerExists_ = false;
  bool timerEnabled_ = false;
  int64_t dueMs_ = 0;
  uint32_t intervalMs_ = 0;
  uint64_t armCount_ = 0;  // times the timer was (re)armed
  uint32_t pendingEvents_ = 0;  // bits of NetworkEventKind collected so far
  int64_t eventDueMs_ = 0;
  int64_t lastRunEndMs_ = std::numeric_limits<int64_t>::min() / 2;
  bool terminated_ = false;
  bool finished_ = false;
  bool tickRunning_ = false;     // a scheduled run handed to the main thread has not ended
  bool waitingForTick_ = false;  // the timer came due again before it ended
  std::atomic<bool> inShortInterval_{false};
  std::atomic<int32_t> shortAttempt_{1};
  std::atomic<int> servingCalls_{0};  // synchronized calls running on the main thread
};

// ---- The owner ----

THeartBeatThread::THeartBeatThread(Platform& platform, TEngine& engine)
    : engine_(engine), state_(std::make_shared<TKeepTime>(platform, engine)) {
  thread_ = std::thread([state = state_] { state->Execute(); });
  // Once the timer exists, a short schedule asked for right after start-up (the start-up
  // connect failed) re-arms it instead of being overridden by the thread's first step.
  state_->WaitForStart();
  engine.SetNetworkEventSink([state = state_.get()](NetworkEventKind kind) { state->NetworkEvent(kind); });
}

THeartBeatThread::~THeartBeatThread() {
  engine_.SetNetworkEventSink(nullptr);
  if (TerminateAndWait()) return;
  thread_.detach();
}

void THeartBeatThread::StartLongInterval() { state_->StartLongInterval(); }
void THeartBeatThread::StartShortInterval() { state_->StartShortInterval(); }
bool THeartBeatThread::InOwnCall() const { return state_->InOwnCall(); }
bool THeartBeatThread::InShortInterval() const { return state_->InShortInterval(); }
int32_t THeartBeatThread::ShortAttempt() const { return state_->ShortAttempt(); }
bool THeartBeatThread::TimerRunning() const { return state_->TimerRunning(); }
int64_t THeartBeatThread::DueMs() const { return state_->DueMs(); }
int64_t THeartBeatThread::NetworkEventDueMs() const { return state_->NetworkEventDueMs(); }

bool THeartBeatThread::TerminateAndWait() {
  if (!state_->Terminate()) return false;
  if (!thread_.joinable()) return true;
  state_->WaitUntilFinished();
  thread_.join();
  return true;
}

// ---- The thread's state ----

void THeartBeatThread::TKeepTime::WaitForStart() {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait(lock, [this] { return started_; });
}

bool THeartBeatThread::TKeepTime::Terminate() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    terminated_ = true;
    platform_.clock.Wake(wake_);
  }
  return !InOwnCall();
}

void THeartBeatThread::TKeepTime::WaitUntilFinished() {
  MainThreadCalls& mainThread = platform_.ui.MainThread();
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (finished_) return;
    }
    mainThread.WaitAndRun(50);
  }
}

void THeartBeatThread::TKeepTime::ArmLocked(uint32_t intervalMs) {
  ++armCount_;
  intervalMs_ = intervalMs;
  timerEnabled_ = intervalMs > 0;
  dueMs_ = platform_.clock.NowMs() + intervalMs;
  platform_.clock.Wake(wake_);
}

void THeartBeatThread::TKeepTime::StartLongInterval() {
  std::lock_guard<std::mutex> lock(mutex_);
  inShortInterval_ = false;
  if (!timerExists_) return;
  const int32_t minutes = std::max<int32_t>(0, engine_.LongReconnectInterval.load());
  ArmLocked(static_cast<uint32_t>(minutes) * 60000u);
}

void THeartBeatThread::TKeepTime::StartShortInterval() {
  std::lock_guard<std::mutex> lock(mutex_);
  inShortInterval_ = true;
  shortAttempt_ = 1;
  if (!timerExists_) return;
  ArmLocked(ShortReconnectInterval);
}

bool THeartBeatThread::TKeepTime::TimerRunning() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return timerExists_ && timerEnabled_;
}

int64_t THeartBeatThread::TKeepTime::DueMs() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return timerExists_ && timerEnabled_ ? dueMs_ : -1;
}

int64_t THeartBeatThread::TKeepTime::NetworkEventDueMs() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pendingEvents_ != 0 ? eventDueMs_ : -1;
}

void THeartBeatThread::TKeepTime::NetworkEvent(NetworkEventKind kind) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (terminated_) return;
  // Counted from the first event of a burst, so that a network that keeps announcing
  // itself cannot put the run off for ever.
  const bool first = pendingEvents_ == 0;
  if (first) eventDueMs_ = std::max(platform_.clock.NowMs(), lastRunEndMs_) + NetworkEventDelay;
  pendingEvents_ |= Bit(kind);
  // The rest of a burst changes no deadline: the thread sleeps on.
  if (first) platform_.clock.Wake(wake_);
}

void THeartBeatThread::TKeepTime::Execute() {
  Clock& clock = platform_.clock;
  clock.AttachThread();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    timerExists_ = true;
  }
  StartLongInterval();

  std::unique_lock<std::mutex> lock(mutex_);
  started_ = true;
  wake_.notify_all();
  while (!terminated_) {
    const int64_t now = clock.NowMs();
    if (pendingEvents_ != 0 && now >= eventDueMs_) {
      const uint32_t events = pendingEvents_;
      pendingEvents_ = 0;
      const uint64_t armed = armCount_;
      lock.unlock();
      const EventRun outcome = NetworkEventRun(events);
      lock.lock();
      if (outcome == EventRun::Busy) {
        // A run of the user's is walking the drives: look again once it may be over.
        if (pendingEvents_ == 0) eventDueMs_ = clock.NowMs() + NetworkEventDelay;
        pendingEvents_ |= events;
      } else if (outcome == EventRun::Ran) {
        RanLocked(armed);
      }
      continue;
    }
    if (timerEnabled_ && now >= dueMs_) {
      if (tickRunning_) {
        waitingForTick_ = true;  // a run slower than the interval: the next waits for its end
      } else {
        pendingEvents_ = 0;  // this run does all that the events asked for
        tickRunning_ = true;
        // One interval on unless the run re-arms the timer or takes long: the thread need
        // not hear of a run that changes nothing.
        dueMs_ = now + intervalMs_;
        lock.unlock();
        PostHeartBeatTimer(now);
        lock.lock();
        continue;
      }
    }
    // Sleeps until the next thing due; every request that changes it (re-arming, an
    // event, the end) wakes the thread, so there is nothing to look at in between.
    int64_t deadline = std::numeric_limits<int64_t>::max();
    if (timerEnabled_ && !waitingForTick_) deadline = dueMs_;
    if (pendingEvents_ != 0) deadline = std::min(deadline, eventDueMs_);
    clock.WaitUntil(lock, wake_, deadline);
  }
  timerExists_ = false;
  timerEnabled_ = false;
  lock.unlock();
  clock.DetachThread();
  lock.lock();
  finished_ = true;
  wake_.notify_all();
}

void THeartBeatThread::TKeepTime::PostHeartBeatTimer(int64_t startMs) {
  uint64_t armed;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    armed = armCount_;
  }
  platform_.ui.MainThread().Post([self = shared_from_this(), armed, startMs] {
    {
      std::lock_guard<std::mutex> lock(self->mutex_);
      // Asked to end meanwhile: the owner, and with it the engine, may be gone.
      if (self->terminated_) return;
    }
    self->HeartBeatTimer();
    self->HeartBeatTimerEnded(armed, startMs);
  });
}

void THeartBeatThread::TKeepTime::HeartBeatTimerEnded(uint64_t armedBefore, int64_t startMs) {
  std::lock_guard<std::mutex> lock(mutex_);
  tickRunning_ = false;
  // A quick run keeps the due time set when it started, within a second of the same.
  const bool moved = RanLocked(armedBefore, platform_.clock.NowMs() - startMs > 1000);
  if (waitingForTick_ || moved) {
    waitingForTick_ = false;
    platform_.clock.Wake(wake_);
  }
}

bool THeartBeatThread::TKeepTime::RanLocked(uint64_t armedBefore, bool moveDue) {
  const int64_t end = platform_.clock.NowMs();
  lastRunEndMs_ = end;
  // The next interval counts from the end of this run, so runs slower than the interval
  // (servers that time out) never follow each other without a pause.
  const bool moved = moveDue && armCount_ == armedBefore;
  if (moved) dueMs_ = end + intervalMs_;
  if (pendingEvents_ != 0) eventDueMs_ = std::max(eventDueMs_, end + NetworkEventDelay);
  return moved;
}

bool THeartBeatThread::TKeepTime::Synchronize(const std::function<void()>& fn) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (terminated_) return false;  // shutting down: no new work for the main thread
  }
  try {
    platform_.ui.MainThread().Call([&] {
      ServingCall serving(servingCalls_);
      fn();
    });
  } catch (...) {
    // The runs report their own failures; the schedule goes on.
  }
  std::lock_guard<std::mutex> lock(mutex_);
  return !terminated_;
}

void THeartBeatThread::TKeepTime::HeartBeatTimer() {
  TEngine& engine = engine_;
  // Decided on the main thread in each call: a run must not start inside a call of
  // another that waits on its server.
  bool waiting = false;
  const auto skippedWhileWaiting = [&] {
    waiting = engine.WaitingOnServer();
    if (waiting) engine.AddMessage(mkInformation, engine.T(10821));
    return waiting;
  };
  if (engine.NrOfDrivesUnderQBYControl.load() > 0 &&
      !Synchronize([&] {
        if (!skippedWhileWaiting()) engine.AddMessage(mkInformation, engine.T(10226));
      })) {
    return;
  }
  if (waiting) return;
  if (!Synchronize([&] {
        if (!skippedWhileWaiting()) engine.ConnectDrives(false, "");
      }) ||
      waiting) {
    return;
  }
  AfterRun(false);
}

THeartBeatThread::TKeepTime::EventRun THeartBeatThread::TKeepTime::NetworkEventRun(uint32_t events) {
  TEngine& engine = engine_;
  EventRun outcome = EventRun::Skipped;
  const bool resumed = (events & Bit(NetworkEventKind::Resumed)) != 0;
  const bool sessionReturned = (events & Bit(NetworkEventKind::SessionReturned)) != 0;
  const bool served = Synchronize([&] {
    // Decided on the main thread, where the drives' states and the user's runs are.
    if (engine.RunInProgress()) {
      outcome = EventRun::Busy;
      return;
    }
    if (engine.NrOfDrivesUnderQBYControl.load() == 0) return;
    // After a sleep every connection may be stale, however the drives looked before.
    if (!resumed && !engine.AnyDriveAwaitingConnection()) return;
    outcome = EventRun::Ran;
    engine.AddMessage(mkInformation, resumed ? engine.T(10328) : sessionReturned ? engine.T(10329) : engine.T(10327));
    engine.ConnectDrives(false, "");
  });
  if (!served) return EventRun::Skipped;  // ending: nothing more to do
  if (outcome == EventRun::Ran) AfterRun(true);
  return outcome;
}

void THeartBeatThread::TKeepTime::AfterRun(bool eventRun) {
  TEngine& engine = engine_;
  const bool error = engine.CurrentConnectionError.load();
  if (inShortInterval_) {
    if (!error) {
      if (!Synchronize([&] { engine.AddMessage(mkInformation, engine.T(10313)); })) return;
      StartLongInterval();
    } else if (eventRun) {
      StartShortInterval();
    } else if (shortAttempt_ < engine.MaxNrOfShortReconnectAttempts.load()) {
      ++shortAttempt_;
    } else {
      if (!Synchronize([&] { engine.AddMessage(mkInformation, engine.T(10314)); })) return;
      StartLongInterval();
    }
  } else if (error) {
    if (!Synchronize([&] { engine.AddMessage(mkInformation, engine.T(10312)); })) return;
    StartShortInterval();
  }
}

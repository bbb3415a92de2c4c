#include "engine/HeartBeatThread.h"

#include <algorithm>

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

}  // namespace

THeartBeatThread::THeartBeatThread(Platform& platform, TEngine& engine)
    : platform_(platform), engine_(engine) {
  thread_ = std::thread([this] { Execute(); });
  // Once the timer exists, a short schedule asked for right after start-up (the start-up
  // connect failed) re-arms it instead of being overridden by the thread's first step.
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait(lock, [this] { return started_; });
}

THeartBeatThread::~THeartBeatThread() {
  // The owner ends the thread outside its synchronized calls; from inside one, this
  // could only return once that call has.
  TerminateAndWait();
  if (thread_.joinable()) thread_.join();
}

void THeartBeatThread::ArmLocked(uint32_t intervalMs) {
  ++armCount_;
  intervalMs_ = intervalMs;
  timerEnabled_ = intervalMs > 0;
  dueMs_ = platform_.clock.NowMs() + intervalMs;
  wake_.notify_all();
}

void THeartBeatThread::StartLongInterval() {
  std::lock_guard<std::mutex> lock(mutex_);
  inShortInterval_ = false;
  if (!timerExists_) return;
  const int32_t minutes = std::max<int32_t>(0, engine_.LongReconnectInterval.load());
  ArmLocked(static_cast<uint32_t>(minutes) * 60000u);
}

void THeartBeatThread::StartShortInterval() {
  std::lock_guard<std::mutex> lock(mutex_);
  inShortInterval_ = true;
  shortAttempt_ = 1;
  if (!timerExists_) return;
  ArmLocked(ShortReconnectInterval);
}

bool THeartBeatThread::TimerRunning() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return timerExists_ && timerEnabled_;
}

int64_t THeartBeatThread::DueMs() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return timerExists_ && timerEnabled_ ? dueMs_ : -1;
}

bool THeartBeatThread::TerminateAndWait() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    terminated_ = true;
  }
  wake_.notify_all();
  if (!thread_.joinable()) return true;
  MainThreadCalls& mainThread = platform_.ui.MainThread();
  if (servingCalls_.load() > 0 && mainThread.OnMainThread()) return false;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (finished_) break;
    }
    mainThread.WaitAndRun(50);
  }
  thread_.join();
  return true;
}

void THeartBeatThread::Execute() {
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
    if (timerEnabled_ && now >= dueMs_) {
      const uint64_t armed = armCount_;
      lock.unlock();
      HeartBeatTimer();
      lock.lock();
      // The next interval counts from the end of this run, so runs slower than the
      // interval (servers that time out) never follow each other without a pause.
      if (armCount_ == armed) dueMs_ = clock.NowMs() + intervalMs_;
      continue;
    }
    int64_t deadline = now + 1000;  // wakes at least once a second
    if (timerEnabled_) deadline = std::min(deadline, dueMs_);
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

void THeartBeatThread::Synchronize(const std::function<void()>& fn) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (terminated_) return;  // shutting down: no new work for the main thread
  }
  try {
    platform_.ui.MainThread().Call([&] {
      ServingCall serving(servingCalls_);
      fn();
    });
  } catch (...) {
    // The runs report their own failures; the schedule goes on.
  }
}

void THeartBeatThread::HeartBeatTimer() {
  TEngine& engine = engine_;
  if (engine.NrOfDrivesUnderQBYControl.load() > 0) {
    Synchronize([&] { engine.AddMessage(mkInformation, engine.T(10226)); });
  }
  Synchronize([&] { engine.ConnectDrives(false, ""); });
  const bool error = engine.CurrentConnectionError.load();
  if (inShortInterval_) {
    if (!error) {
      Synchronize([&] { engine.AddMessage(mkInformation, engine.T(10313)); });
      StartLongInterval();
    } else if (shortAttempt_ < engine.MaxNrOfShortReconnectAttempts.load()) {
      ++shortAttempt_;
    } else {
      Synchronize([&] { engine.AddMessage(mkInformation, engine.T(10314)); });
      StartLongInterval();
    }
  } else if (error) {
    Synchronize([&] { engine.AddMessage(mkInformation, engine.T(10312)); });
    StartShortInterval();
  }
}

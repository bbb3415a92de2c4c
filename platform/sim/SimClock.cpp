#include "platform/sim/SimClock.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/MainThreadCalls.h"

namespace {
// Simulated time 0 is 2026-12-08 09:00:00 local time.
constexpr int64_t StartSecondsOfDay = 9 * 3600;
}  // namespace

int64_t SimClock::NowMs() {
  std::lock_guard<std::mutex> lock(mutex_);
  return now_;
}

void SimClock::Sleep(uint32_t milliseconds) {
  std::vector<Waiter*> due;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    now_ += milliseconds;
    due = TakeWaiters(false);
  }
  Notify(due);
}

void SimClock::MoveTo(int64_t atMs) {
  std::vector<Waiter*> due;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (atMs > now_) now_ = atMs;
    due = TakeWaiters(false);
  }
  Notify(due);
}

void SimClock::WakeAll() {
  std::vector<Waiter*> all;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    all = TakeWaiters(true);
  }
  Notify(all);
}

std::vector<SimClock::Waiter*> SimClock::TakeWaiters(bool all) {
  std::vector<Waiter*> taken;
  for (Waiter& waiter : waiters_) {
    if (waiter.woken || (!all && waiter.deadline > now_)) continue;
    waiter.woken = true;
    ++waiter.notifiers;
    taken.push_back(&waiter);
  }
  return taken;
}

void SimClock::Notify(const std::vector<Waiter*>& waiters) {
  if (waiters.empty()) return;
  // Holding the waiter's mutex while notifying: it either has not yet released it in
  // cv.wait (then it is woken once it waits) or it is waiting; no wake-up is lost.
  for (Waiter* waiter : waiters) {
    std::lock_guard<std::mutex> lock(*waiter->mutex);
    waiter->cv->notify_all();
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (Waiter* waiter : waiters) --waiter->notifiers;
  }
  released_.notify_all();
}

void SimClock::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                         int64_t deadlineMs) {
  std::list<Waiter>::iterator entry;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (now_ >= deadlineMs) return;
    entry = waiters_.insert(waiters_.end(), Waiter{&cv, lock.mutex(), deadlineMs});
    ++activityCount_;
  }
  activity_.notify_all();
  cv.wait(lock);
  // A notifier may be about to lock the caller's mutex: release it while the entry is
  // unregistered, so that neither waits for the other.
  lock.unlock();
  {
    std::unique_lock<std::mutex> guard(mutex_);
    released_.wait(guard, [&] { return entry->notifiers == 0; });
    waiters_.erase(entry);
    ++wakeUps_;
  }
  lock.lock();
}

void SimClock::Wake(std::condition_variable& cv) {
  {
    // Marked busy before Settle can look again, so that it waits for the woken thread
    // to take in whatever the caller changed.
    std::lock_guard<std::mutex> guard(mutex_);
    for (Waiter& waiter : waiters_)
      if (waiter.cv == &cv) waiter.woken = true;
  }
  cv.notify_all();  // the caller holds the waiter's mutex: no wake-up is lost
}

int64_t SimClock::WakeUps() {
  std::lock_guard<std::mutex> lock(mutex_);
  return wakeUps_;
}

std::string SimClock::LocalTimeText() {
  int64_t seconds = (StartSecondsOfDay + NowMs() / 1000) % 86400;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return text;
}

void SimClock::AttachThread() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++attached_;
}

void SimClock::DetachThread() {
  // Notified under the lock: once the count says detached, the machine (and this clock)
  // may be freed, so the thread must not touch it after letting go.
  std::lock_guard<std::mutex> lock(mutex_);
  --attached_;
  ++activityCount_;
  activity_.notify_all();
}

void SimClock::Poke() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++activityCount_;
  }
  activity_.notify_all();
}

int SimClock::AttachedThreads() {
  std::lock_guard<std::mutex> lock(mutex_);
  return attached_;
}

int64_t SimClock::NextDeadline(int64_t cap) {
  std::lock_guard<std::mutex> lock(mutex_);
  int64_t next = cap;
  for (const Waiter& waiter : waiters_)
    if (waiter.deadline > now_ && waiter.deadline < next) next = waiter.deadline;
  return next;
}

void SimClock::Settle(MainThreadCalls& calls) {
  if (!calls.OnMainThread()) throw std::logic_error("SimMachine: Settle runs on the main thread only");
  // Taken at the first wait only: a settled machine, the common case, reads no clock.
  std::optional<std::chrono::steady_clock::time_point> giveUp;
  for (;;) {
    uint64_t seen;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      seen = activityCount_;
    }
    calls.RunPending();
    // Read the calls before the waiters: a thread leaving a finished call is then seen
    // as busy rather than missed in between.
    size_t queued = calls.QueuedCount();
    size_t blocked = calls.WaitingCallers();
    {
      std::unique_lock<std::mutex> lock(mutex_);
      size_t idle = blocked;
      for (const Waiter& waiter : waiters_)
        if (!waiter.woken && waiter.deadline > now_) ++idle;
      // A thread posts its work before it waits again: seen waiting, its work is queued
      // by now, and is looked for once more below.
      if (queued == 0 && idle >= static_cast<size_t>(attached_)) {
        lock.unlock();
        if (calls.QueuedCount() == 0) return;
        continue;
      }
      const auto now = std::chrono::steady_clock::now();
      if (!giveUp) giveUp = now + std::chrono::seconds(10);
      if (now > *giveUp)
        throw std::runtime_error("SimMachine: background threads did not become idle within 10 s (" +
                                 std::to_string(attached_) + " attached, " + std::to_string(idle - blocked) +
                                 " waiting, " + std::to_string(blocked) + " in synchronized calls)");
      // Woken by the threads' own steps; the timeout covers a woken thread that goes back
      // to work without waiting again.
      activity_.wait_for(lock, std::chrono::milliseconds(1), [&] { return activityCount_ != seen; });
    }
  }
}

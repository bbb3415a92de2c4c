#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

// Time as the program sees it. The simulated machine's clock only moves when a test
// moves it, so schedules of minutes run in milliseconds.
class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic milliseconds.
  virtual int64_t NowMs() = 0;
  // Blocks the calling thread.
  virtual void Sleep(uint32_t milliseconds) = 0;
  // Waits on cv (lock held by the caller) until NowMs() >= deadlineMs or cv is notified.
  // May return early; callers re-check their condition.
  virtual void WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                         int64_t deadlineMs) = 0;
  // Wakes the threads waiting on cv in WaitUntil; the caller holds cv's mutex. Going
  // through the clock lets a simulated clock know the woken thread is busy again.
  virtual void Wake(std::condition_variable& cv) { cv.notify_all(); }
  // The current local time in the system's long time format.
  virtual std::string LocalTimeText() = 0;
  // A background thread that waits on this clock announces itself, so that a simulated
  // clock can tell when all of them are idle. No-ops on the real clock.
  virtual void AttachThread() {}
  virtual void DetachThread() {}
};

#pragma once
#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>
#include <vector>

#include "platform/Clock.h"

class MainThreadCalls;

// Simulated time, shared by the main thread and the background threads. Time only moves
// when the test (or a simulated blocking call) moves it; the machine then wakes the
// threads whose deadlines have come and waits until they are idle again.
//
// Do not move the clock (Sleep, a delayed network call, Advance) while holding a mutex
// that a thread waits with in WaitUntil: the clock locks that mutex to wake the thread.
class SimClock : public Clock {
 public:
  int64_t NowMs() override;
  // Advances simulated time at once, as a blocking call that took that long.
  void Sleep(uint32_t milliseconds) override;
  void WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                 int64_t deadlineMs) override;
  void Wake(std::condition_variable& cv) override;
  std::string LocalTimeText() override;
  void AttachThread() override;
  void DetachThread() override;

  int AttachedThreads();
  // Times a thread waiting in WaitUntil was woken, whether by its deadline, a Wake, the
  // machine or spuriously.
  int64_t WakeUps();
  // Moves time forward to atMs (never back) and wakes the threads whose deadline is due.
  void MoveTo(int64_t atMs);
  // The earliest waiting deadline after now, or cap when none comes before it.
  int64_t NextDeadline(int64_t cap);
  // Wakes every waiting thread so that each re-examines its state (e.g. a schedule the
  // main thread changed); they count as busy until they wait again.
  void WakeAll();
  // Main thread: runs synchronized calls until every attached thread waits for a future
  // deadline or is blocked in a synchronized call. Throws std::runtime_error when the
  // threads do not settle within 10 s of real time.
  void Settle(MainThreadCalls& calls);
  // A thread has queued a synchronized call: a settling main thread looks again at once.
  void Poke();

 private:
  struct Waiter {
    std::condition_variable* cv;
    std::mutex* mutex;
    int64_t deadline;
    bool woken = false;   // notified by the clock; busy until it waits again
    int notifiers = 0;    // wake-ups in progress; the entry must outlive them
  };
  // Under mutex_: marks the waiters to wake and pins them.
  std::vector<Waiter*> TakeWaiters(bool all);
  void Notify(const std::vector<Waiter*>& waiters);

  std::mutex mutex_;
  std::condition_variable released_;
  // What a settling main thread waits for: a thread that starts waiting, detaches or
  // queues a call.
  std::condition_variable activity_;
  uint64_t activityCount_ = 0;
  std::list<Waiter> waiters_;
  int64_t now_ = 0;
  int attached_ = 0;
  int64_t wakeUps_ = 0;
};

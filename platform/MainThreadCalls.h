#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Synchronized calls: another thread hands work to the main thread and waits until it
// has run. The main thread runs pending calls whenever it lets pending events run.
class MainThreadCalls {
 public:
  MainThreadCalls();
  // From any thread but the main one: blocks until fn has run on the main thread.
  // On the main thread itself fn runs at once. An exception in fn is passed back.
  void Call(const std::function<void()>& fn);
  // Main thread: runs every call waiting now (and those queued while they run).
  // Returns the number of calls run.
  int RunPending();
  // Main thread: blocks up to timeoutMs for a call to arrive, then runs pending calls.
  int WaitAndRun(int timeoutMs);
  // Calls queued and not yet started (a waiting caller each).
  size_t QueuedCount();
  // Calls started by RunPending and not yet finished (their callers still wait); lets a
  // simulated machine tell a thread blocked in a running call from a busy one.
  size_t RunningCount();
  bool OnMainThread() const { return std::this_thread::get_id() == mainThread_; }
  // Called (from the calling thread) whenever a call is queued, e.g. to wake a message loop.
  void SetWakeHook(std::function<void()> hook);

 private:
  struct Pending;
  std::thread::id mainThread_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<Pending*> queue_;
  size_t running_ = 0;
  std::function<void()> wake_;
};

#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Synchronized calls: another thread hands work to the main thread and waits until it
// has run, or hands it over and goes on. The main thread runs pending calls whenever it
// lets pending events run.
class MainThreadCalls {
 public:
  MainThreadCalls();
  ~MainThreadCalls();
  MainThreadCalls(const MainThreadCalls&) = delete;
  MainThreadCalls& operator=(const MainThreadCalls&) = delete;
  // From any thread but the main one: blocks until fn has run on the main thread.
  // On the main thread itself fn runs at once. An exception in fn is passed back.
  void Call(const std::function<void()>& fn);
  // From any thread: fn runs on the main thread the next time it runs pending calls; the
  // caller does not wait. fn must keep alive what it uses. An exception in fn is dropped.
  void Post(std::function<void()> fn);
  // Main thread: runs every call waiting now (and those queued while they run).
  // Returns the number of calls run.
  int RunPending();
  // Main thread: blocks up to timeoutMs for a call to arrive, then runs pending calls.
  int WaitAndRun(int timeoutMs);
  // Calls queued and not yet started, posted ones included.
  size_t QueuedCount();
  // Threads blocked in Call, queued or running; lets a simulated machine tell a thread
  // blocked in a call from a busy one.
  size_t WaitingCallers();
  bool OnMainThread() const { return std::this_thread::get_id() == mainThread_; }
  // Called (from the calling thread) whenever a call is queued, e.g. to wake a message loop.
  void SetWakeHook(std::function<void()> hook);

 private:
  struct Pending;
  std::thread::id mainThread_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<Pending*> queue_;
  size_t running_ = 0;  // calls with a waiting caller, started and not yet finished
  std::function<void()> wake_;
};

#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class TEngine;
struct Platform;

// Keeps the drives alive: repeats the connect run on the long schedule, and every
// 10 seconds for a bounded number of attempts after a failure. All work runs on the
// main thread through synchronized calls.
class THeartBeatThread {
 public:
  static constexpr uint32_t ShortReconnectInterval = 10000;

  // Starts the thread; returns once it keeps time, so a schedule asked for from now on
  // applies to its timer.
  THeartBeatThread(Platform& platform, TEngine& engine);
  ~THeartBeatThread();  // terminates and waits
  THeartBeatThread(const THeartBeatThread&) = delete;
  THeartBeatThread& operator=(const THeartBeatThread&) = delete;

  // Callable from either thread; take effect on the thread's timer at once. After the
  // thread has freed its timer they only set the flag.
  void StartLongInterval();
  void StartShortInterval();
  // Ends the loop and waits for it, serving its synchronized calls meanwhile. Called from
  // inside one of those calls it cannot wait (the thread waits for that very call): it
  // only asks the loop to end and returns false; the destructor waits later.
  bool TerminateAndWait();

  bool InShortInterval() const { return inShortInterval_; }
  int32_t ShortAttempt() const { return shortAttempt_; }
  bool TimerRunning() const;
  // Simulated/real milliseconds at which the timer fires next; -1 when it is stopped.
  int64_t DueMs() const;

 private:
  void Execute();
  void HeartBeatTimer();
  void Synchronize(const std::function<void()>& fn);
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
  bool terminated_ = false;
  bool finished_ = false;
  std::atomic<bool> inShortInterval_{false};
  std::atomic<int32_t> shortAttempt_{1};
  std::atomic<int> servingCalls_{0};  // synchronized calls running on the main thread
  std::thread thread_;
};

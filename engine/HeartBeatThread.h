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

  THeartBeatThread(Platform& platform, TEngine& engine);  // starts the thread
  ~THeartBeatThread();                                     // terminates and waits
  THeartBeatThread(const THeartBeatThread&) = delete;
  THeartBeatThread& operator=(const THeartBeatThread&) = delete;

  // Callable from either thread; take effect on the thread's timer at once.
  void StartLongInterval();
  void StartShortInterval();
  // Ends the loop and waits for it, serving its synchronized calls meanwhile.
  void TerminateAndWait();

  bool InShortInterval() const { return inShortInterval_; }
  int32_t ShortAttempt() const { return shortAttempt_; }
  bool TimerRunning() const;

 private:
  void Execute();
  void HeartBeatTimer();
  void Synchronize(const std::function<void()>& fn);

  Platform& platform_;
  TEngine& engine_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool timerExists_ = false;
  bool timerEnabled_ = false;
  int64_t dueMs_ = 0;
  uint32_t intervalMs_ = 0;
  bool terminated_ = false;
  bool finished_ = false;
  std::atomic<bool> inShortInterval_{false};
  std::atomic<int32_t> shortAttempt_{1};
  std::thread thread_;
};

#pragma once
#include <cstdint>
#include <memory>
#include <thread>

#include "platform/NetworkEvents.h"

class TEngine;
struct Platform;

// Keeps the drives alive: repeats the connect run on the long schedule, and every
// 10 seconds for a bounded number of attempts after a failure. All work runs on the
// main thread through synchronized calls.
//
// It also brings drives back within seconds when the network, the machine or the
// session returns: while it runs it receives the events handed to TEngine::NetworkEvent,
// collects them for NetworkEventDelay, and then, if a drive under control is neither
// connected nor disconnected by the user (or the machine has resumed), runs what its next
// tick would run, with the event's reason as the announcement line. Such a run never
// starts on top of another run, and never sooner than NetworkEventDelay after the
// previous one; a scheduled run that comes first does the events' work instead.
class THeartBeatThread {
 public:
  static constexpr uint32_t ShortReconnectInterval = 10000;
  static constexpr uint32_t NetworkEventDelay = 2000;

  // Starts the thread; returns once it keeps time, so a schedule asked for from now on
  // applies to its timer. The platform must outlive the thread (see the destructor).
  THeartBeatThread(Platform& platform, TEngine& engine);
  // Terminates and waits. Reached from inside one of the thread's own synchronized calls
  // it cannot wait (the thread waits for that very call): it lets the thread go, which
  // then ends by itself as soon as that call returns, touching neither this object nor
  // the engine again.
  ~THeartBeatThread();
  THeartBeatThread(const THeartBeatThread&) = delete;
  THeartBeatThread& operator=(const THeartBeatThread&) = delete;

  // Callable from either thread; take effect on the thread's timer at once. After the
  // thread has freed its timer they only set the flag.
  void StartLongInterval();
  void StartShortInterval();
  // Ends the loop and waits for it, serving its synchronized calls meanwhile. Called from
  // inside one of those calls it cannot wait: it only asks the loop to end and returns
  // false; a later call (or the destructor) finishes the job.
  bool TerminateAndWait();
  // True on the main thread while one of this thread's synchronized calls runs there:
  // an owner that wants to end the thread should wait until that call has returned.
  bool InOwnCall() const;

  bool InShortInterval() const;
  int32_t ShortAttempt() const;
  bool TimerRunning() const;
  // Simulated/real milliseconds at which the timer fires next; -1 when it is stopped.
  int64_t DueMs() const;
  // When the collected events are looked at; -1 when none wait.
  int64_t NetworkEventDueMs() const;

 private:
  class TKeepTime;  // the thread's own state, shared so that it can outlive this object
  TEngine& engine_;
  std::shared_ptr<TKeepTime> state_;
  std::thread thread_;
};

#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>

#include "platform/MainThreadCalls.h"
#include "platform/UserInterface.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimMachine.h"

// Message boxes answered from a script, the cursor, the main thread's timers on the
// simulated clock, and the processing of pending events (synchronized calls included).
class SimUserInterface : public UserInterface {
 public:
  SimUserInterface(SimMachine& machine, SimClock& clock, MainThreadCalls& calls)
      : machine_(machine), clock_(clock), calls_(calls) {}

  int MessageBox(const std::string& text, const std::string& caption, MessageBoxKind kind) override;
  void SetBusyCursor(bool busy) override { busy_ = busy; }
  void ProcessMessages() override;
  MainThreadCalls& MainThread() override { return calls_; }
  uint32_t SetTimer(uint32_t milliseconds, std::function<void()> onTimer) override;
  void KillTimer(uint32_t id) override;
  int ShowModal(ModalWindow& window) override;
  bool OpenFileDialog(const OpenFileRequest& request, std::string& fileName) override;
  void SetHandCursor(bool hand) override { hand_ = hand; }
  // The call runs in place; a delay inside it passes through WaitServingMessages, so the
  // main thread serves its messages while simulated time moves on.
  bool RunServingMessages(std::function<void()> call) override;
  bool RunsCallsInPlace() const override { return true; }
  void WaitServingMessages(uint32_t milliseconds) override;
  int CallsInFlight() const override { return inFlight_; }
  void SetEnding(bool ending) override { ending_ = ending; }
  bool Ending() const override { return ending_; }

  void WhenModal(std::function<void()> user) { modalUsers_.push_back(std::move(user)); }
  void ChooseFile(std::string fileName) { fileAnswers_.push_back(std::move(fileName)); }
  bool Hand() const { return hand_; }
  void AnswerNext(int answer) { answers_.push_back(answer); }
  // What the user does elsewhere while the next message box is open, before answering it.
  void WhileAsking(std::function<void()> user) { askingUsers_.push_back(std::move(user)); }
  bool Busy() const { return busy_; }
  std::optional<int64_t> NextTimerDue() const;
  int TimerCount() const { return static_cast<int>(timers_.size()); }
  // Fires each timer that is due now once, earliest first.
  void FireDueTimers();

 private:
  struct Timer {
    uint32_t Interval;
    int64_t Due;
    std::function<void()> OnTimer;
  };
  SimMachine& machine_;
  SimClock& clock_;
  MainThreadCalls& calls_;
  std::deque<int> answers_;
  bool busy_ = false;
  bool hand_ = false;
  std::deque<std::function<void()>> modalUsers_;
  std::deque<std::function<void()>> askingUsers_;
  std::deque<std::string> fileAnswers_;
  std::map<uint32_t, Timer> timers_;
  uint32_t nextTimerId_ = 1;
  int inFlight_ = 0;
  bool ending_ = false;
};

#include "platform/sim/SimUserInterface.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/WinTypes.h"

namespace {
constexpr uint32_t UserTimerMinimum = 10;  // Windows raises shorter intervals to this
}

int SimUserInterface::MessageBox(const std::string& text, const std::string& caption, MessageBoxKind kind) {
  if (!askingUsers_.empty()) {
    std::function<void()> user = std::move(askingUsers_.front());
    askingUsers_.pop_front();
    if (user) user();
  }
  int answer = kind == MessageBoxKind::Question ? win::IDNO : win::IDOK;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  machine_.MessageBoxes.push_back({text, caption, kind, answer});
  return answer;
}

int SimUserInterface::ShowModal(ModalWindow& window) {
  ++machine_.ModalShowings;
  window.ModalShow();
  if (!modalUsers_.empty()) {
    std::function<void()> user = std::move(modalUsers_.front());
    modalUsers_.pop_front();
    if (user) user();
  }
  // A user who walks away: Escape, as often as it takes (a refused close stays open).
  for (int tries = 0; !window.ModalEnded() && tries < 3; ++tries) window.ModalEscape();
  if (!window.ModalEnded()) ++machine_.ModalsLeftOpen;
  window.ModalHide();
  return window.ModalEnded() ? window.ModalResultValue() : mrCancel;
}

bool SimUserInterface::OpenFileDialog(const OpenFileRequest& request, std::string& fileName) {
  machine_.OpenFileRequests.push_back(request);
  std::string answer;  // nobody scripted a choice: the user cancels
  if (!fileAnswers_.empty()) {
    answer = std::move(fileAnswers_.front());
    fileAnswers_.pop_front();
  }
  if (answer.empty()) return false;
  fileName = answer;
  return true;
}

void SimUserInterface::ProcessMessages() {
  ++machine_.ProcessMessagesCalls;
  // A copy: the hook may replace itself.
  if (std::function<void()> hook = machine_.OnProcessMessages) hook();
  clock_.Settle(calls_);
  FireDueTimers();
}


bool SimUserInterface::RunServingMessages(std::function<void()> call) {
  if (ending_) return false;
  InFlightMark mark(inFlight_);
  call();
  return !ending_;
}

void SimUserInterface::WaitServingMessages(uint32_t milliseconds) {
  InFlightMark mark(inFlight_);
  const int64_t end = clock_.NowMs() + milliseconds;
  for (;;) {
    ProcessMessages();
    const int64_t now = clock_.NowMs();
    if (ending_ || now >= end) return;
    // Time moves to whatever comes first: a background thread's deadline, a timer, the end.
    int64_t next = clock_.NextDeadline(end);
    if (std::optional<int64_t> due = NextTimerDue(); due && *due < next) next = std::max(*due, now);
    clock_.MoveTo(next);
  }
}

uint32_t SimUserInterface::SetTimer(uint32_t milliseconds, std::function<void()> onTimer) {
  uint32_t interval = std::max(milliseconds, UserTimerMinimum);
  uint32_t id = nextTimerId_++;
  timers_[id] = Timer{interval, clock_.NowMs() + interval, std::move(onTimer)};
  return id;
}

void SimUserInterface::KillTimer(uint32_t id) { timers_.erase(id); }

std::optional<int64_t> SimUserInterface::NextTimerDue() const {
  std::optional<int64_t> next;
  for (const auto& [id, timer] : timers_)
    if (!next || timer.Due < *next) next = timer.Due;
  return next;
}

void SimUserInterface::FireDueTimers() {
  int64_t now = clock_.NowMs();
  std::vector<std::pair<int64_t, uint32_t>> due;
  for (const auto& [id, timer] : timers_)
    if (timer.Due <= now) due.emplace_back(timer.Due, id);
  std::sort(due.begin(), due.end());
  for (const auto& [at, id] : due) {
    auto it = timers_.find(id);
    if (it == timers_.end() || it->second.Due > clock_.NowMs()) continue;  // killed or reset meanwhile
    // Like WM_TIMER: one event however late, the next one interval after the due time.
    while (it->second.Due <= clock_.NowMs()) it->second.Due += it->second.Interval;
    std::function<void()> onTimer = it->second.OnTimer;  // the handler may kill its timer
    if (onTimer) onTimer();
  }
}

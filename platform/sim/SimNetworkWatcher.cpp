#include "platform/sim/SimNetworkWatcher.h"

#include "platform/FileNames.h"
#include "platform/sim/SimNetworkFile.h"

SimNetworkWatcher::SimNetworkWatcher(SimulatedNetwork& network, Files& files, UserInterface& ui,
                                     Environment& environment, std::string path)
    : network_(network),
      files_(files),
      ui_(ui),
      path_(std::move(path)),
      shownPath_(FileNameForDisplay(environment, path_)) {}

SimNetworkWatcher::~SimNetworkWatcher() {
  if (timer_ != 0) ui_.KillTimer(timer_);
}

void SimNetworkWatcher::Start() {
  std::string bytes;
  lastResult_ = files_.ReadFile(path_, bytes);
  lastBytes_ = bytes;
  SimNetworkFile file;
  if (Parse(lastResult_, bytes, "; the simulated network is empty (every letter free, no share).", file)) {
    network_.Build(file);
    built_ = inOrder_ = true;
  }
  if (timer_ == 0) timer_ = ui_.SetTimer(PollMs, [this] { Poll(); });
}

void SimNetworkWatcher::Poll() {
  std::string bytes;
  ReadFileResult result = files_.ReadFile(path_, bytes);
  // A file being saved may be locked for a moment: look again at the next tick.
  if (result == ReadFileResult::Unreadable) return;
  if (result == lastResult_ && bytes == lastBytes_) return;
  lastResult_ = result;
  lastBytes_ = bytes;
  SimNetworkFile file;
  if (!Parse(result, bytes, "; the simulated network stays as it was.", file)) {
    inOrder_ = false;
    return;
  }
  if (!inOrder_) Say(0, "Simulated network: " + shownPath_ + " is in order again.");
  inOrder_ = true;
  if (built_) {
    network_.Apply(file);
  } else {
    network_.Build(file);
    built_ = true;
  }
}

bool SimNetworkWatcher::Parse(ReadFileResult result, const std::string& bytes, const std::string& consequence,
                              SimNetworkFile& file) {
  std::string reason;
  if (result == ReadFileResult::NotFound) {
    reason = " is missing";
  } else if (result == ReadFileResult::Unreadable) {
    reason = " cannot be read";
  } else if (result == ReadFileResult::TooLarge) {
    reason = " is larger than " + std::to_string(Files::MaxFileSize >> 20) + " MB";
  } else if (!ReadSimNetworkFile(bytes, file, reason)) {
    reason = " is damaged: " + reason;
  } else {
    return true;
  }
  Say(1, "Simulated network: " + shownPath_ + reason + consequence);
  return false;
}

void SimNetworkWatcher::Say(int kind, const std::string& text) {
  if (report_) report_(kind, text);
  else waiting_.emplace_back(kind, text);
}

void SimNetworkWatcher::SetReporter(Report report) {
  report_ = std::move(report);
  if (!report_) return;
  auto waiting = std::move(waiting_);
  waiting_.clear();
  for (const auto& [kind, text] : waiting) report_(kind, text);
}

#pragma once
#include "platform/Clock.h"

class Win32Clock : public Clock {
 public:
  int64_t NowMs() override;
  void Sleep(uint32_t milliseconds) override;
  void WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, int64_t deadlineMs) override;
  std::string LocalTimeText() override;
};

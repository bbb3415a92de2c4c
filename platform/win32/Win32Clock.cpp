#include "platform/win32/Win32Clock.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/win32/WindowsApi.h"

int64_t Win32Clock::NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void Win32Clock::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

void Win32Clock::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, int64_t deadlineMs) {
  using namespace std::chrono;
  // A far deadline ("forever") would overflow the clock's nanoseconds; waking once a
  // day is harmless because callers re-check their condition.
  constexpr int64_t kLongestWaitMs = 24 * 60 * 60 * 1000;
  const int64_t now = NowMs();
  if (deadlineMs <= now) return;
  const int64_t wait = std::min(deadlineMs - now, kLongestWaitMs);
  cv.wait_until(lock, steady_clock::time_point(milliseconds(now + wait)));
}

std::string Win32Clock::LocalTimeText() {
  const int size = GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, nullptr, 0);
  if (size <= 0) return {};
  std::vector<char> buffer(static_cast<size_t>(size));
  const int length = GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, buffer.data(), size);
  if (length <= 0) return {};
  return std::string(buffer.data(), static_cast<size_t>(length - 1));
}

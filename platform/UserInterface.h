#pragma once
#include <cstdint>
#include <functional>
#include <string>

class MainThreadCalls;

enum class MessageBoxKind { Information, Warning, Error, Question /* Yes and No */ };

// What the engine and the windows need from the window system, beyond the windows.
class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // A standard message box; returns IDOK, IDYES or IDNO.
  virtual int MessageBox(const std::string& text, const std::string& caption, MessageBoxKind kind) = 0;
  // The hourglass while busy, the normal arrow otherwise.
  virtual void SetBusyCursor(bool busy) = 0;
  // Lets pending window events run, synchronized calls of other threads included.
  virtual void ProcessMessages() = 0;
  // The queue through which other threads hand work to the main thread.
  virtual MainThreadCalls& MainThread() = 0;
  // A repeating main-thread timer; returns its id (never 0).
  virtual uint32_t SetTimer(uint32_t milliseconds, std::function<void()> onTimer) = 0;
  virtual void KillTimer(uint32_t id) = 0;
};

// Shows the hourglass for its lifetime, also when an error escapes; nested guards keep
// it until the outermost one ends.
class HourglassCursor {
 public:
  explicit HourglassCursor(UserInterface& ui);
  ~HourglassCursor();
  HourglassCursor(const HourglassCursor&) = delete;
  HourglassCursor& operator=(const HourglassCursor&) = delete;

 private:
  UserInterface& ui_;
};

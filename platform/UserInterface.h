#pragma once
#include <cstdint>
#include <functional>
#include <string>

class MainThreadCalls;

enum class MessageBoxKind { Information, Warning, Error, Question /* Yes and No */ };

// Modal results, numbered as Windows numbers the dialog results.
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;

// A window that can be shown modally. The platform drives it; the window decides what
// it shows and when it may close.
class ModalWindow {
 public:
  virtual ~ModalWindow() = default;
  virtual void ModalShow() = 0;        // just before it appears
  virtual void ModalHide() = 0;        // just after it has gone
  virtual bool ModalEnded() const = 0; // a close was asked for and allowed
  virtual int ModalResultValue() const = 0;
  virtual void ModalEscape() = 0;      // Escape or the close box
};

// The standard file-open dialog.
struct OpenFileRequest {
  std::string Filter;      // "Programs|*.exe|All files|*.*"
  std::string InitialDir;  // "C:\"
};

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
  // Shows the window modally and returns its modal result once it has closed.
  virtual int ShowModal(ModalWindow& window) = 0;
  // The file-open dialog; false when the user cancelled, else the chosen full path.
  virtual bool OpenFileDialog(const OpenFileRequest& request, std::string& fileName) = 0;
  // The hand pointer over a link, the normal arrow otherwise.
  virtual void SetHandCursor(bool hand) = 0;

  // Main thread: runs a call that may wait on a server off the main thread and serves
  // messages until it ends. False when the program began ending meanwhile: the call is
  // then left to finish on its own, so it must own everything it touches.
  virtual bool RunServingMessages(std::function<void()> call) = 0;
  // True when RunServingMessages runs the call on the main thread itself: the call may
  // then read its caller's arguments where they are.
  virtual bool RunsCallsInPlace() const { return false; }
  // Main thread: lets milliseconds pass while serving messages (sooner when ending).
  virtual void WaitServingMessages(uint32_t milliseconds) = 0;
  // Waits of the two above now on the main thread's stack.
  virtual int CallsInFlight() const = 0;
  // While ending, calls and waits are left behind at once, so that the runs in progress
  // unwind without waiting for a server; the shutdown clears it for calls of its own.
  virtual void SetEnding(bool ending) = 0;
  virtual bool Ending() const = 0;
};

// Counts a wait for CallsInFlight for its lifetime, also when an error escapes.
class InFlightMark {
 public:
  explicit InFlightMark(int& count) : count_(count) { ++count_; }
  ~InFlightMark() { --count_; }
  InFlightMark(const InFlightMark&) = delete;
  InFlightMark& operator=(const InFlightMark&) = delete;

 private:
  int& count_;
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

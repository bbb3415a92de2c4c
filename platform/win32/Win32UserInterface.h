#pragma once
#include <functional>

#include "platform/MainThreadCalls.h"
#include "platform/UserInterface.h"
#include "platform/win32/WindowsApi.h"

// Create on the main thread: that thread becomes the one synchronized calls run on.
class Win32UserInterface : public UserInterface {
 public:
  Win32UserInterface();
  ~Win32UserInterface() override;
  Win32UserInterface(const Win32UserInterface&) = delete;
  Win32UserInterface& operator=(const Win32UserInterface&) = delete;

  int MessageBox(const std::string& text, const std::string& caption, MessageBoxKind kind) override;
  void SetBusyCursor(bool busy) override;
  void ProcessMessages() override;
  MainThreadCalls& MainThread() override { return mainThread_; }
  uint32_t SetTimer(uint32_t milliseconds, std::function<void()> onTimer) override;
  void KillTimer(uint32_t id) override;
  // Modal windows are drawn by whoever registered a presenter (the real dialogs); without
  // one a modal showing ends at once with Cancel.
  int ShowModal(ModalWindow& window) override;
  bool OpenFileDialog(const OpenFileRequest& request, std::string& fileName) override;
  void SetHandCursor(bool hand) override;
  bool RunServingMessages(std::function<void()> call) override;
  void WaitServingMessages(uint32_t milliseconds) override;
  int CallsInFlight() const override { return inFlight_; }
  void SetEnding(bool ending) override { ending_ = ending; }
  bool Ending() const override { return ending_; }

  using ModalPresenter = std::function<int(ModalWindow& window, HWND owner)>;
  void SetModalPresenter(ModalPresenter presenter) { presenter_ = std::move(presenter); }

  // The main window, once it exists; until then message boxes have no owner.
  void SetOwner(HWND owner) { owner_ = owner; }

 private:
  MainThreadCalls mainThread_;
  // A message-only window whose procedure runs the waiting synchronized calls, so
  // that every message loop serves them, modal ones (message boxes, dialogs) included.
  HWND wakeWindow_ = nullptr;
  DWORD mainThreadId_ = 0;
  HWND owner_ = nullptr;
  ModalPresenter presenter_;
  int inFlight_ = 0;
  bool ending_ = false;
};

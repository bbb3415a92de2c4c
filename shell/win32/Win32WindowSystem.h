#pragma once
#include <functional>
#include <memory>

#include "platform/win32/Win32Platform.h"
#include "shell/Application.h"
#include "ui/win32/MainWindow.h"

// The real windows and the message loop of the Windows programs.
class TWin32WindowSystem : public TWindowSystem {
 public:
  explicit TWin32WindowSystem(Win32Platform& machine) : machine_(machine) {}

  void CreateNotificationIcon(TMainForm& form) override;
  void CreateWindows(TApplication& application) override;
  void Run(TApplication& application) override;
  void DestroyWindows(TApplication& application) override;

  // Called once the main window exists, with its handle.
  std::function<void(TApplication&, HWND)> OnWindowsCreated;
  // Called before the main window goes.
  std::function<void()> OnWindowsDestroying;

 private:
  Win32Platform& machine_;
  std::unique_ptr<TWin32MainWindow> mainWindow_;
  bool contentPending_ = false;  // the main window's content waits for the first idle moment
};

#include "shell/win32/Win32WindowSystem.h"

#include "ui/win32/Win32Window.h"

void TWin32WindowSystem::CreateNotificationIcon(TMainForm& form) {
  mainWindow_ = std::make_unique<TWin32MainWindow>(form);
  mainWindow_->CreateFrame();
}

void TWin32WindowSystem::CreateWindows(TApplication& application) {
  if (!mainWindow_) mainWindow_ = std::make_unique<TWin32MainWindow>(*application.MainForm);
  // A window that starts hidden gets its pictures, menus, bars and lists once the program
  // has first waited for input (Run), so that its icon answers as soon as a bare one's.
  const TMainForm& form = *application.MainForm;
  contentPending_ = !(form.Visible && form.ShowMainForm);
  if (contentPending_) mainWindow_->CreateWhenNeeded();
  else mainWindow_->Create();
  // Message boxes and the programs the shell starts belong to the main window.
  machine_.SetOwnerWindow(mainWindow_->Handle());
  // The dialogs are shown as real dialogs owned by the main window.
  UseRealDialogs(machine_.ui());
  if (OnWindowsCreated) OnWindowsCreated(application, mainWindow_->Handle());
}

void TWin32WindowSystem::Run(TApplication&) {
  MSG message;
  if (contentPending_) {
    // The first look at the queue is the first wait for input; a message that came
    // meanwhile has the window completed before it is handled.
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    mainWindow_->Create();
    contentPending_ = false;
  }
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (!mainWindow_->TranslateKeys(message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

void TWin32WindowSystem::DestroyWindows(TApplication&) {
  if (OnWindowsDestroying) OnWindowsDestroying();
  machine_.SetOwnerWindow(nullptr);
  if (mainWindow_) mainWindow_->Destroy();
  mainWindow_.reset();
}

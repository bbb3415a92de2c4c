#pragma once
#include "platform/Shell.h"
#include "platform/win32/WindowsApi.h"

class Win32Shell : public Shell {
 public:
  intptr_t ShellExecute(const char* verb, const char* file, const char* parameters, int showCommand) override;
  // The main window, once it exists; until then started programs have no owner.
  void SetOwner(HWND owner) { owner_ = owner; }

 private:
  HWND owner_ = nullptr;
};

#pragma once
#include "platform/Process.h"
#include "platform/win32/WindowsApi.h"

class Win32Process : public Process {
 public:
  Win32Process() = default;
  ~Win32Process() override { ReleaseNamedMutex(); }
  Win32Process(const Win32Process&) = delete;
  Win32Process& operator=(const Win32Process&) = delete;

  bool CreateNamedMutex(const std::string& name, bool& alreadyExists) override;
  void ReleaseNamedMutex() override;
  void InitializeCom() override;
  void UninitializeCom() override;

 private:
  HANDLE mutex_ = nullptr;
  bool comInitialized_ = false;
};

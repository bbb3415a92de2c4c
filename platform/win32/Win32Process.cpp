#include "platform/win32/Win32Process.h"

#include <objbase.h>

#include "platform/win32/WideFileName.h"

bool Win32Process::CreateNamedMutex(const std::string& name, bool& alreadyExists) {
  ReleaseNamedMutex();
  mutex_ = CreateMutexW(nullptr, TRUE, WideFileName(name).c_str());
  alreadyExists = GetLastError() == ERROR_ALREADY_EXISTS;
  return mutex_ != nullptr;
}

void Win32Process::ReleaseNamedMutex() {
  if (mutex_ == nullptr) return;
  ReleaseMutex(mutex_);
  CloseHandle(mutex_);
  mutex_ = nullptr;
}

void Win32Process::InitializeCom() {
  // S_FALSE (already initialised here) also needs its matching uninitialise.
  const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  comInitialized_ = SUCCEEDED(result);
}

void Win32Process::UninitializeCom() {
  if (comInitialized_) CoUninitialize();
  comInitialized_ = false;
}

#include "platform/win32/Win32HelpLibrary.h"

#include <stdexcept>

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideFileName.h"
#include "platform/win32/WindowsApi.h"

namespace {
using HtmlHelpFunction = HWND(WINAPI*)(HWND caller, LPCWSTR file, UINT command, DWORD_PTR data);
}

HelpLibrary::Module Win32HelpLibrary::Load(const std::string& fileName) {
  return reinterpret_cast<Module>(LoadLibraryW(WideFileName(fileName).c_str()));
}

HelpLibrary::Entry Win32HelpLibrary::EntryPoint(Module module, const char* name) {
  if (module == 0) return 0;
  return reinterpret_cast<Entry>(GetProcAddress(reinterpret_cast<HMODULE>(module), name));
}

void Win32HelpLibrary::Free(Module module) {
  if (module != 0) FreeLibrary(reinterpret_cast<HMODULE>(module));
}

std::string Win32HelpLibrary::SystemDirectory() { return SystemFolder(); }

uintptr_t Win32HelpLibrary::HtmlHelp(Entry entry, const std::string& file, uint32_t command, uintptr_t data) {
  if (entry == 0) throw std::runtime_error("the help viewer has no entry point");
  const auto function = reinterpret_cast<HtmlHelpFunction>(entry);
  const std::wstring wide = WideFileName(file);
  // No file for the commands that concern every help window.
  return reinterpret_cast<uintptr_t>(function(GetDesktopWindow(), file.empty() ? nullptr : wide.c_str(), command, data));
}

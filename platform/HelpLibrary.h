#pragma once
#include <cstdint>
#include <string>

// The HTML help viewer's library: LoadLibrary, GetProcAddress, FreeLibrary, and a call
// of its HtmlHelpW entry point. File names are UTF-8, as Files takes them.
class HelpLibrary {
 public:
  using Module = uintptr_t;  // 0: none
  using Entry = uintptr_t;   // 0: none

  virtual ~HelpLibrary() = default;
  // LoadLibrary, by name ("hhctrl.ocx") or by full path; 0 when it cannot be loaded.
  virtual Module Load(const std::string& fileName) = 0;
  virtual Entry EntryPoint(Module module, const char* name) = 0;  // GetProcAddress
  virtual void Free(Module module) = 0;  // FreeLibrary
  // GetSystemDirectory, without a trailing backslash.
  virtual std::string SystemDirectory() = 0;
  // Calls an HtmlHelpW entry point with the desktop window as owner (an empty file: none,
  // for the commands that close every help window); returns the window it opened, 0
  // when it opened none.
  virtual uintptr_t HtmlHelp(Entry entry, const std::string& file, uint32_t command, uintptr_t data) = 0;
};

#pragma once
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/HelpLibrary.h"

// The help viewer's library on the simulated machine: which names and paths load, which
// entry points they export, and a record of every call of the viewer.
class SimHelpLibrary : public HelpLibrary {
 public:
  struct HelpCall {
    std::string File;
    uint32_t Command = 0;
    uintptr_t Data = 0;
  };

  Module Load(const std::string& fileName) override;
  Entry EntryPoint(Module module, const char* name) override;
  void Free(Module module) override;
  std::string SystemDirectory() override { return "C:\\Windows\\system32"; }
  uintptr_t HtmlHelp(Entry entry, const std::string& file, uint32_t command, uintptr_t data) override;

  // Names or paths (compared without regard to case) that load, and what they export.
  std::set<std::string> Loadable{"hhctrl.ocx", "C:\\Windows\\system32\\hhctrl.ocx"};
  std::set<std::string> Exports{"HtmlHelpA", "HtmlHelpW"};
  // The viewer opens no window (as when it cannot show the file).
  bool ViewerFails = false;

  static constexpr uint32_t kCloseAll = 0x12;  // HH_CLOSE_ALL
  int OpenWindows = 0;  // viewer windows open now
  // The library was freed while a viewer window still ran its code: a crash on Windows.
  bool FreedUnderOpenWindows = false;
  std::function<void()> OnFree;  // called as the library is freed

  std::vector<std::string> LoadAttempts;
  std::vector<HelpCall> Calls;
  int LoadedCount = 0;  // libraries loaded and not freed

 private:
  std::map<Entry, std::string> entries_;
};

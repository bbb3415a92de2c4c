#include "platform/sim/SimHelpLibrary.h"

#include <stdexcept>

#include "base/AsciiText.h"

namespace {
constexpr HelpLibrary::Module kModule = 0x10000;
}

HelpLibrary::Module SimHelpLibrary::Load(const std::string& fileName) {
  LoadAttempts.push_back(fileName);
  for (const std::string& name : Loadable) {
    if (SameTextAscii(name, fileName)) {
      ++LoadedCount;
      return kModule;
    }
  }
  return 0;
}

HelpLibrary::Entry SimHelpLibrary::EntryPoint(Module module, const char* name) {
  if (module != kModule || Exports.count(name) == 0) return 0;
  const Entry entry = kModule + 1 + (std::string(name) == "HtmlHelpW" ? 1 : 0);
  entries_[entry] = name;
  return entry;
}

void SimHelpLibrary::Free(Module module) {
  if (module != kModule || LoadedCount == 0) return;
  if (OpenWindows > 0) FreedUnderOpenWindows = true;
  if (OnFree) OnFree();
  --LoadedCount;
}

uintptr_t SimHelpLibrary::HtmlHelp(Entry entry, const std::string& file, uint32_t command, uintptr_t data) {
  // Calling an entry point that was never looked up is the crash a real program would have.
  if (LoadedCount == 0 || entries_.count(entry) == 0) throw std::runtime_error("no help viewer entry point");
  Calls.push_back({file, command, data});
  if (command == kCloseAll) {
    OpenWindows = 0;
    return 0;
  }
  if (ViewerFails) return 0;
  ++OpenWindows;
  return 0x2000;
}

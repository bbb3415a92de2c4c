#include "ui/HtmlHelp.h"

#include <exception>

#include "base/AsciiText.h"
#include "base/ProductInfo.h"
#include "data/Languages.h"
#include "platform/Platform.h"

namespace {

constexpr const char* kHelpLibraryName = "hhctrl.ocx";
constexpr const char* kHelpLibraryKey = "CLSID\\{adb880a6-d8ff-11cf-9377-00aa003b7a11}\\InprocServer32";
constexpr const char* kSystemRoot = "%SystemRoot%";
constexpr uint32_t HH_DISPLAY_TOPIC = 0;
constexpr uint32_t HH_CLOSE_ALL = 0x12;

bool InsideFolder(const std::string& path, const std::string& folder) {
  return !folder.empty() && path.size() > folder.size() + 1 && path[folder.size()] == '\\' &&
         SameTextAscii(path.substr(0, folder.size()), folder) && path.find("..") == std::string::npos;
}

}  // namespace

// Never by name: a file called hhctrl.ocx beside the program would run in the process
// that holds every stored password.
void THtmlHelp::LoadHtmlHelp() {
  if (Handle != 0) return;
  Handle = library_.Load(library_.SystemDirectory() + "\\" + kHelpLibraryName);
  if (Handle == 0) {
    const std::string path = FindHtmlHelpLibrary();
    if (!path.empty() && platform_.files.FileExists(path)) Handle = library_.Load(path);
  }
  if (Handle == 0) return;
  HtmlHelpW = library_.EntryPoint(Handle, "HtmlHelpW");
  HtmlHelpA = library_.EntryPoint(Handle, "HtmlHelpA");
  HtmlHelp = HtmlHelpW;
}

std::string THtmlHelp::FindHtmlHelpLibrary() {
  std::string path;
  if (std::unique_ptr<RegistryKey> key = platform_.registry.OpenKeyReadOnly(RegistryRoot::ClassesRoot, kHelpLibraryKey)) {
    if (key->GetString("", path) != 0) path.clear();
  }
  const size_t prefix = std::char_traits<char>::length(kSystemRoot);
  if (path.size() > prefix - 1 && SameTextAscii(path.substr(0, prefix), kSystemRoot))
    path = platform_.environment.WindowsDirectory() + path.substr(prefix);
  // A registration that points outside the Windows folder is not trusted.
  if (!InsideFolder(path, platform_.environment.WindowsDirectory())) path.clear();
  if (!path.empty() && !platform_.files.FileExists(path)) path.clear();
  if (path.empty()) path = library_.SystemDirectory() + "\\" + kHelpLibraryName;
  return path;
}

void THtmlHelp::UnloadHtmlHelp() {
  if (Handle == 0) return;
  // The viewer's windows run the library's code: they close before it goes.
  try {
    if (HtmlHelp != 0) library_.HtmlHelp(HtmlHelp, "", HH_CLOSE_ALL, 0);
  } catch (const std::exception&) {
  }
  library_.Free(Handle);
  Handle = 0;
  HtmlHelp = HtmlHelpA = HtmlHelpW = 0;
}

std::string THtmlHelp::HelpFileName() { return ExecutableFolder(platform_) + "QBYHelp.chm"; }

THtmlHelp::TShowResult THtmlHelp::ShowHelp(const std::string& missingFileText) {
  const std::string file = HelpFileName();
  if (!platform_.files.FileExists(file)) {
    platform_.ui.MessageBox(missingFileText, kProductName, MessageBoxKind::Warning);
    return TShowResult::FileMissing;
  }
  // Loaded at the first use rather than at start: nothing on screen needs it before.
  LoadHtmlHelp();
  try {
    if (HtmlHelp == 0) return TShowResult::ViewerFailed;
    // The viewer answers a file it cannot show with no window; that is a failure too.
    if (library_.HtmlHelp(HtmlHelp, file, HH_DISPLAY_TOPIC, 0) == 0) return TShowResult::ViewerFailed;
  } catch (const std::exception&) {
    return TShowResult::ViewerFailed;
  }
  return TShowResult::Shown;
}

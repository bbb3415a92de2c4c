#pragma once
#include <string>

#include "platform/HelpLibrary.h"

struct Platform;

// The HTML help viewer: its library, loaded when help is first asked for and freed at
// process end, and the opening of the program's help file.
class THtmlHelp {
 public:
  enum class TShowResult { Shown, FileMissing, ViewerFailed };

  THtmlHelp(Platform& platform, HelpLibrary& library) : platform_(platform), library_(library) {}
  ~THtmlHelp() { UnloadHtmlHelp(); }
  THtmlHelp(const THtmlHelp&) = delete;
  THtmlHelp& operator=(const THtmlHelp&) = delete;

  // Loads "hhctrl.ocx" from the system folder, else from where the registry says inside
  // the Windows folder, and looks up its entry points; does nothing when already loaded.
  void LoadHtmlHelp();
  // Where the registry places the viewer's library inside the Windows folder, else the
  // system folder's copy.
  std::string FindHtmlHelpLibrary();
  void UnloadHtmlHelp();
  // <executable folder>\QBYHelp.chm
  std::string HelpFileName();
  // Opens the help file, loading the viewer's library first if needed. A missing file
  // gives a warning box with missingFileText and the viewer is not tried; a viewer that
  // fails, or whose library does not load, is reported to the caller, which says so.
  TShowResult ShowHelp(const std::string& missingFileText);

  HelpLibrary::Module Handle = 0;
  HelpLibrary::Entry HtmlHelp = 0;   // the one called: wide, for a help file under any folder name
  HelpLibrary::Entry HtmlHelpA = 0;
  HelpLibrary::Entry HtmlHelpW = 0;

 private:
  Platform& platform_;
  HelpLibrary& library_;
};

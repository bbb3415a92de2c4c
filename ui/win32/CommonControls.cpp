#include "ui/win32/CommonControls.h"

#include <stdexcept>

#include "platform/win32/SystemLibrary.h"

namespace {
template <typename Function>
void Find(HMODULE library, Function& function, const char* name) {
  function = FindFunction<Function>(library, name);
  if (function == nullptr) throw std::runtime_error(std::string("The common controls library lacks ") + name + ".");
}

CommonControlsLibrary Load() {
  // The search is limited to the system folder at entry; the manifest's version comes first.
  HMODULE library = LoadLibraryW(L"comctl32.dll");
  if (library == nullptr) throw std::runtime_error("The common controls library (comctl32.dll) could not be loaded.");
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  InitFunction init = nullptr;
  Find(library, init, "InitCommonControlsEx");
  CommonControlsLibrary functions = {};
  Find(library, functions.ImageList_Create, "ImageList_Create");
  Find(library, functions.ImageList_Destroy, "ImageList_Destroy");
  Find(library, functions.ImageList_ReplaceIcon, "ImageList_ReplaceIcon");
  Find(library, functions.ImageList_Draw, "ImageList_Draw");
  Find(library, functions.ImageList_DrawEx, "ImageList_DrawEx");
  const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_USEREX_CLASSES |
                                                            ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES |
                                                            ICC_COOL_CLASSES};
  init(&classes);
  return functions;
}
}  // namespace

const CommonControlsLibrary& CommonControls() {
  static const CommonControlsLibrary library = Load();
  return library;
}

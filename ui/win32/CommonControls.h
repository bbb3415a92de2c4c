#pragma once
#include "platform/win32/WindowsApi.h"

#include <commctrl.h>

// The common controls library is loaded when the first window with controls is built, not
// when the program starts: loading it registers and themes every control class, which a
// program that starts hidden in the notification area need not wait for. Loaded by name so
// that the program's manifest picks its version.
struct CommonControlsLibrary {
  decltype(&::ImageList_Create) ImageList_Create;
  decltype(&::ImageList_Destroy) ImageList_Destroy;
  decltype(&::ImageList_ReplaceIcon) ImageList_ReplaceIcon;
  decltype(&::ImageList_Draw) ImageList_Draw;
  decltype(&::ImageList_DrawEx) ImageList_DrawEx;
};

// Loads the library and its control classes at the first call (main thread only); throws
// when the library or one of its functions is missing.
const CommonControlsLibrary& CommonControls();

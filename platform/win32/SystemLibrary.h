#pragma once
#include <string>

#include "platform/win32/WindowsApi.h"

// Libraries the program needs only now and then are loaded on first use, so that
// starting the program does not pay for them; they come from the system folder only,
// never from beside the program or the current folder.
HMODULE LoadSystemLibrary(const char* name);

// Called first at entry: from then on a library loaded by name comes from the system
// folder only, whatever lies beside the program or in the current folder.
void LoadLibrariesFromSystemFolderOnly();

// The system folder without a trailing backslash, in UTF-8; empty when it cannot be told.
std::string SystemFolder();

// A function of a library loaded at run time; null when the module or the name is missing.
template <typename Function>
Function FindFunction(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

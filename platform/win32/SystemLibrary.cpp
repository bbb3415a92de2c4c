#include "platform/win32/SystemLibrary.h"

std::string SystemFolder() {
  char folder[MAX_PATH + 1] = {};
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length > MAX_PATH) return "";
  std::string path(folder, length);
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

HMODULE LoadSystemLibrary(const char* name) {
  const std::string folder = SystemFolder();
  if (folder.empty()) return nullptr;
  return LoadLibraryA((folder + "\\" + name).c_str());
}

void LoadLibrariesFromSystemFolderOnly() {
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  // Looked up: systems before Windows 8 have it only with a later update.
  if (auto setDirectories = FindFunction<SetDefaultDllDirectoriesFunction>(GetModuleHandleA("kernel32.dll"),
                                                                      "SetDefaultDllDirectories"))
    setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Where it is missing, at least the current folder leaves the search.
  SetDllDirectoryA("");
}

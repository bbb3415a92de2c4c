#include "platform/win32/SystemLibrary.h"

#include "platform/win32/WideFileName.h"

std::string SystemFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length > MAX_PATH) return "";
  std::string path = Utf8FileName(folder, length);
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

HMODULE LoadSystemLibrary(const char* name) {
  const std::string folder = SystemFolder();
  if (folder.empty()) return nullptr;
  return LoadLibraryW(WideFileName(folder + "\\" + name).c_str());
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

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

#include "platform/win32/Win32Environment.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/WideFileName.h"
#include "platform/win32/WindowsApi.h"

namespace {

// A variable's value, read with the buffer grown to the size the call asks for; false when
// the variable is not set. read(buffer, size) is GetEnvironmentVariable of either width.
template <typename Char, typename Read>
bool ReadVariable(const Read& read, std::basic_string<Char>& value) {
  std::vector<Char> buffer(MAX_PATH);
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length = read(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      // 0 is also the length of a variable that is set but empty.
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
      value.clear();
      return true;
    }
    if (length < buffer.size()) {
      value.assign(buffer.data(), length);
      return true;
    }
    buffer.resize(length + 1);  // length counts the NUL when the buffer was too small
  }
}

}  // namespace

bool Win32Environment::GetVariable(const std::string& name, std::string& value) {
  return ReadVariable([&](char* buffer, DWORD size) { return GetEnvironmentVariableA(name.c_str(), buffer, size); },
                      value);
}

std::string Win32Environment::ExpandEnvironmentStrings(const std::string& text) {
  std::vector<char> buffer(text.size() + 256);
  for (;;) {
    const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (needed == 0) return text;  // expansion failed: the text as written
    if (needed <= buffer.size()) return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
    buffer.resize(needed + 1);
  }
}

bool Win32Environment::GetFolderVariable(const std::string& name, std::string& folder) {
  const std::wstring wideName = WideFileName(name);
  std::wstring wide;
  if (!ReadVariable([&](wchar_t* buffer, DWORD size) { return GetEnvironmentVariableW(wideName.c_str(), buffer, size); },
                    wide))
    return false;
  folder = Utf8FileName(wide.data(), wide.size());
  return true;
}

std::string Win32Environment::ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    // A path that filled the whole buffer may have been cut short.
    if (length < buffer.size() || buffer.size() >= 32768) return Utf8FileName(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

std::string Win32Environment::FullPathName(const std::string& path) {
  const std::wstring wide = WideFileName(path);
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) return path;
    if (length < buffer.size()) return Utf8FileName(buffer.data(), length);
    if (buffer.size() >= 32768) return path;
    buffer.resize(length + 1);  // length counts the NUL when the buffer was too small
  }
}

std::string Win32Environment::WindowsDirectory() {
  std::vector<wchar_t> buffer(MAX_PATH);
  UINT length = GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
  }
  if (length == 0 || length >= buffer.size()) return {};
  std::string folder = Utf8FileName(buffer.data(), length);
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

void Win32Environment::GetVersion(uint32_t& major, uint32_t& minor) {
  // GetVersionExA reports 6.2 on every later Windows to programs without a manifest
  // that claims them; ntdll tells the truth.
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  if (HMODULE ntdll = GetModuleHandleA("ntdll.dll")) {
    auto rtlGetVersion =
        reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (rtlGetVersion && rtlGetVersion(&info) == 0) {
      major = info.dwMajorVersion;
      minor = info.dwMinorVersion;
      return;
    }
  }
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
  const BOOL known = GetVersionExA(&info);
  major = known ? info.dwMajorVersion : 0;
  minor = known ? info.dwMinorVersion : 0;
}

std::u16string Win32Environment::AnsiToWide(const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::u16string wide(static_cast<size_t>(length), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, reinterpret_cast<wchar_t*>(wide.data()), length);
  return wide;
}

std::string Win32Environment::WideToAnsi(const std::u16string& text) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int size = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(CP_ACP, 0, wide, size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string ansi(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, size, ansi.data(), length, nullptr, nullptr);
  return ansi;
}

#include "platform/win32/Win32Registry.h"

#include <vector>

#include "platform/win32/WideFileName.h"
#include "platform/win32/WindowsApi.h"

namespace {

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
  }
  return HKEY_CURRENT_USER;
}

class Win32RegistryKey : public RegistryKey {
 public:
  explicit Win32RegistryKey(HKEY key) : key_(key) {}
  ~Win32RegistryKey() override { RegCloseKey(key_); }
  Win32RegistryKey(const Win32RegistryKey&) = delete;
  Win32RegistryKey& operator=(const Win32RegistryKey&) = delete;

  uint32_t SetString(const std::string& name, const std::string& value) override {
    const std::wstring wide = WideFileName(value);
    // The stored size counts the terminating NUL.
    return RegSetValueExW(key_, WideFileName(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                          static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
  }

  uint32_t GetString(const std::string& name, std::string& value) override {
    const std::wstring wideName = WideFileName(name);
    std::vector<wchar_t> buffer(256);
    for (;;) {
      DWORD type = 0;
      DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
      const LONG result =
          RegQueryValueExW(key_, wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
      if (result == ERROR_MORE_DATA) {
        buffer.resize(size / sizeof(wchar_t) + 1);
        continue;
      }
      if (result != ERROR_SUCCESS) return result;
      // Unexpanded strings are handed back as stored; their callers expand them.
      if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATATYPE;
      // Stored data need not end with a NUL, or may end with several.
      // An odd size leaves half a character, which is dropped.
      size_t length = size / sizeof(wchar_t);
      while (length > 0 && buffer[length - 1] == L'\0') --length;
      value = Utf8FileName(buffer.data(), length);
      return ERROR_SUCCESS;
    }
  }

  uint32_t DeleteValue(const std::string& name) override { return RegDeleteValueW(key_, WideFileName(name).c_str()); }

 private:
  HKEY key_;
};

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::CreateKey(RegistryRoot root, const std::string& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(RootKey(root), WideFileName(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return nullptr;
  return std::make_unique<Win32RegistryKey>(key);
}

std::unique_ptr<RegistryKey> Win32Registry::OpenKeyReadOnly(RegistryRoot root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(RootKey(root), WideFileName(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  return std::make_unique<Win32RegistryKey>(key);
}

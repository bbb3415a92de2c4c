#include "platform/win32/Win32Registry.h"

#include <vector>

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
    // The stored size counts the terminating NUL.
    return RegSetValueExA(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
  }

  uint32_t GetString(const std::string& name, std::string& value) override {
    std::vector<char> buffer(256);
    for (;;) {
      DWORD type = 0;
      DWORD size = static_cast<DWORD>(buffer.size());
      const LONG result =
          RegQueryValueExA(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
      if (result == ERROR_MORE_DATA) {
        buffer.resize(size + 1);
        continue;
      }
      if (result != ERROR_SUCCESS) return result;
      // Unexpanded strings are handed back as stored; their callers expand them.
      if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATATYPE;
      // Stored data need not end with a NUL, or may end with several.
      std::string text(buffer.data(), size);
      while (!text.empty() && text.back() == '\0') text.pop_back();
      value = std::move(text);
      return ERROR_SUCCESS;
    }
  }

  uint32_t DeleteValue(const std::string& name) override { return RegDeleteValueA(key_, name.c_str()); }

 private:
  HKEY key_;
};

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::CreateKey(RegistryRoot root, const std::string& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(RootKey(root), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return nullptr;
  return std::make_unique<Win32RegistryKey>(key);
}

std::unique_ptr<RegistryKey> Win32Registry::OpenKeyReadOnly(RegistryRoot root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(RootKey(root), path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  return std::make_unique<Win32RegistryKey>(key);
}

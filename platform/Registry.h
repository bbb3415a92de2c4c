#pragma once
#include <cstdint>
#include <memory>
#include <string>

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine };

// An open registry key; closed when destroyed. Calls return NO_ERROR or a Windows error code.
// Key paths, names and values are UTF-8: the values the program keeps here are file
// names (its autostart command, the help library's location).
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  virtual uint32_t SetString(const std::string& name, const std::string& value) = 0;  // REG_SZ
  virtual uint32_t GetString(const std::string& name, std::string& value) = 0;        // "" = default value
  virtual uint32_t DeleteValue(const std::string& name) = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens the key with full access, creating it when missing; null when that fails.
  virtual std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::string& path) = 0;
  // Opens an existing key for reading; null when it does not exist or cannot be opened.
  virtual std::unique_ptr<RegistryKey> OpenKeyReadOnly(RegistryRoot root, const std::string& path) = 0;
};

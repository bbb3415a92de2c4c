#pragma once
#include <map>
#include <memory>
#include <string>

#include "platform/Registry.h"

// Keys and REG_SZ values in memory, one tree per root; key and value names compare
// without regard to ASCII case.
class SimRegistry : public Registry {
 public:
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::string& path) override;
  std::unique_ptr<RegistryKey> OpenKeyReadOnly(RegistryRoot root, const std::string& path) override;

  struct Value {
    std::string Name;
    std::string Data;
  };
  using Values = std::map<std::string, Value>;  // lower-case name -> value
  // The values of a key, or null when the key does not exist.
  Values* FindKey(RegistryRoot root, const std::string& path);
  Values& MakeKey(RegistryRoot root, const std::string& path);
  void FailCreate(bool fail) { failCreate_ = fail; }

 private:
  static std::string KeyName(RegistryRoot root, const std::string& path);
  std::map<std::string, Values> keys_;  // root and lower-case path -> values
  bool failCreate_ = false;
};

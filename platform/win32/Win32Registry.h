#pragma once
#include "platform/Registry.h"

class Win32Registry : public Registry {
 public:
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::string& path) override;
  std::unique_ptr<RegistryKey> OpenKeyReadOnly(RegistryRoot root, const std::string& path) override;
};

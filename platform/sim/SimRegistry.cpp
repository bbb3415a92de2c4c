#include "platform/sim/SimRegistry.h"

#include "platform/WinTypes.h"
#include "base/AsciiText.h"
#include "platform/sim/SimText.h"

namespace {
class SimRegistryKey : public RegistryKey {
 public:
  SimRegistryKey(SimRegistry::Values& values, bool writable) : values_(values), writable_(writable) {}

  uint32_t SetString(const std::string& name, const std::string& value) override {
    if (!writable_) return win::ERROR_ACCESS_DENIED;
    values_[LowerAscii(name)] = {name, value};
    return win::NO_ERROR;
  }
  uint32_t GetString(const std::string& name, std::string& value) override {
    auto it = values_.find(LowerAscii(name));
    if (it == values_.end()) return win::ERROR_FILE_NOT_FOUND;
    value = it->second.Data;
    return win::NO_ERROR;
  }
  uint32_t DeleteValue(const std::string& name) override {
    if (!writable_) return win::ERROR_ACCESS_DENIED;
    return values_.erase(LowerAscii(name)) == 0 ? win::ERROR_FILE_NOT_FOUND : win::NO_ERROR;
  }

 private:
  SimRegistry::Values& values_;  // keys are never deleted, so this stays valid
  bool writable_;
};
}  // namespace

std::string SimRegistry::KeyName(RegistryRoot root, const std::string& path) {
  return std::to_string(static_cast<int>(root)) + ":" + LowerAscii(SimTrimBackslashes(path));
}

SimRegistry::Values* SimRegistry::FindKey(RegistryRoot root, const std::string& path) {
  auto it = keys_.find(KeyName(root, path));
  return it == keys_.end() ? nullptr : &it->second;
}

SimRegistry::Values& SimRegistry::MakeKey(RegistryRoot root, const std::string& path) {
  return keys_[KeyName(root, path)];
}

std::unique_ptr<RegistryKey> SimRegistry::CreateKey(RegistryRoot root, const std::string& path) {
  if (failCreate_) return nullptr;
  return std::make_unique<SimRegistryKey>(MakeKey(root, path), true);
}

std::unique_ptr<RegistryKey> SimRegistry::OpenKeyReadOnly(RegistryRoot root, const std::string& path) {
  Values* values = FindKey(root, path);
  if (values == nullptr) return nullptr;
  return std::make_unique<SimRegistryKey>(*values, false);
}

#pragma once
#include "platform/Environment.h"

class Win32Environment : public Environment {
 public:
  bool GetVariable(const std::string& name, std::string& value) override;
  bool GetFolderVariable(const std::string& name, std::string& folder) override;
  std::string ExpandEnvironmentStrings(const std::string& text) override;
  std::string ExecutablePath() override;
  std::string FullPathName(const std::string& path) override;
  std::string WindowsDirectory() override;
  void GetVersion(uint32_t& major, uint32_t& minor) override;
  std::u16string AnsiToWide(const std::string& text) override;
  std::string WideToAnsi(const std::u16string& text) override;
};

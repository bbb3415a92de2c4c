#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/Environment.h"

// The process environment of the simulated machine; variable names compare without
// regard to ASCII case, as on Windows.
class SimEnvironment : public Environment {
 public:
  SimEnvironment();

  bool GetVariable(const std::string& name, std::string& value) override;
  // The simulated machine's names are ASCII, the same in both encodings.
  bool GetFolderVariable(const std::string& name, std::string& folder) override { return GetVariable(name, folder); }
  std::string ExpandEnvironmentStrings(const std::string& text) override;
  std::string ExecutablePath() override { return executablePath_; }
  std::string FullPathName(const std::string& path) override;
  std::string WindowsDirectory() override { return "C:\\Windows"; }
  void GetVersion(uint32_t& major, uint32_t& minor) override;
  std::u16string AnsiToWide(const std::string& text) override;
  std::string WideToAnsi(const std::u16string& text) override;

  void SetVariable(const std::string& name, const std::string& value);
  void UnsetVariable(const std::string& name);
  void SetExecutablePath(const std::string& path) { executablePath_ = path; }
  // Absolute, with a drive letter.
  void SetCurrentDirectory(const std::string& path) { currentDirectory_ = path; }
  void SetVersion(uint32_t major, uint32_t minor);

 private:
  std::vector<std::pair<std::string, std::string>> variables_;
  std::string executablePath_ = "C:\\Program Files\\Quillbay\\Quillbay.exe";
  std::string currentDirectory_ = "C:\\Windows\\system32";
  uint32_t major_ = 6;
  uint32_t minor_ = 1;
};

#pragma once
#include <cstdint>
#include <string>

// Process environment and system facts. Texts are 8-bit in the system code page; file
// names (of the program, its folder, the profile and the system folders) are UTF-8, as
// the file calls of Files take them.
class Environment {
 public:
  virtual ~Environment() = default;
  // false when the variable is not set.
  virtual bool GetVariable(const std::string& name, std::string& value) = 0;
  // A variable that names a folder (APPDATA), as a file name; false when it is not set.
  virtual bool GetFolderVariable(const std::string& name, std::string& folder) = 0;
  // ExpandEnvironmentStringsA: %NAME% references replaced; unknown ones stay as written.
  virtual std::string ExpandEnvironmentStrings(const std::string& text) = 0;
  // Absolute path of the running executable.
  virtual std::string ExecutablePath() = 0;
  // GetFullPathName: the path made absolute against the current folder, "." and ".."
  // resolved; the path as given when that fails.
  virtual std::string FullPathName(const std::string& path) = 0;
  // The Windows folder, without a trailing backslash.
  virtual std::string WindowsDirectory() = 0;
  virtual void GetVersion(uint32_t& major, uint32_t& minor) = 0;
  // Conversions between the system ANSI code page and UTF-16, as the system does them
  // (characters the code page lacks become its default character).
  virtual std::u16string AnsiToWide(const std::string& text) = 0;
  virtual std::string WideToAnsi(const std::u16string& text) = 0;
};

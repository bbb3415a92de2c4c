#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Platform;
class TIniFile;

// The texts of the chosen language, looked up by numeric ID.
class TLanguage {
 public:
  // Start-up: loads the section when Languages.ini lies beside the executable.
  void Open(Platform& platform, const std::string& language);
  // Fills ResourceList with the section's "ID=text" lines; failures leave it as far as it got.
  void LoadLanguage(const TIniFile& languageFile, const std::string& section);
  // Never empty: the text, "Exit" for a missing 10102, else "<Translation error for ID n>".
  std::string Translate(int32_t id) const;

  std::vector<std::string> ResourceList;
};

// Folder of the running executable with a trailing backslash, e.g. "C:\Program Files\Quillbay\".
std::string ExecutableFolder(Platform& platform);

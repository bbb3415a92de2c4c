#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/IniFile.h"

struct Platform;

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
  // Present only when the file existed at start-up.
  std::unique_ptr<TIniFile> LanguageFile;

 private:
  const std::string* FindLine(int32_t id) const;
  void Append(std::string line);

  // Every message line asks for texts, so lookups go through an index of the lines
  // LoadLanguage appended instead of scanning the list.
  std::unordered_map<int32_t, size_t> index_;
  size_t indexedLines_ = 0;
};

// Folder of the running executable with a trailing backslash, e.g. "C:\Program Files\Quillbay\".
std::string ExecutableFolder(Platform& platform);

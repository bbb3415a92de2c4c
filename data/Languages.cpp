#include "data/Languages.h"

#include <charconv>

#include "platform/Platform.h"

namespace {

constexpr int32_t kExitId = 10102;

// The ID a key stands for, when the key is exactly its decimal text (only such keys can
// equal the decimal text of an ID).
bool KeyId(std::string_view key, int32_t& id) {
  if (key.empty()) return false;
  const char* end = key.data() + key.size();
  auto [ptr, ec] = std::from_chars(key.data(), end, id);
  return ec == std::errc() && ptr == end && std::to_string(id) == key;
}

// The line's key part equals the ID's decimal text (digits: case does not matter).
bool LineHasId(const std::string& line, const std::string& idText) {
  return line.size() > idText.size() && line[idText.size()] == '=' && line.compare(0, idText.size(), idText) == 0;
}

}  // namespace

void TLanguage::Open(Platform& platform, const std::string& language) {
  const std::string path = ExecutableFolder(platform) + "Languages.ini";
  if (!platform.files.FileExists(path)) return;
  LanguageFile = std::make_unique<TIniFile>(platform, path);
  try {
    LanguageFile->Load();
  } catch (...) {
    // An unreadable file leaves every text at its fallback.
  }
  LoadLanguage(*LanguageFile, language);
}

void TLanguage::LoadLanguage(const TIniFile& languageFile, const std::string& section) {
  ResourceList.clear();
  index_.clear();
  indexedLines_ = 0;
  try {
    for (const std::string& key : languageFile.ReadSectionKeys(section))
      Append(key + "=" + languageFile.ReadString(section, key, ""));
  } catch (...) {
    // Texts fall back to their error text; the program runs on without them.
  }
}

void TLanguage::Append(std::string line) {
  ResourceList.push_back(std::move(line));
  const std::string& added = ResourceList.back();
  int32_t id = 0;
  if (KeyId(std::string_view(added).substr(0, added.find('=')), id)) index_.try_emplace(id, ResourceList.size() - 1);
  indexedLines_ = ResourceList.size();
}

const std::string* TLanguage::FindLine(int32_t id) const {
  const std::string idText = std::to_string(id);
  if (ResourceList.size() == indexedLines_) {
    auto found = index_.find(id);
    if (found == index_.end()) return nullptr;
    const std::string& line = ResourceList[found->second];
    if (LineHasId(line, idText)) return &line;
  }
  // The list was changed behind the index: answer from the list itself.
  for (const std::string& line : ResourceList)
    if (LineHasId(line, idText)) return &line;
  return nullptr;
}

std::string TLanguage::Translate(int32_t id) const {
  if (const std::string* line = FindLine(id)) {
    std::string value = line->substr(line->find('=') + 1);
    if (!value.empty()) return value;
  }
  if (id == kExitId) return "Exit";
  return "<Translation error for ID " + std::to_string(id) + ">";
}

std::string ExecutableFolder(Platform& platform) {
  const std::string path = platform.environment.ExecutablePath();
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

#include "data/IniFile.h"

#include <cerrno>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <utility>

#include "platform/FileNames.h"
#include "platform/Platform.h"

namespace {

TIniDocument::CodePage CodePageOf(Environment& environment) {
  return TIniDocument::CodePage{
      [&environment](const std::string& text) { return environment.AnsiToWide(text); },
      [&environment](const std::u16string& text) { return environment.WideToAnsi(text); }};
}

bool IsDigits(const std::string& text, size_t from, int base) {
  if (from >= text.size()) return false;
  for (size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    const bool digit = (c >= '0' && c <= '9') ||
                       (base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
    if (!digit) return false;
  }
  return true;
}

}  // namespace

bool ParseIniInteger(const std::string& text, int32_t& value) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    // Up to 32 bits; values above 0x7FFFFFFF are the negative numbers of the same bits.
    if (!IsDigits(text, 2, 16)) return false;
    const size_t first = text.find_first_not_of('0', 2);
    if (first != std::string::npos && text.size() - first > 8) return false;
    value = static_cast<int32_t>(static_cast<uint32_t>(std::strtoul(text.c_str() + 2, nullptr, 16)));
    return true;
  }
  const size_t digitsFrom = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  if (!IsDigits(text, digitsFrom, 10)) return false;
  errno = 0;
  const long long number = std::strtoll(text.c_str(), nullptr, 10);
  if (errno == ERANGE || number < INT32_MIN || number > INT32_MAX) return false;
  value = static_cast<int32_t>(number);
  return true;
}

TIniFile::TIniFile(Platform& platform, std::string fileName)
    : platform_(platform), fileName_(std::move(fileName)), document_(CodePageOf(platform.environment)) {}

std::string TIniFile::DisplayName() const { return FileNameForDisplay(platform_.environment, fileName_); }

bool TIniFile::Load() {
  try {
    std::string bytes;
    const ReadFileResult result = platform_.files.ReadFile(fileName_, bytes);
    document_.Parse(result == ReadFileResult::Ok ? std::move(bytes) : std::string());
    // One too large reads as unreadable: never written back over.
    return result == ReadFileResult::Ok || result == ReadFileResult::NotFound;
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  // Too large to be held: read as unreadable, so that it is never written back.
  document_.Parse(std::string());
  return false;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
  return document_.Get(section, key, def);
}

std::string TIniFile::ReadWholeString(const std::string& section, const std::string& key) const {
  return document_.Get(section, key, "", TIniDocument::Unbounded);
}

int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key, int32_t def) const {
  int32_t value = 0;
  return ParseIniInteger(document_.Get(section, key, ""), value) ? value : def;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::vector<std::string> TIniFile::ReadSectionKeys(const std::string& section) const {
  return document_.Keys(section, SectionKeysBufferSize);
}

std::vector<std::string> TIniFile::ReadForeignLines(const std::string& section,
                                                    const std::function<bool(const std::string&)>& isOwnKey) const {
  return document_.ForeignLines(section, isOwnKey);
}

void TIniFile::WriteForeignLines(const std::string& section, const std::vector<std::string>& lines) {
  document_.AppendLines(section, lines);
}

bool TIniFile::SectionExists(const std::string& section) const { return document_.HasSection(section); }

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  document_.Set(section, key, value);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  document_.Set(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  document_.Set(section, key, value ? "1" : "0");
}

void TIniFile::EraseSection(const std::string& section) { document_.EraseSection(section); }

void TIniFile::UpdateFile() {
  bool replaced = false;
  try {
    replaced = platform_.files.ReplaceFile(fileName_, document_.Serialize());
  } catch (const std::bad_alloc&) {
    // No memory for the new file's text: the old file stays as it is.
  }
  if (!replaced) throw EIniFileError("Unable to write to " + DisplayName());
}

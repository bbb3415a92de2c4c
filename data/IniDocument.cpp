#include "data/IniDocument.h"

#include <string_view>
#include <utility>

#include "base/TextEncoding.h"

// The reading rules are those of the system's profile functions, found by experiment:
// - line breaks are CR, LF or both; blanks are tab, LF, VT, FF, CR, space and Ctrl-Z;
// - "[" starts a header whose name runs to the last "]" (trimmed); every other non-blank
//   line, a "[" line without "]" too, is a key, with or without "=";
// - only the first section of a name is searched, and in it the first key of a name,
//   even when that key has no "=" (then the default is returned);
// - a line "=value" has the empty name, unless the key before it had one too;
// - ";" lines are keys for lookup but are not listed; names compare ignoring ASCII case.

namespace {

constexpr size_t kBufferSize = 2048;  // of the caller's buffer, terminating NUL included

bool IsIniSpace(char16_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x1A; }

std::u16string Trim(std::u16string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsIniSpace(text[begin])) ++begin;
  while (end > begin && IsIniSpace(text[end - 1])) --end;
  return std::u16string(text.substr(begin, end - begin));
}

template <class Text>
Text CutAtNul(const Text& text) {
  return text.substr(0, text.find(typename Text::value_type(0)));
}

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

bool SameName(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

struct LineParts {
  enum Kind { Blank, Header, Pair } Kind = Blank;
  std::u16string Name;   // header name or key name, trimmed
  std::u16string Value;  // trimmed
  bool HasValue = false;
  bool EmptyName = false;  // the line starts with "=" (checked before cutting at NUL)
};

LineParts SplitLine(std::u16string_view text) {
  LineParts parts;
  const std::u16string line = Trim(text);
  if (line.empty()) return parts;
  const size_t close = line[0] == u'[' ? line.rfind(u']') : std::u16string::npos;
  if (close != std::u16string::npos) {
    parts.Kind = LineParts::Header;
    parts.Name = Trim(std::u16string_view(line).substr(1, close - 1));
    return parts;
  }
  parts.Kind = LineParts::Pair;
  const size_t equals = line.find(u'=');
  if (equals == std::u16string::npos) {
    parts.Name = line;
  } else {
    parts.Name = Trim(std::u16string_view(line).substr(0, equals));
    parts.Value = Trim(std::u16string_view(line).substr(equals + 1));
    parts.HasValue = true;
  }
  parts.EmptyName = parts.Name.empty();
  return parts;
}

// What the caller's buffer receives for a stored value: cut at NUL, one pair of matching
// quotes removed, at most kBufferSize - 1 characters. The closing quote is dropped only
// when the whole rest fits the buffer, so a quoted value of exactly that length loses its
// last character, as it does with the system function.
std::u16string CopyEntry(const std::u16string& stored) {
  std::u16string value = CutAtNul(stored);
  const bool quoted = value.size() >= 2 && (value[0] == u'"' || value[0] == u'\'') &&
                      value.back() == value[0];
  if (quoted) value.erase(0, 1);
  const size_t restLength = value.size();
  if (value.size() > kBufferSize - 1) value.resize(kBufferSize - 1);
  if (quoted && kBufferSize >= restLength) value.pop_back();
  return value;
}

// A text as it must be written so that it reads back unchanged (line breaks cannot be
// stored and become blanks).
std::string StorableText(const std::string& text) {
  std::string result = CutAtNul(text);
  for (char& c : result)
    if (c == '\r' || c == '\n') c = ' ';
  return result;
}

std::string StorableValue(const std::string& value) {
  std::string result = StorableText(value);
  if (result.empty()) return result;
  const char first = result.front();
  const char last = result.back();
  const bool blankAtEnd = IsIniSpace(static_cast<unsigned char>(first)) ||
                          IsIniSpace(static_cast<unsigned char>(last));
  const bool looksQuoted = result.size() >= 2 && (first == '"' || first == '\'') && last == first;
  if (blankAtEnd || looksQuoted) result = '"' + result + '"';
  return result;
}

template <class Char>
std::vector<std::pair<size_t, size_t>> SplitLines(std::basic_string_view<Char> text,
                                                  bool& endsWithBreak) {
  std::vector<std::pair<size_t, size_t>> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    const Char c = text[i];
    if (c == Char('\r') || c == Char('\n')) {
      lines.emplace_back(start, i);
      if (c == Char('\r') && i + 1 < text.size() && text[i + 1] == Char('\n')) ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  endsWithBreak = start == text.size();
  if (!endsWithBreak) lines.emplace_back(start, text.size());
  return lines;
}

bool IsUtf16(TIniDocument::Encoding encoding) {
  return encoding == TIniDocument::Encoding::Utf16LE || encoding == TIniDocument::Encoding::Utf16BE;
}

}  // namespace

std::u16string TIniDocument::ToWide(const std::string& ansi) const {
  return codePage_.AnsiToWide ? codePage_.AnsiToWide(ansi) : Cp1252ToUtf16(ansi);
}

std::string TIniDocument::ToAnsi(const std::u16string& wide) const {
  return codePage_.WideToAnsi ? codePage_.WideToAnsi(wide) : Utf16ToCp1252(wide);
}

std::u16string TIniDocument::DecodeLine(const std::string& raw, bool lastInFile) const {
  switch (encoding_) {
    case Encoding::Ansi:
      return ToWide(raw);
    case Encoding::Utf8:
      return Utf8ToUtf16(raw, lastInFile);
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
      const bool little = encoding_ == Encoding::Utf16LE;
      std::u16string wide(raw.size() / 2, u'\0');
      for (size_t i = 0; i < wide.size(); ++i) {
        const auto first = static_cast<unsigned char>(raw[2 * i]);
        const auto second = static_cast<unsigned char>(raw[2 * i + 1]);
        wide[i] = little ? char16_t(first | (second << 8)) : char16_t((first << 8) | second);
      }
      return wide;
    }
  }
  return {};
}

std::string TIniDocument::EncodeLine(const std::string& ansi) const {
  switch (encoding_) {
    case Encoding::Ansi:
      return ansi;
    case Encoding::Utf8:
      return Utf16ToUtf8(ToWide(ansi));
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
      const bool little = encoding_ == Encoding::Utf16LE;
      std::string bytes;
      for (char16_t c : ToWide(ansi)) {
        const char low = static_cast<char>(c & 0xFF);
        const char high = static_cast<char>(c >> 8);
        bytes += little ? low : high;
        bytes += little ? high : low;
      }
      return bytes;
    }
  }
  return ansi;
}

TIniDocument::Entry TIniDocument::MakeEntry(std::string raw, const std::u16string& text) const {
  Entry entry;
  entry.Raw = std::move(raw);
  const LineParts parts = SplitLine(text);
  if (parts.Kind == LineParts::Pair) {
    entry.IsKey = true;
    entry.WideKey = CutAtNul(parts.Name);
    entry.Key = ToAnsi(entry.WideKey);
    entry.WideValue = parts.Value;
    entry.HasValue = parts.HasValue;
  }
  return entry;
}

void TIniDocument::Parse(const std::string& bytes) {
  sections_.assign(1, Section{});
  std::string_view payload(bytes);
  encoding_ = Encoding::Ansi;
  if (payload.substr(0, 3) == "\xEF\xBB\xBF") {
    encoding_ = Encoding::Utf8;
    payload.remove_prefix(3);
  } else if (payload.substr(0, 2) == "\xFF\xFE") {
    encoding_ = Encoding::Utf16LE;
    payload.remove_prefix(2);
  } else if (payload.substr(0, 2) == "\xFE\xFF") {
    encoding_ = Encoding::Utf16BE;
    payload.remove_prefix(2);
  }

  // Lines are found on code units: bytes, or pairs of bytes in a UTF-16 file (whose odd
  // last byte, if any, is no character and is dropped).
  const size_t unitSize = IsUtf16(encoding_) ? 2 : 1;
  std::vector<std::pair<size_t, size_t>> lines;
  bool endsWithBreak = true;
  if (unitSize == 2) {
    std::u16string units = DecodeLine(std::string(payload.substr(0, payload.size() & ~size_t(1))), true);
    lines = SplitLines(std::u16string_view(units), endsWithBreak);
  } else {
    lines = SplitLines(payload, endsWithBreak);
  }

  bool havePreviousKey = false;
  bool previousKeyUnnamed = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto [begin, end] = lines[i];
    std::string raw(payload.substr(begin * unitSize, (end - begin) * unitSize));
    const std::u16string text = DecodeLine(raw, !endsWithBreak && i + 1 == lines.size());
    const LineParts parts = SplitLine(text);
    if (parts.Kind == LineParts::Header) {
      Section section;
      section.WideName = CutAtNul(parts.Name);
      section.Name = ToAnsi(section.WideName);
      section.RawHeader = std::move(raw);
      sections_.push_back(std::move(section));
      havePreviousKey = false;
      continue;
    }
    Entry entry = MakeEntry(std::move(raw), text);
    if (entry.IsKey) {
      if (parts.EmptyName && havePreviousKey && previousKeyUnnamed) {
        Entry dropped;  // the system ignores the line
        dropped.Raw = std::move(entry.Raw);
        entry = std::move(dropped);
      } else {
        havePreviousKey = true;
        previousKeyUnnamed = entry.WideKey.empty();
      }
    }
    sections_.back().Entries.push_back(std::move(entry));
  }
}

std::string TIniDocument::Serialize() const {
  std::string out;
  switch (encoding_) {
    case Encoding::Ansi: break;
    case Encoding::Utf8: out = "\xEF\xBB\xBF"; break;
    case Encoding::Utf16LE: out = "\xFF\xFE"; break;
    case Encoding::Utf16BE: out = "\xFE\xFF"; break;
  }
  const std::string lineEnd = EncodeLine("\r\n");
  for (size_t i = 0; i < sections_.size(); ++i) {
    if (i > 0) out += sections_[i].RawHeader + lineEnd;
    for (const Entry& entry : sections_[i].Entries) out += entry.Raw + lineEnd;
  }
  return out;
}

size_t TIniDocument::FindSection(const std::u16string& name) const {
  for (size_t i = 0; i < sections_.size(); ++i)
    if (SameName(sections_[i].WideName, name)) return i;
  return std::u16string::npos;
}

const TIniDocument::Entry* TIniDocument::FindKey(const std::string& section,
                                                  const std::string& key) const {
  const size_t index = FindSection(Trim(ToWide(CutAtNul(section))));
  if (index == std::u16string::npos) return nullptr;
  const std::u16string name = Trim(ToWide(CutAtNul(key)));
  for (const Entry& entry : sections_[index].Entries)
    if (entry.IsKey && SameName(entry.WideKey, name)) return &entry;
  return nullptr;
}

std::string TIniDocument::Get(const std::string& section, const std::string& key,
                              const std::string& def) const {
  std::u16string value;
  const Entry* entry = FindKey(section, key);
  if (entry != nullptr && entry->HasValue) {
    value = CopyEntry(entry->WideValue);
  } else {
    // The system drops trailing spaces of the default before treating it like a value.
    std::u16string fallback = ToWide(CutAtNul(def));
    while (fallback.size() > 1 && fallback.back() == u' ') fallback.pop_back();
    value = CopyEntry(fallback);
  }
  std::string text = ToAnsi(value);
  if (text.size() > kBufferSize - 1) text.resize(kBufferSize - 1);
  return text;
}

bool TIniDocument::Has(const std::string& section, const std::string& key) const {
  const Entry* entry = FindKey(section, key);
  return entry != nullptr && entry->HasValue;
}

std::vector<std::string> TIniDocument::Keys(const std::string& section) const {
  // The system lists the first section whose name equals the text as given (not trimmed).
  std::vector<std::string> keys;
  const size_t index = FindSection(ToWide(CutAtNul(section)));
  if (index == std::u16string::npos) return keys;
  for (const Entry& entry : sections_[index].Entries) {
    if (!entry.IsKey || !entry.HasValue) continue;
    if (!entry.WideKey.empty() && entry.WideKey[0] == u';') continue;
    if (entry.WideKey.empty()) break;  // an empty name ends the system's list
    keys.push_back(entry.Key);
  }
  return keys;
}

bool TIniDocument::HasSection(const std::string& section) const {
  const std::u16string name = Trim(ToWide(CutAtNul(section)));
  if (name.empty()) return false;
  for (size_t i = 1; i < sections_.size(); ++i)
    if (SameName(sections_[i].WideName, name)) return true;
  return false;
}

void TIniDocument::Set(const std::string& section, const std::string& key,
                       const std::string& value) {
  const std::string sectionName = StorableText(section);
  const std::string keyName = StorableText(key);
  const std::string line = keyName + "=" + StorableValue(value);

  const std::u16string wideSection = Trim(ToWide(sectionName));
  size_t index = FindSection(wideSection);
  if (index == std::u16string::npos) {
    // A new section goes at the end, after a blank line unless there is one already.
    std::vector<Entry>& last = sections_.back().Entries;
    const bool fileIsEmpty = sections_.size() == 1 && last.empty();
    if (!fileIsEmpty && (last.empty() || !Trim(DecodeLine(last.back().Raw, false)).empty()))
      last.push_back(Entry{});
    Section added;
    added.WideName = wideSection;
    added.Name = ToAnsi(wideSection);
    added.RawHeader = EncodeLine("[" + sectionName + "]");
    sections_.push_back(std::move(added));
    index = sections_.size() - 1;
  }

  std::vector<Entry>& entries = sections_[index].Entries;
  Entry entry = MakeEntry(EncodeLine(line), ToWide(line));
  const std::u16string wideKey = Trim(ToWide(keyName));
  for (Entry& existing : entries) {
    if (existing.IsKey && SameName(existing.WideKey, wideKey)) {
      existing = std::move(entry);
      return;
    }
  }
  // A new key goes after the section's last non-blank line, so that blank lines
  // separating it from the next section stay where they are.
  size_t position = entries.size();
  while (position > 0 && Trim(DecodeLine(entries[position - 1].Raw, false)).empty()) --position;
  entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(position), std::move(entry));
}

void TIniDocument::EraseSection(const std::string& section) {
  const std::u16string name = Trim(ToWide(CutAtNul(section)));
  if (name.empty()) sections_[0].Entries.clear();
  for (size_t i = sections_.size() - 1; i > 0; --i)
    if (SameName(sections_[i].WideName, name)) sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(i));
}

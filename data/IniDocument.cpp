#include "data/IniDocument.h"

#include <algorithm>
#include <new>
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

bool IsIniSpace(char16_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x1A; }

std::u16string_view Trim(std::u16string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsIniSpace(text[begin])) ++begin;
  while (end > begin && IsIniSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

template <class Text>
Text CutAtNul(const Text& text) {
  return text.substr(0, text.find(typename Text::value_type(0)));
}

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

uint32_t NameHash(std::u16string_view name, uint32_t seed = 2166136261u) {
  uint32_t hash = seed;
  for (char16_t c : name) {
    hash ^= FoldAscii(c);
    hash *= 16777619u;
  }
  return hash;
}

struct LineParts {
  enum Kind { Blank, Header, Pair } Kind = Blank;
  std::u16string_view Name;   // header name or key name, trimmed
  std::u16string_view Value;  // trimmed
  bool HasValue = false;
  bool EmptyName = false;  // the line starts with "=" (checked before cutting at NUL)
};

LineParts SplitLine(std::u16string_view text) {
  LineParts parts;
  const std::u16string_view line = Trim(text);
  if (line.empty()) return parts;
  const size_t close = line[0] == u'[' ? line.rfind(u']') : std::u16string_view::npos;
  if (close != std::u16string_view::npos) {
    parts.Kind = LineParts::Header;
    parts.Name = CutAtNul(Trim(line.substr(1, close - 1)));
    return parts;
  }
  parts.Kind = LineParts::Pair;
  const size_t equals = line.find(u'=');
  if (equals == std::u16string_view::npos) {
    parts.Name = line;
  } else {
    parts.Name = Trim(line.substr(0, equals));
    parts.Value = Trim(line.substr(equals + 1));
    parts.HasValue = true;
  }
  parts.EmptyName = parts.Name.empty();
  parts.Name = CutAtNul(parts.Name);
  return parts;
}

// What the caller's buffer receives for a stored value: cut at NUL, one pair of matching
// quotes removed, at most bufferSize - 1 characters. The closing quote is dropped only
// when the whole rest fits the buffer, so a quoted value of exactly that length loses its
// last character, as it does with the system function.
std::u16string CopyEntry(std::u16string_view stored, size_t bufferSize) {
  std::u16string value(CutAtNul(stored));
  const bool quoted = value.size() >= 2 && (value[0] == u'"' || value[0] == u'\'') &&
                      value.back() == value[0];
  if (quoted) value.erase(0, 1);
  const size_t restLength = value.size();
  if (value.size() > bufferSize - 1) value.resize(bufferSize - 1);
  if (quoted && bufferSize >= restLength) value.pop_back();
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

// Names as the system lists them into a buffer of that size: separated by NUL, the list
// closed by a second NUL; when they do not fit, the last one is cut so that its NUL and
// the closing one still fit.
std::vector<std::string> FitInBuffer(std::vector<std::string> names, size_t bufferSize) {
  size_t needed = 1;
  for (const std::string& name : names) needed += name.size() + 1;
  if (needed <= bufferSize) return names;
  std::vector<std::string> fitting;
  if (bufferSize < 3) return fitting;
  const size_t room = bufferSize - 2;
  size_t used = 0;
  for (std::string& name : names) {
    if (used + name.size() <= room) {
      used += name.size() + 1;
      fitting.push_back(std::move(name));
      if (used > room) break;
      continue;
    }
    if (used < room) fitting.push_back(name.substr(0, room - used));
    break;
  }
  return fitting;
}

}  // namespace

template <class Same>
TIniDocument::HashIndex::Slot* TIniDocument::HashIndex::Find(uint32_t hash, const Same& same) const {
  const size_t mask = slots_.size() - 1;
  for (size_t at = (hash * 2654435769u) & mask;; at = (at + 1) & mask) {
    Slot& slot = slots_[at];
    if (slot.Id == kNone) return nullptr;
    if (slot.Hash == hash && same(slot.Id)) return &slot;
  }
}

void TIniDocument::HashIndex::Add(uint32_t hash, uint32_t id) {
  if ((used_ + 1) * 4 > slots_.size() * 3) {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
      if (slot.Id == kNone) continue;
      size_t at = (slot.Hash * 2654435769u) & mask;
      while (slots_[at].Id != kNone) at = (at + 1) & mask;
      slots_[at] = slot;
    }
  }
  const size_t mask = slots_.size() - 1;
  size_t at = (hash * 2654435769u) & mask;
  while (slots_[at].Id != kNone) at = (at + 1) & mask;
  slots_[at] = Slot{id, hash};
  ++used_;
}

void TIniDocument::Clear() {
  encoding_ = Encoding::Ansi;
  std::string().swap(text_);
  std::string().swap(edits_);
  payloadBegin_ = 0;
  std::vector<Line>().swap(lines_);
  std::vector<Section>().swap(sections_);
  std::vector<std::vector<uint32_t>>().swap(added_);
  std::vector<uint32_t>().swap(addedOwner_);
  parsedLines_ = 0;
  parsedSections_ = 1;
  unterminatedLast_ = kNone;
  sectionIndex_.Clear();
  keyIndex_.Clear();
  Section nameless{};
  nameless.Header = kNone;
  nameless.Added = kNone;
  nameless.Next = kNoNext;
  sections_.push_back(nameless);
  sectionIndex_.Add(NameHash(u""), 0);
}

std::u16string TIniDocument::ToWide(std::string_view ansi) const {
  // Every ANSI code page writes ASCII as itself: most lines and every name need no conversion.
  if (std::all_of(ansi.begin(), ansi.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return std::u16string(ansi.begin(), ansi.end());
  const std::string text(ansi);
  return codePage_.AnsiToWide ? codePage_.AnsiToWide(text) : Cp1252ToUtf16(text);
}

std::string TIniDocument::ToAnsi(const std::u16string& wide) const {
  return codePage_.WideToAnsi ? codePage_.WideToAnsi(wide) : Utf16ToCp1252(wide);
}

size_t TIniDocument::Unit() const {
  return encoding_ == Encoding::Utf16LE || encoding_ == Encoding::Utf16BE ? 2 : 1;
}

std::u16string TIniDocument::DecodeLine(std::string_view raw, bool lastInFile) const {
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

// The blanks are ASCII, and every encoding here writes ASCII as itself (in UTF-16, as
// one unit), so a line is judged blank without decoding it.
bool TIniDocument::IsBlank(std::string_view raw) const {
  if (Unit() == 1) {
    for (char c : raw)
      if (!IsIniSpace(static_cast<unsigned char>(c))) return false;
    return true;
  }
  const bool little = encoding_ == Encoding::Utf16LE;
  for (size_t i = 0; i + 1 < raw.size(); i += 2) {
    const auto first = static_cast<unsigned char>(raw[i]);
    const auto second = static_cast<unsigned char>(raw[i + 1]);
    if (!IsIniSpace(little ? char16_t(first | (second << 8)) : char16_t((first << 8) | second))) return false;
  }
  return true;
}

std::string_view TIniDocument::Bytes(const Line& line) const {
  return std::string_view(line.Edited ? edits_ : text_).substr(line.Begin, line.Size);
}

std::u16string TIniDocument::Decode(uint32_t line) const {
  return DecodeLine(Bytes(lines_[line]), line == unterminatedLast_);
}

std::u16string TIniDocument::SectionName(uint32_t section) const {
  const uint32_t header = sections_[section].Header;
  if (header == kNone) return {};
  const std::u16string text = Decode(header);
  return std::u16string(SplitLine(text).Name);
}

std::u16string TIniDocument::KeyName(uint32_t line) const {
  const std::u16string text = Decode(line);
  return std::u16string(SplitLine(text).Name);
}

uint32_t TIniDocument::SectionOfLine(uint32_t line) const {
  if (line >= parsedLines_) return addedOwner_[line - parsedLines_];
  // Parsed sections lie in file order: the last one whose header comes before the line.
  auto begin = sections_.begin() + 1;
  auto end = sections_.begin() + parsedSections_;
  auto after = std::upper_bound(begin, end, line, [](uint32_t l, const Section& s) { return l < s.Header; });
  return static_cast<uint32_t>(after - sections_.begin()) - 1;
}

uint32_t TIniDocument::KeyHash(uint32_t section, std::u16string_view name) {
  return NameHash(name, 2166136261u ^ (section * 0x9E3779B9u));
}

void TIniDocument::Parse(std::string bytes) {
  Clear();
  if (bytes.size() > MaxFileSize) throw std::bad_alloc();
  try {
    text_ = std::move(bytes);
    const std::string_view all(text_);
    if (all.substr(0, 3) == "\xEF\xBB\xBF") {
      encoding_ = Encoding::Utf8;
      payloadBegin_ = 3;
    } else if (all.substr(0, 2) == "\xFF\xFE") {
      encoding_ = Encoding::Utf16LE;
      payloadBegin_ = 2;
    } else if (all.substr(0, 2) == "\xFE\xFF") {
      encoding_ = Encoding::Utf16BE;
      payloadBegin_ = 2;
    }
    // Lines are found on code units: bytes, or pairs of bytes in a UTF-16 file (whose
    // odd last byte, if any, is no character and is dropped).
    const size_t unit = Unit();
    const size_t end = payloadBegin_ + ((all.size() - payloadBegin_) / unit) * unit;
    const bool little = encoding_ != Encoding::Utf16BE;
    auto unitAt = [&](size_t at) -> char16_t {
      if (unit == 1) return static_cast<unsigned char>(all[at]);
      const auto first = static_cast<unsigned char>(all[at]);
      const auto second = static_cast<unsigned char>(all[at + 1]);
      return little ? char16_t(first | (second << 8)) : char16_t((first << 8) | second);
    };
    // Calls visit(begin, end, last) for each line; a final line break ends no new line.
    auto forEachLine = [&](auto&& visit) {
      size_t start = payloadBegin_;
      size_t at = payloadBegin_;
      while (at < end) {
        const char16_t c = unitAt(at);
        if (c != u'\r' && c != u'\n') {
          at += unit;
          continue;
        }
        visit(start, at, false);
        if (c == u'\r' && at + unit < end && unitAt(at + unit) == u'\n') at += unit;
        at += unit;
        start = at;
      }
      if (start < end) visit(start, end, true);
    };

    // Counted first, so that the tables are allocated once at their size.
    size_t lineCount = 0;
    size_t headerCount = 0;
    bool previousBlank = false;
    forEachLine([&](size_t b, size_t e, bool) {
      const bool blank = IsBlank(all.substr(b, e - b));
      if (!blank || !previousBlank) ++lineCount;
      previousBlank = blank;
      if (blank) return;
      size_t first = b;
      while (first < e && IsIniSpace(unitAt(first))) first += unit;
      if (unitAt(first) == u'[') ++headerCount;
    });
    lines_.reserve(lineCount);
    sections_.reserve(headerCount + 1);

    uint32_t section = 0;
    uint32_t cachedKey = kNone;
    std::u16string cachedName;
    bool havePreviousKey = false;
    bool previousKeyUnnamed = false;
    previousBlank = false;
    forEachLine([&](size_t b, size_t e, bool last) {
      const std::string_view raw = all.substr(b, e - b);
      if (IsBlank(raw)) {
        if (previousBlank) {
          lines_.back().Size = static_cast<uint32_t>(e - lines_.back().Begin);
        } else {
          lines_.push_back(Line{static_cast<uint32_t>(b), static_cast<uint32_t>(e - b), kBlank, 0});
        }
        previousBlank = true;
        return;
      }
      previousBlank = false;
      const auto index = static_cast<uint32_t>(lines_.size());
      if (last) unterminatedLast_ = index;
      const std::u16string text = DecodeLine(raw, last);
      const LineParts parts = SplitLine(text);
      Kind kind = kOther;
      if (parts.Kind == LineParts::Header) {
        kind = kHeader;
        Section added{};
        added.Header = index;
        added.Added = kNone;
        added.Next = kNoNext;
        section = static_cast<uint32_t>(sections_.size());
        const uint32_t hash = NameHash(parts.Name);
        auto* first = sectionIndex_.Find(hash, [&](uint32_t id) { return SameName(SectionName(id), parts.Name); });
        if (first != nullptr) {
          added.Next = sections_[first->Id].Next;
          sections_[first->Id].Next = section;
        }
        sections_.push_back(added);
        if (first == nullptr) sectionIndex_.Add(hash, section);
        havePreviousKey = false;
      } else if (!(parts.EmptyName && havePreviousKey && previousKeyUnnamed)) {
        // (otherwise the system ignores the line)
        kind = parts.HasValue ? kKey : kBare;
        havePreviousKey = true;
        previousKeyUnnamed = parts.Name.empty();
      }
      lines_.push_back(Line{static_cast<uint32_t>(b), static_cast<uint32_t>(e - b), kind, 0});
      parsedLines_ = static_cast<uint32_t>(lines_.size());
      parsedSections_ = static_cast<uint32_t>(sections_.size());
      if (kind == kKey || kind == kBare) {
        const uint32_t hash = KeyHash(section, parts.Name);
        // A damaged file may repeat one key a million times: its name is decoded once.
        auto same = [&](uint32_t id) {
          if (id != cachedKey) {
            cachedKey = id;
            cachedName = KeyName(id);
          }
          return SameName(cachedName, parts.Name) && SectionOfLine(id) == section;
        };
        if (keyIndex_.Find(hash, same) == nullptr) keyIndex_.Add(hash, index);
      }
    });
    parsedLines_ = static_cast<uint32_t>(lines_.size());
    parsedSections_ = static_cast<uint32_t>(sections_.size());
  } catch (...) {
    Clear();
    throw;
  }
}

template <class Visit>
void TIniDocument::VisitLines(uint32_t section, const Visit& visit) const {
  const Section& s = sections_[section];
  uint32_t first = 0;
  uint32_t end = 0;
  if (section < parsedSections_ && !s.Cleared) {
    first = section == 0 ? 0 : s.Header + 1;
    end = section + 1 < parsedSections_ ? sections_[section + 1].Header : parsedLines_;
  }
  // Lines written later go after the last non-blank line, before the blank ones that
  // separate the section from the next.
  uint32_t trailingBlank = kNone;
  if (end > first && lines_[end - 1].Kind == kBlank) trailingBlank = --end;
  for (uint32_t line = first; line < end; ++line)
    if (lines_[line].Kind != kDead) visit(line);
  if (s.Added != kNone)
    for (uint32_t line : added_[s.Added])
      if (lines_[line].Kind != kDead) visit(line);
  if (trailingBlank != kNone) visit(trailingBlank);
}

bool TIniDocument::EndsBlank(uint32_t section, bool& empty) const {
  empty = !sections_[section].BlankAfter;
  if (!empty) return true;
  bool blank = false;
  VisitLines(section, [&](uint32_t line) {
    empty = false;
    blank = lines_[line].Kind == kBlank;
  });
  return blank;
}

std::string TIniDocument::Serialize() const {
  std::string out;
  out.reserve(text_.size() + edits_.size() + lines_.size() + 16);
  out.append(text_, 0, payloadBegin_);
  const std::string lineEnd = EncodeLine("\r\n");
  const size_t unit = Unit();
  const std::string_view crUnit = std::string_view(lineEnd).substr(0, unit);
  const std::string_view lfUnit = std::string_view(lineEnd).substr(unit, unit);
  auto emit = [&](uint32_t index) {
    const std::string_view bytes = Bytes(lines_[index]);
    if (lines_[index].Kind != kBlank) {
      out += bytes;
      out += lineEnd;
      return;
    }
    // A run of blank lines: each line gets the CR LF of its own.
    size_t start = 0;
    for (size_t at = 0; at + unit <= bytes.size();) {
      const std::string_view c = bytes.substr(at, unit);
      const bool cr = c == crUnit;
      const bool lf = c == lfUnit;
      if (!cr && !lf) {
        at += unit;
        continue;
      }
      out += bytes.substr(start, at - start);
      out += lineEnd;
      if (cr && at + 2 * unit <= bytes.size() && bytes.substr(at + unit, unit) == lfUnit)
        at += unit;
      at += unit;
      start = at;
    }
    out += bytes.substr(start);
    out += lineEnd;
  };
  for (uint32_t section = 0; section < sections_.size(); ++section) {
    const Section& s = sections_[section];
    if (s.Erased) continue;
    if (section > 0) emit(s.Header);
    VisitLines(section, emit);
    if (s.BlankAfter) out += lineEnd;
  }
  return out;
}

uint32_t TIniDocument::FindSection(std::u16string_view name) const {
  auto* slot = sectionIndex_.Find(NameHash(name), [&](uint32_t id) { return SameName(SectionName(id), name); });
  if (slot == nullptr || sections_[slot->Id].Erased) return kNone;
  return slot->Id;
}

TIniDocument::HashIndex::Slot* TIniDocument::FindKeySlot(uint32_t section, std::u16string_view name) const {
  return keyIndex_.Find(KeyHash(section, name), [&](uint32_t id) {
    return SectionOfLine(id) == section && SameName(KeyName(id), name);
  });
}

uint32_t TIniDocument::FindKey(const std::string& section, const std::string& key) const {
  const uint32_t index = FindSection(Trim(ToWide(CutAtNul(section))));
  if (index == kNone) return kNone;
  const auto* slot = FindKeySlot(index, Trim(ToWide(CutAtNul(key))));
  if (slot == nullptr || lines_[slot->Id].Kind == kDead) return kNone;
  return slot->Id;
}

std::string TIniDocument::Get(const std::string& section, const std::string& key, const std::string& def,
                              size_t bufferSize) const {
  std::u16string value;
  const uint32_t line = FindKey(section, key);
  if (line != kNone && lines_[line].Kind == kKey) {
    const std::u16string text = Decode(line);
    value = CopyEntry(SplitLine(text).Value, bufferSize);
  } else {
    // The system drops trailing spaces of the default before treating it like a value.
    std::u16string fallback = ToWide(CutAtNul(def));
    while (fallback.size() > 1 && fallback.back() == u' ') fallback.pop_back();
    value = CopyEntry(fallback, bufferSize);
  }
  std::string text = ToAnsi(value);
  if (text.size() > bufferSize - 1) text.resize(bufferSize - 1);
  return text;
}

bool TIniDocument::Has(const std::string& section, const std::string& key) const {
  const uint32_t line = FindKey(section, key);
  return line != kNone && lines_[line].Kind == kKey;
}

std::vector<std::string> TIniDocument::Keys(const std::string& section, size_t bufferSize) const {
  // The system lists the first section whose name equals the text as given (not trimmed).
  std::vector<std::string> keys;
  const uint32_t index = FindSection(ToWide(CutAtNul(section)));
  if (index == kNone) return keys;
  bool ended = false;
  VisitLines(index, [&](uint32_t line) {
    if (ended || lines_[line].Kind != kKey) return;
    const std::u16string name = KeyName(line);
    if (!name.empty() && name[0] == u';') return;
    if (name.empty()) {
      ended = true;  // an empty name ends the system's list
      return;
    }
    keys.push_back(ToAnsi(name));
  });
  return FitInBuffer(std::move(keys), bufferSize);
}

bool TIniDocument::HasSection(const std::string& section) const {
  const std::u16string name(Trim(ToWide(CutAtNul(section))));
  if (name.empty()) return false;
  const uint32_t index = FindSection(name);
  return index != kNone && index != 0;
}

uint32_t TIniDocument::PushLine(std::string_view raw, Kind kind, uint32_t owner) {
  const auto index = static_cast<uint32_t>(lines_.size());
  lines_.push_back(Line{static_cast<uint32_t>(edits_.size()), static_cast<uint32_t>(raw.size()), kind, 1});
  edits_ += raw;
  addedOwner_.push_back(owner);
  return index;
}

uint32_t TIniDocument::AddSection(const std::string& name) {
  // A new section goes at the end, after a blank line unless there is one already.
  uint32_t last = static_cast<uint32_t>(sections_.size()) - 1;
  while (sections_[last].Erased) --last;
  bool empty = false;
  const bool blank = EndsBlank(last, empty);
  const bool fileIsEmpty = last == 0 && empty;
  if (!fileIsEmpty && (empty || !blank)) sections_[last].BlankAfter = 1;

  const auto section = static_cast<uint32_t>(sections_.size());
  Section added{};
  added.Header = PushLine(EncodeLine("[" + name + "]"), kHeader, section);
  added.Added = kNone;
  added.Next = kNoNext;
  sections_.push_back(added);
  const std::u16string wide(Trim(ToWide(name)));
  const uint32_t hash = NameHash(wide);
  auto* slot = sectionIndex_.Find(hash, [&](uint32_t id) { return SameName(SectionName(id), wide); });
  if (slot != nullptr)
    slot->Id = section;  // every earlier one of that name is erased
  else
    sectionIndex_.Add(hash, section);
  return section;
}

void TIniDocument::AppendLine(uint32_t section, std::string_view raw) {
  Kind kind = kBlank;
  LineParts parts;
  std::u16string text;
  if (!IsBlank(raw)) {
    text = DecodeLine(raw, false);
    parts = SplitLine(text);
    kind = parts.HasValue ? kKey : kBare;
  }
  const uint32_t line = PushLine(raw, kind, section);
  Section& s = sections_[section];
  if (s.Added == kNone) {
    s.Added = static_cast<uint32_t>(added_.size());
    added_.emplace_back();
  }
  added_[s.Added].push_back(line);
  if (kind == kBlank) return;
  auto* slot = FindKeySlot(section, parts.Name);
  if (slot == nullptr)
    keyIndex_.Add(KeyHash(section, parts.Name), line);
  else if (lines_[slot->Id].Kind == kDead)
    slot->Id = line;
}

void TIniDocument::Set(const std::string& section, const std::string& key, const std::string& value) {
  const std::string sectionName = StorableText(section);
  const std::string keyName = StorableText(key);
  const std::string line = EncodeLine(keyName + "=" + StorableValue(value));

  uint32_t index = FindSection(Trim(ToWide(sectionName)));
  if (index == kNone) index = AddSection(sectionName);
  const auto* slot = FindKeySlot(index, Trim(ToWide(keyName)));
  if (slot != nullptr && lines_[slot->Id].Kind != kDead) {
    Line& existing = lines_[slot->Id];
    existing = Line{static_cast<uint32_t>(edits_.size()), static_cast<uint32_t>(line.size()), kKey, 1};
    edits_ += line;
    return;
  }
  AppendLine(index, line);
}

void TIniDocument::EraseSection(const std::string& section) {
  const std::u16string name(Trim(ToWide(CutAtNul(section))));
  auto* slot = sectionIndex_.Find(NameHash(name), [&](uint32_t id) { return SameName(SectionName(id), name); });
  if (slot == nullptr) return;
  for (uint32_t index = slot->Id; index != kNoNext; index = sections_[index].Next) {
    Section& s = sections_[index];
    if (index != 0) {
      s.Erased = 1;
      continue;
    }
    // The part before the first header stays, emptied; its keys are gone from lookups.
    VisitLines(0, [&](uint32_t line) { lines_[line].Kind = kDead; });
    s.Cleared = 1;
    s.BlankAfter = 0;
    if (s.Added != kNone) added_[s.Added].clear();
  }
}

std::vector<std::string> TIniDocument::ForeignLines(const std::string& section,
                                                    const std::function<bool(const std::string&)>& isOwnKey) const {
  std::vector<std::string> lines;
  const uint32_t index = FindSection(Trim(ToWide(CutAtNul(section))));
  if (index == kNone) return lines;
  VisitLines(index, [&](uint32_t line) {
    const Kind kind = static_cast<Kind>(lines_[line].Kind);
    if ((kind == kKey || kind == kBare) && isOwnKey(ToAnsi(KeyName(line)))) return;
    lines.emplace_back(Bytes(lines_[line]));
  });
  while (!lines.empty() && IsBlank(lines.back())) lines.pop_back();
  return lines;
}

void TIniDocument::AppendLines(const std::string& section, const std::vector<std::string>& lines) {
  size_t count = lines.size();
  while (count > 0 && IsBlank(lines[count - 1])) --count;
  if (count == 0) return;
  const std::string sectionName = StorableText(section);
  uint32_t index = FindSection(Trim(ToWide(sectionName)));
  if (index == kNone) index = AddSection(sectionName);
  for (size_t i = 0; i < count; ++i) AppendLine(index, lines[i]);
}

#pragma once
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

// The parsed contents of an INI file, with the lookup rules of GetPrivateProfileStringA
// and a writer that keeps everything it was not asked to change (other sections, unknown
// keys, comments, the file's encoding).
//
// A damaged file may hold millions of lines, so the file's bytes are kept once and every
// line costs a few bytes; names and values are decoded when asked for, and lookups go
// through hash indexes, so reading and saving grow linearly with the file.
class TIniDocument {
 public:
  enum class Encoding { Ansi, Utf8, Utf16LE, Utf16BE };
  // Code-page conversions of the machine (system ANSI code page <-> UTF-16).
  struct CodePage {
    std::function<std::u16string(const std::string&)> AnsiToWide;
    std::function<std::string(const std::u16string&)> WideToAnsi;
  };
  // Larger files are not held: Parse throws std::bad_alloc, as when memory runs out.
  static constexpr size_t MaxFileSize = 200u << 20;
  static constexpr size_t Unbounded = std::numeric_limits<size_t>::max();

  TIniDocument() { Clear(); }
  explicit TIniDocument(CodePage codePage) : codePage_(std::move(codePage)) { Clear(); }

  // Parses raw file bytes (a UTF-8 or UTF-16 byte-order mark selects that encoding).
  // Throws std::bad_alloc when the file cannot be held; the document is then empty.
  void Parse(std::string bytes);
  // The file bytes for the current contents, lines ending in CR LF, in the original encoding.
  std::string Serialize() const;

  // The program's value buffer, terminating NUL included.
  static constexpr size_t ProfileBufferSize = 2048;
  // GetPrivateProfileStringA with a buffer of bufferSize bytes: the value, or def when missing.
  std::string Get(const std::string& section, const std::string& key, const std::string& def,
                  size_t bufferSize = ProfileBufferSize) const;
  bool Has(const std::string& section, const std::string& key) const;
  // The key names the system lists into a buffer of bufferSize bytes: when they do not
  // all fit, the last one is cut.
  std::vector<std::string> Keys(const std::string& section, size_t bufferSize = Unbounded) const;
  bool HasSection(const std::string& section) const;

  void Set(const std::string& section, const std::string& key, const std::string& value);
  void EraseSection(const std::string& section);
  // The lines of the first section of that name other than keys isOwnKey claims, byte for
  // byte as they stand (comments, lines without "=", keys of others); trailing blank
  // lines are left out. AppendLines puts such lines back at the end of a section.
  std::vector<std::string> ForeignLines(const std::string& section,
                                        const std::function<bool(const std::string&)>& isOwnKey) const;
  void AppendLines(const std::string& section, const std::vector<std::string>& lines);
  Encoding FileEncoding() const { return encoding_; }

 private:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;
  static constexpr uint32_t kNoNext = (1u << 29) - 1;
  enum Kind : uint32_t { kBlank, kOther, kBare, kKey, kHeader, kDead };
  // A run of blank lines is one Line (its bytes hold the line breaks between them).
  struct Line {
    uint32_t Begin;
    uint32_t Size : 28;
    uint32_t Kind : 3;
    uint32_t Edited : 1;  // bytes in edits_, not in text_
  };
  struct Section {
    uint32_t Header;  // line of the header; kNone for the part before the first header
    uint32_t Added;   // index in added_ of the lines written after parsing, or kNone
    uint32_t Next : 29;  // the next section of the same name
    uint32_t Erased : 1;
    uint32_t Cleared : 1;     // the part before the first header, emptied
    uint32_t BlankAfter : 1;  // a blank line that separates it from a section added later
  };
  // Open addressing over ids with their 32-bit hashes; equality is asked of the caller.
  class HashIndex {
   public:
    struct Slot {
      uint32_t Id = kNone;
      uint32_t Hash = 0;
    };
    void Clear() { slots_.assign(16, Slot{}), used_ = 0; }
    template <class Same>
    Slot* Find(uint32_t hash, const Same& same) const;
    void Add(uint32_t hash, uint32_t id);

   private:
    mutable std::vector<Slot> slots_;
    size_t used_ = 0;
  };

  void Clear();
  std::u16string ToWide(std::string_view ansi) const;
  std::string ToAnsi(const std::u16string& wide) const;
  std::u16string DecodeLine(std::string_view raw, bool lastInFile) const;
  std::string EncodeLine(const std::string& ansi) const;
  bool IsBlank(std::string_view raw) const;
  size_t Unit() const;

  std::string_view Bytes(const Line& line) const;
  std::u16string Decode(uint32_t line) const;
  std::u16string SectionName(uint32_t section) const;
  std::u16string KeyName(uint32_t line) const;
  uint32_t SectionOfLine(uint32_t line) const;
  static uint32_t KeyHash(uint32_t section, std::u16string_view name);

  // The first section of that name still in the document, or kNone.
  uint32_t FindSection(std::u16string_view name) const;
  HashIndex::Slot* FindKeySlot(uint32_t section, std::u16string_view name) const;
  uint32_t FindKey(const std::string& section, const std::string& key) const;
  uint32_t AddSection(const std::string& name);
  uint32_t PushLine(std::string_view raw, Kind kind, uint32_t owner);
  void AppendLine(uint32_t section, std::string_view raw);
  template <class Visit>
  void VisitLines(uint32_t section, const Visit& visit) const;
  bool EndsBlank(uint32_t section, bool& empty) const;

  CodePage codePage_;
  Encoding encoding_ = Encoding::Ansi;
  std::string text_;   // the file as read
  std::string edits_;  // lines written since
  size_t payloadBegin_ = 0;
  std::vector<Line> lines_;
  std::vector<Section> sections_;  // [0]: the nameless part before the first header
  std::vector<std::vector<uint32_t>> added_;
  std::vector<uint32_t> addedOwner_;  // section of each line pushed after parsing
  uint32_t parsedLines_ = 0;
  uint32_t parsedSections_ = 1;
  uint32_t unterminatedLast_ = kNone;  // the last line when the file does not end in a break
  HashIndex sectionIndex_;  // name -> first section of that name
  HashIndex keyIndex_;      // (section, name) -> first key line of that name
};

#pragma once
#include <functional>
#include <string>
#include <vector>

// The parsed contents of an INI file, with the lookup rules of GetPrivateProfileStringA
// and a writer that keeps everything it was not asked to change (other sections, unknown
// keys, comments, the file's encoding).
class TIniDocument {
 public:
  enum class Encoding { Ansi, Utf8, Utf16LE, Utf16BE };
  // Code-page conversions of the machine (system ANSI code page <-> UTF-16).
  struct CodePage {
    std::function<std::u16string(const std::string&)> AnsiToWide;
    std::function<std::string(const std::u16string&)> WideToAnsi;
  };

  TIniDocument() = default;
  explicit TIniDocument(CodePage codePage) : codePage_(std::move(codePage)) {}

  // Parses raw file bytes (a UTF-8 or UTF-16 byte-order mark selects that encoding).
  void Parse(const std::string& bytes);
  // The file bytes for the current contents, lines ending in CR LF, in the original encoding.
  std::string Serialize() const;

  // GetPrivateProfileStringA with a 2048-byte buffer: the value, or def when missing.
  std::string Get(const std::string& section, const std::string& key, const std::string& def) const;
  bool Has(const std::string& section, const std::string& key) const;
  std::vector<std::string> Keys(const std::string& section) const;
  bool HasSection(const std::string& section) const;

  void Set(const std::string& section, const std::string& key, const std::string& value);
  void EraseSection(const std::string& section);
  Encoding FileEncoding() const { return encoding_; }

  // One line of the file. Names and values are cut at a NUL character where the system
  // function sees them as C strings; the value is kept whole until it is handed out.
  struct Entry {
    std::string Raw;             // the line as read (file encoding), rewritten when Set changes it
    std::string Key;             // trimmed name, system ANSI code page
    std::u16string WideKey;      // trimmed name, as matched
    std::u16string WideValue;    // trimmed value, still quoted, as read
    bool IsKey = false;
    bool HasValue = false;  // the line had an "="
  };
  struct Section {
    std::string Name;  // system ANSI code page; "" for the part before the first header
    std::u16string WideName;
    std::string RawHeader;
    std::vector<Entry> Entries;
  };

 private:
  std::u16string ToWide(const std::string& ansi) const;
  std::string ToAnsi(const std::u16string& wide) const;
  std::u16string DecodeLine(const std::string& raw, bool lastInFile) const;
  std::string EncodeLine(const std::string& ansi) const;
  Entry MakeEntry(std::string raw, const std::u16string& text) const;
  // Index of the first section of that name, or npos.
  size_t FindSection(const std::u16string& name) const;
  const Entry* FindKey(const std::string& section, const std::string& key) const;

  CodePage codePage_;
  Encoding encoding_ = Encoding::Ansi;
  std::vector<Section> sections_ = std::vector<Section>(1);  // [0]: the nameless part before the first header
};

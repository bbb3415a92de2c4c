#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/IniDocument.h"

struct Platform;

// Raised when a save cannot replace the file; what() is "Unable to write to <path>", with
// the path in the 8-bit code page of the message it is shown in.
class EIniFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An INI file read the way the Windows profile functions read one, and written back
// whole and atomically. Reads see the file as loaded; writes change the loaded copy
// until UpdateFile replaces the file with it.
class TIniFile {
 public:
  TIniFile(Platform& platform, std::string fileName);

  const std::string& FileName() const { return fileName_; }
  // The file name as it appears in a message, in the code page of every text shown.
  std::string DisplayName() const;
  // (Re)reads the file. A missing or unreadable file gives an empty document; returns
  // false only when the file exists but could not be read, or is too large to be held.
  bool Load();

  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // The value however long, where ReadString cuts it at MaxStoredValueLength.
  std::string ReadWholeString(const std::string& section, const std::string& key) const;
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  // Key names of the first matching section, in file order, as many as fit the system's
  // listing buffer of SectionKeysBufferSize bytes.
  std::vector<std::string> ReadSectionKeys(const std::string& section) const;
  // Lines of a section that are not keys isOwnKey claims, byte for byte, and their way
  // back into a rewritten section.
  std::vector<std::string> ReadForeignLines(const std::string& section,
                                            const std::function<bool(const std::string&)>& isOwnKey) const;
  void WriteForeignLines(const std::string& section, const std::vector<std::string>& lines);
  bool SectionExists(const std::string& section) const;

  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int32_t value);
  void WriteBool(const std::string& section, const std::string& key, bool value);
  void EraseSection(const std::string& section);

  // Replaces the file with the current document; throws EIniFileError on failure,
  // leaving the file as it was.
  void UpdateFile();

  const TIniDocument& Document() const { return document_; }

 private:
  Platform& platform_;
  std::string fileName_;
  TIniDocument document_;
};

constexpr size_t SectionKeysBufferSize = 16383;

// Integer text as the configuration reads it: decimal, or hexadecimal after "0x"/"0X"
// when longer than two characters; false when it is not a number.
bool ParseIniInteger(const std::string& text, int32_t& value);

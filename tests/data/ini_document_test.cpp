#include "data/IniDocument.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

std::string ValueKey(size_t index) {
  std::string key(1, 'v');
  return key += std::to_string(index);
}

TIniDocument Parsed(const std::string& bytes) {
  TIniDocument document;
  document.Parse(bytes);
  return document;
}

// Every line break of the bytes is CR LF, and the last line has one.
bool AllLinesEndInCrLf(const std::string& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) return false;
    if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) return false;
  }
  return bytes.empty() || (bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0);
}

const std::string kHandEdited =
    "; my drives, edited in Notepad\r\n"
    "[Preferences]\r\n"
    "  language =  English  \r\n"
    "DelayVolumeMount=7\r\n"
    "MinimizeOnStartup\r\n"
    "MinimizeOnStartup=0\r\n"
    "; note to self\r\n"
    "\x01\x02\xff garbage without equals\r\n"
    "\r\n"
    "[NetworkDrive_H:]\r\n"
    "NetworkLocation=\\\\nas\\home\r\n"
    "networklocation=\\\\nas\\second\r\n"
    "Username=\"  alice  \"\r\n"
    "[NetworkDrive_Q:]\n"      // a line end from another editor
    "NetworkLocation=\\\\nas\\q\r"
    "Password=abc=\r\n"
    "[networkdrive_h:]\r\n"    // a second copy is never read
    "NetworkLocation=\\\\old\\copy\r\n"
    "Extra=only in the copy\r\n"
    "[Unknown Tool]\r\n"
    "setting=" + std::string(3000, 'v') + "\r\n"
    "[broken header\r\n"
    "after=still in Unknown Tool\r\n"
    "\x1a";

TEST(IniDocumentScenario, HandEditedFileReadsAsTheSystemReadsIt) {
  const TIniDocument ini = Parsed(kHandEdited);

  // names without regard to case, blanks trimmed, quotes removed
  EXPECT_EQ(ini.Get("PREFERENCES", "Language", "x"), "English");
  EXPECT_EQ(ini.Get(" preferences ", " LANGUAGE\t", "x"), "English");
  EXPECT_EQ(ini.Get("NetworkDrive_H:", "Username", ""), "  alice  ");
  EXPECT_EQ(ini.Get("NetworkDrive_Q:", "Password", ""), "abc=");
  // the first key of a name wins, even one without "=": then it is the default
  EXPECT_EQ(ini.Get("NetworkDrive_H:", "NetworkLocation", ""), "\\\\nas\\home");
  EXPECT_EQ(ini.Get("Preferences", "MinimizeOnStartup", "dflt"), "dflt");
  EXPECT_FALSE(ini.Has("Preferences", "MinimizeOnStartup"));
  EXPECT_TRUE(ini.Has("Preferences", "DelayVolumeMount"));
  // only the first of two sections of a name is searched
  EXPECT_EQ(ini.Get("NetworkDrive_H:", "Extra", "none"), "none");
  // comment lines are keys to a lookup, but are not listed
  EXPECT_EQ(ini.Get("Preferences", "; note to self", "none"), "none");
  EXPECT_EQ(ini.Get("", "; my drives, edited in Notepad", "none"), "none");
  EXPECT_EQ(ini.Keys("Preferences"), (std::vector<std::string>{"language", "DelayVolumeMount", "MinimizeOnStartup"}));
  EXPECT_EQ(ini.Keys("networkdrive_h:"), (std::vector<std::string>{"NetworkLocation", "networklocation", "Username"}));
  // values are cut at 2047 characters; a header without "]" is ignored
  EXPECT_EQ(ini.Get("Unknown Tool", "setting", ""), std::string(2047, 'v'));
  EXPECT_EQ(ini.Get("Unknown Tool", "after", ""), "still in Unknown Tool");
  EXPECT_FALSE(ini.HasSection("broken header"));
  EXPECT_TRUE(ini.HasSection("unknown tool"));
  EXPECT_FALSE(ini.HasSection("NetworkDrive_Z:"));
  EXPECT_EQ(ini.Get("NetworkDrive_Z:", "NetworkLocation", ""), "");
}

TEST(IniDocumentScenario, SavingKeepsWhatTheProgramDoesNotOwn) {
  TIniDocument ini = Parsed(kHandEdited);
  ini.Set("Preferences", "DELAYVOLUMEMOUNT", "9");
  ini.Set("Preferences", "MinimizeOnStartup", "1");  // the bare line gets the value
  ini.Set("Preferences", "LongReconnectInterval", "3");
  ini.EraseSection("NetworkDrive_H:");
  ini.Set("NetworkDrive_H:", "NetworkLocation", "\\\\nas\\new");
  ini.Set("NetworkLocationHistoryList", "0", "\\\\nas\\new");
  const std::string saved = ini.Serialize();

  EXPECT_TRUE(AllLinesEndInCrLf(saved));
  // comments, junk, unknown sections and the broken header stay byte for byte
  for (const std::string& kept :
       {"; my drives, edited in Notepad\r\n"s, "; note to self\r\n"s, "\x01\x02\xff garbage without equals\r\n"s,
        "  language =  English  \r\n"s, "[Unknown Tool]\r\nsetting="s + std::string(3000, 'v') + "\r\n",
        "[broken header\r\nafter=still in Unknown Tool\r\n"s, "[NetworkDrive_Q:]\r\nNetworkLocation=\\\\nas\\q\r\n"s})
    EXPECT_NE(saved.find(kept), std::string::npos) << kept;
  // both copies of the erased section are gone
  EXPECT_EQ(saved.find("\\\\nas\\home"), std::string::npos);
  EXPECT_EQ(saved.find("\\\\old\\copy"), std::string::npos);
  // a changed key keeps its place, a new one follows the section's last line
  EXPECT_NE(saved.find("DELAYVOLUMEMOUNT=9\r\nMinimizeOnStartup=1\r\nMinimizeOnStartup=0\r\n; note to self\r\n"
                       "\x01\x02\xff garbage without equals\r\nLongReconnectInterval=3\r\n\r\n[NetworkDrive_Q:]"),
            std::string::npos);

  const TIniDocument reread = Parsed(saved);
  EXPECT_EQ(reread.Get("Preferences", "DelayVolumeMount", ""), "9");
  EXPECT_EQ(reread.Get("Preferences", "MinimizeOnStartup", ""), "1");
  EXPECT_EQ(reread.Get("Preferences", "Language", ""), "English");
  EXPECT_EQ(reread.Get("NetworkDrive_H:", "NetworkLocation", ""), "\\\\nas\\new");
  EXPECT_EQ(reread.Keys("NetworkDrive_H:"), std::vector<std::string>{"NetworkLocation"});
  EXPECT_EQ(reread.Get("NetworkDrive_Q:", "Password", ""), "abc=");
  EXPECT_EQ(reread.Get("NetworkLocationHistoryList", "0", ""), "\\\\nas\\new");
  // saving what was read changes nothing further
  EXPECT_EQ(reread.Serialize(), saved);
}

TEST(IniDocumentScenario, ValuesThatNeedQuotingReadBackExactly) {
  const std::vector<std::string> values = {"  leading", "trailing\t", "\"quoted\"", "'single'", "\"",
                                           "\"half", "a=b", "", " ", "\x1a", "x\"", "\"\"", "'\"mixed\"'",
                                           "; not a comment", "[not a section]"};
  TIniDocument ini;
  for (size_t i = 0; i < values.size(); ++i) ini.Set("Values", ValueKey(i), values[i]);
  ini.Set("Values", "breaks", "one\r\ntwo\nthree");
  ini.Set("Values", "nul", "before\0after"s);
  const std::string saved = ini.Serialize();
  EXPECT_TRUE(AllLinesEndInCrLf(saved));
  EXPECT_EQ(saved.substr(0, 10), "[Values]\r\n");

  const TIniDocument reread = Parsed(saved);
  for (size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(reread.Get("Values", ValueKey(i), "<none>"), values[i]) << values[i];
  // a line break would split the value into a second line: it becomes a blank
  EXPECT_EQ(reread.Get("Values", "breaks", ""), "one  two three");
  EXPECT_EQ(reread.Get("Values", "nul", ""), "before");
  EXPECT_EQ(reread.Keys("Values").size(), values.size() + 2);
}

TEST(IniDocumentScenario, Utf8FileFromNotepadKeepsItsEncoding) {
  const std::string notepad =
      "\xEF\xBB\xBF[Preferences]\r\nLanguage=Fran\xC3\xA7" "ais\r\n"
      "[Caf\xC3\xA9]\r\nNa\xC3\xAFve=\xE2\x82\xAC 5 \xE4\xB8\xAD\r\n";
  TIniDocument ini = Parsed(notepad);
  EXPECT_EQ(ini.FileEncoding(), TIniDocument::Encoding::Utf8);
  // handed out in the ANSI code page; a character it lacks becomes '?'
  EXPECT_EQ(ini.Get("Preferences", "Language", ""), "Fran\xE7" "ais");
  EXPECT_EQ(ini.Get("Caf\xE9", "Na\xEFve", ""), "\x80 5 ?");
  EXPECT_TRUE(ini.HasSection("caf\xE9"));

  ini.Set("Preferences", "Language", "Espa\xF1ol");
  ini.Set("Preferences", "TrueCryptProgramLocation", "C:\\Programme\\Gr\xFC\xDF" "e\\TrueCrypt.exe");
  const std::string saved = ini.Serialize();
  EXPECT_EQ(saved,
            "\xEF\xBB\xBF[Preferences]\r\nLanguage=Espa\xC3\xB1ol\r\n"
            "TrueCryptProgramLocation=C:\\Programme\\Gr\xC3\xBC\xC3\x9F" "e\\TrueCrypt.exe\r\n"
            "[Caf\xC3\xA9]\r\nNa\xC3\xAFve=\xE2\x82\xAC 5 \xE4\xB8\xAD\r\n");
  EXPECT_EQ(Parsed(saved).Get("Preferences", "TrueCryptProgramLocation", ""),
            "C:\\Programme\\Gr\xFC\xDF" "e\\TrueCrypt.exe");
}

std::string Utf16(const std::u16string& text, bool littleEndian) {
  std::string bytes;
  for (char16_t c : text) {
    bytes += static_cast<char>(littleEndian ? c & 0xFF : c >> 8);
    bytes += static_cast<char>(littleEndian ? c >> 8 : c & 0xFF);
  }
  return bytes;
}

TEST(IniDocumentScenario, Utf16FilesStayUtf16) {
  for (const bool little : {true, false}) {
    SCOPED_TRACE(little ? "LE" : "BE");
    const std::string mark = little ? "\xFF\xFE" : "\xFE\xFF";
    const std::string file = mark + Utf16(u"[Sec]\r\nname=\u00e9t\u00e9 \u4e2d\r\n; keep\r\n", little);
    TIniDocument ini = Parsed(file);
    EXPECT_EQ(ini.FileEncoding(), little ? TIniDocument::Encoding::Utf16LE : TIniDocument::Encoding::Utf16BE);
    EXPECT_EQ(ini.Get("sec", "NAME", ""), "\xE9t\xE9 ?");
    ini.Set("Sec", "added", "\xE0");
    ini.Set("New", "k", "v");
    EXPECT_EQ(ini.Serialize(),
              mark + Utf16(u"[Sec]\r\nname=\u00e9t\u00e9 \u4e2d\r\n; keep\r\nadded=\u00e0\r\n\r\n[New]\r\nk=v\r\n", little));
  }
}

TEST(IniDocumentScenario, DamagedFilesNeverBreakTheReader) {
  // Binary junk, odd line ends, NUL bytes, a lone UTF-16 mark, empty files.
  std::string junk;
  uint32_t state = 1;
  for (int i = 0; i < 20000; ++i) {
    state = state * 1103515245u + 12345u;
    junk += static_cast<char>(state >> 16);
    if (i % 97 == 0) junk += "\r\n[S]\r\nk=v\n=\r[";
  }
  for (const std::string& bytes : {junk, "\xFF\xFE"s + junk, "\xEF\xBB\xBF"s + junk, "\xFE\xFF"s + junk.substr(1),
                                   ""s, "\xFF\xFE"s, "\xFF\xFE\x41"s, "\r\r\n\n"s, "\0\0\0"s, "[\0]\0=\0"s}) {
    TIniDocument ini = Parsed(bytes);
    (void)ini.Get("S", "k", "");
    (void)ini.Keys("S");
    ini.Set("NetworkDrive_H:", "NetworkLocation", "\\\\nas\\home");
    const TIniDocument reread = Parsed(ini.Serialize());
    EXPECT_EQ(reread.Get("NetworkDrive_H:", "NetworkLocation", ""), "\\\\nas\\home");
  }
  EXPECT_EQ(Parsed("").Serialize(), "");
  EXPECT_EQ(Parsed("[A]\r\nk=1\r\n").Get("A", "k", ""), "1");
}

TEST(IniDocumentScenario, LineLayoutOfNewSectionsAndKeys) {
  TIniDocument ini;
  ini.Set("Preferences", "Language", "English");
  ini.Set("NetworkDrive_H:", "Drive", "H:");
  ini.Set("Preferences", "DelayVolumeMount", "5");
  ini.Set("NetworkDrive_H:", "NetworkLocation", "\\\\nas\\home");
  EXPECT_EQ(ini.Serialize(),
            "[Preferences]\r\nLanguage=English\r\nDelayVolumeMount=5\r\n\r\n"
            "[NetworkDrive_H:]\r\nDrive=H:\r\nNetworkLocation=\\\\nas\\home\r\n");
  // erasing and writing a section again, as every save does, does not pile up blank lines
  for (int save = 0; save < 3; ++save) {
    ini.EraseSection("Preferences");
    ini.Set("Preferences", "Language", "English");
  }
  EXPECT_EQ(ini.Serialize(),
            "[NetworkDrive_H:]\r\nDrive=H:\r\nNetworkLocation=\\\\nas\\home\r\n\r\n"
            "[Preferences]\r\nLanguage=English\r\n");
}

TEST(IniDocumentScenario, QuotedValuesAtTheBufferLimit) {
  // The system's buffer holds 2047 characters; a quoted value whose closing quote is the
  // 2048th character loses its last character there, and so it does here.
  const std::string a2046(2046, 'a');
  const TIniDocument ini = Parsed("[L]\r\nfits=\"" + a2046 + "\"\r\nedge=\"" + a2046 + "b\"\r\nlong=\"" + a2046 +
                                  "bc\"\r\n");
  EXPECT_EQ(ini.Get("L", "fits", ""), a2046);
  EXPECT_EQ(ini.Get("L", "edge", ""), a2046);
  EXPECT_EQ(ini.Get("L", "long", ""), a2046 + "b");
}

TEST(IniDocumentScenario, HugeDamagedFilesKeepEveryLineAndTheirLookups) {
  // Runs of blank lines (spaces and odd line ends too), thousands of duplicate keys and
  // sections: everything comes back line for line, CR LF ended, and lookups still find
  // the first of a name.
  std::string file = "top=1\r\n";
  for (int i = 0; i < 50000; ++i) file += (i % 3 == 0) ? " \t\n" : "\r";
  file += "[S]\n";
  for (int i = 0; i < 50000; ++i) file += "key=" + std::to_string(i) + "\n";
  for (int i = 0; i < 50000; ++i) file += "[s]\nkey=copy\n" + std::string(i % 2 ? "\n" : "") ;
  file += "[Last]\nfinal=yes";
  TIniDocument ini = Parsed(file);
  EXPECT_EQ(ini.Get("", "top", ""), "1");
  EXPECT_EQ(ini.Get("S", "KEY", ""), "0");
  EXPECT_EQ(ini.Keys("s").size(), 50000u);
  // As many as fit the system's buffer: "key" and its NUL 4095 times, then the cut "k".
  EXPECT_EQ(ini.Keys("s", 16383).size(), 4096u);
  EXPECT_EQ(ini.Keys("s", 16383).back(), "k");
  EXPECT_EQ(ini.Get("last", "final", ""), "yes");

  std::string expected;
  size_t start = 0;
  for (size_t at = 0; at <= file.size(); ++at) {
    if (at < file.size() && file[at] != '\r' && file[at] != '\n') continue;
    expected += file.substr(start, at - start) + "\r\n";
    if (at + 1 < file.size() && file[at] == '\r' && file[at + 1] == '\n') ++at;
    start = at + 1;
  }
  EXPECT_EQ(ini.Serialize(), expected);

  ini.EraseSection("S");
  ini.Set("S", "key", "new");
  ini.Set("last", "added", "1");
  const TIniDocument reread = Parsed(ini.Serialize());
  EXPECT_EQ(reread.Get("S", "key", ""), "new");
  EXPECT_EQ(reread.Keys("S"), std::vector<std::string>{"key"});
  EXPECT_EQ(reread.Keys("Last"), (std::vector<std::string>{"final", "added"}));
  EXPECT_EQ(reread.Serialize().find("copy"), std::string::npos);
}

TEST(IniDocumentScenario, ThePartBeforeTheFirstHeaderCanBeEmptiedAndWrittenAgain) {
  TIniDocument ini = Parsed("a=1\r\nb=2\r\n\r\n[S]\r\nk=v\r\n[]\r\nc=3\r\n");
  EXPECT_EQ(ini.Get("", "b", ""), "2");
  ini.EraseSection("");
  EXPECT_EQ(ini.Get("", "b", "gone"), "gone");
  EXPECT_FALSE(ini.Has("", "a"));
  ini.Set("", "a", "again");
  EXPECT_EQ(ini.Get("", "a", ""), "again");
  EXPECT_EQ(ini.Serialize(), "a=again\r\n[S]\r\nk=v\r\n");
}

TEST(IniDocumentScenario, ForeignLinesGoBackAfterTheProgramsKeys) {
  TIniDocument ini = Parsed(
      "[D]\r\nOwn=1\r\n; note\r\nother = x \r\n=oops\r\nbare\r\nown=2\r\n\r\n\r\n[Next]\r\nn=1\r\n");
  auto own = [](const std::string& key) { return key == "Own" || key == "own"; };
  const std::vector<std::string> foreign = ini.ForeignLines("d", own);
  EXPECT_EQ(foreign, (std::vector<std::string>{"; note", "other = x ", "=oops", "bare"}));
  ini.EraseSection("D");
  ini.Set("D", "Own", "3");
  ini.AppendLines("D", foreign);
  EXPECT_EQ(ini.Serialize(),
            "[Next]\r\nn=1\r\n\r\n[D]\r\nOwn=3\r\n; note\r\nother = x \r\n=oops\r\nbare\r\n");
  EXPECT_EQ(ini.Get("D", "other", ""), "x");
  EXPECT_TRUE(ini.ForeignLines("Missing", own).empty());
}

}  // namespace

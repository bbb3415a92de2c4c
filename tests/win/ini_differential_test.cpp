// Our INI engine against the system's own profile functions: every tricky file is read
// by both and must give the same answers.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "data/IniDocument.h"
#include "platform/win32/Win32Environment.h"

namespace {

using namespace std::string_literals;

struct IniCase {
  std::string Name;
  std::string Bytes;
  std::vector<std::pair<std::string, std::string>> Lookups;  // asked besides the listed keys
  std::vector<std::string> Sections;                          // asked besides the listed sections
};

std::string Utf16Bytes(const std::u16string& text, bool littleEndian) {
  std::string bytes;
  for (char16_t c : text) {
    const char low = static_cast<char>(c & 0xFF);
    const char high = static_cast<char>(c >> 8);
    bytes += littleEndian ? low : high;
    bytes += littleEndian ? high : low;
  }
  return bytes;
}

std::string AsciiUpper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return text;
}

std::string AsciiLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return text;
}

// Bytes that look like a damaged file: printable text, control bytes, high bytes and
// the characters that structure an INI file, in a fixed pseudo-random order.
std::string Junk(size_t size, uint32_t seed) {
  static const char kStructure[] = "[]=;\r\n \t\"'";
  std::string bytes;
  uint32_t state = seed;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    const uint32_t r = state >> 16;
    if (r % 5 == 0)
      bytes += kStructure[r % (sizeof kStructure - 1)];
    else
      bytes += static_cast<char>(r & 0xFF);
  }
  return bytes;
}

std::vector<IniCase> Corpus() {
  const std::string a2046(2046, 'a');
  std::vector<IniCase> corpus;

  corpus.push_back({"Blanks",
                    "  [ Spaced Section ]  \r\n"
                    "  key one  =  value one  \r\n"
                    "\tTabbed\t=\tv\t\r\n"
                    "\x0bVt\x0c=\x0c"
                    "4\x0b\r\n"
                    "inner = a  b \r\n"
                    "   \r\n\t\r\n"
                    "[\tTabSec\t]\r\nt=1\r\n"
                    "[\x1a"
                    "CtrlZ\x1a]\r\nz=1\r\n",
                    {{"Spaced Section", "key one"}, {" Spaced Section ", " key one "}, {"Spaced Section", "keyone"},
                     {"\tTabSec", "t"}, {"CtrlZ", "z"}},
                    {" Spaced Section ", "Spaced  Section", "TabSec"}});

  corpus.push_back({"Quotes",
                    "[Q]\r\n"
                    "double=\"x\"\r\n"
                    "single='y'\r\n"
                    "unbalanced=\"unb\r\n"
                    "empty=\"\"\r\n"
                    "lone=\"\r\n"
                    "spaced= \" sp \" \r\n"
                    "inner=\"a\"b\"\r\n"
                    "mixed=\"x'\r\n"
                    "triple= \"\"\" \r\n"
                    "nested='\"n\"'\r\n"
                    "trail=x\"\r\n"
                    "bare=\r\n"
                    "quoteFirstOnly=\"abc\" def\r\n",
                    {},
                    {}});

  corpus.push_back({"Duplicates",
                    "[A]\r\nx=1\r\nx=2\r\nX=3\r\n[B]\r\ny=1\r\n[a]\r\nx=4\r\nz=9\r\n[B]\r\ny=2\r\nw=5\r\n",
                    {{"A", "z"}, {"a", "X"}, {"B", "w"}},
                    {"b"}});

  corpus.push_back({"MixedCase",
                    "[MiXeD]\r\nKeY=1\r\nkey=2\r\n[mixed]\r\nother=3\r\n"
                    "[\xc0"
                    "ccent]\r\n\xc9t\xe9=2\r\n[\x8a]\r\nk=3\r\n",
                    {{"mixed", "KEY"}, {"MIXED", "other"}, {"\xe0" "ccent", "\xc9t\xe9"}, {"\xc0" "CCENT", "\xe9t\xe9"},
                     {"\xc0" "ccent", "\xc9T\xc9"}, {"\x9a", "k"}, {"\x8a", "K"}},
                    {"\xe0" "ccent", "\x9a"}});

  corpus.push_back({"CommentsAndBareLines",
                    "; top comment\r\n"
                    "[A]\r\n;c=1\r\n# hash=2\r\nfoo\r\nfoo=bar\r\nplain\r\n;[NotASection]\r\n"
                    "rem x=3\r\n[B]\r\n;only=comment\r\n[C]\r\nbare\r\n",
                    {{"A", ";c"}, {"A", "# hash"}, {"A", "foo"}, {"A", "plain"}, {"A", ";[NotASection]"},
                     {"B", ";only"}, {"", "; top comment"}, {"C", "bare"}},
                    {"NotASection", "C"}});

  corpus.push_back({"Headers",
                    "[A]\r\n[X=5\r\n[B\r\nk=1\r\n[C] junk\r\nj=2\r\n[D]x]y\r\nq=3\r\n[]\r\nz=5\r\n[B=5\r\n"
                    "[E]]\r\ne=1\r\n  [F]\r\nf=1\r\n[G]=x\r\ng=1\r\n[\r\n]\r\nafter=1\r\n[H]\r\n",
                    {{"A", "[B"}, {"A", "[X"}, {"A", "k"}, {"A", "z"}, {"", "z"}, {"D]x", "q"}, {"D", "q"},
                     {"E]", "e"}, {"G", "g"}, {"G", "=x"}, {"F", "]"}, {"F", "after"}},
                    {"B", "D", "E", "G", "H", "[B", "]"}});

  corpus.push_back({"BeforeSectionAndEmptyNames",
                    "pre=1\r\n=top\r\n[A]\r\nk=a=b\r\n=v1\r\n=v2\r\nx=1\r\n=v3\r\n"
                    "[B]\r\n =w\r\nb=1\r\n[C]\r\nc=\r\n==\r\n  =  spaced\r\n",
                    {{"", "pre"}, {"", ""}, {" ", "pre"}, {"A", ""}, {"B", ""}, {"B", " "}, {"C", ""}},
                    {" "}});

  {
    IniCase longValues{"LongValues", "[L]\r\n", {}, {}};
    longValues.Bytes += "v2049=" + a2046 + "bcd\r\n";
    longValues.Bytes += "v2047=" + a2046 + "b\r\n";
    longValues.Bytes += "v2048=" + a2046 + "bc\r\n";
    longValues.Bytes += "q2045=\"" + a2046.substr(1) + "\"\r\n";
    longValues.Bytes += "q2046=\"" + a2046 + "\"\r\n";
    longValues.Bytes += "q2047=\"" + a2046 + "b\"\r\n";
    longValues.Bytes += "q2048=\"" + a2046 + "bc\"\r\n";
    longValues.Bytes += "v5000=" + std::string(5000, 'x') + "\r\n";
    longValues.Bytes += std::string(3000, 'K') + "=long key\r\n";
    longValues.Bytes += std::string(10000, 'j') + "\r\n";
    longValues.Bytes += "[" + std::string(3000, 'S') + "]\r\nin=long section\r\n";
    longValues.Lookups = {{"L", std::string(3000, 'k')}, {std::string(3000, 's'), "in"}};
    corpus.push_back(longValues);
  }

  corpus.push_back({"LineEnds",
                    "[A]\rk1=1\rk2=2\n\n\nk3=3\r\r\n\x1ak4\x1a=\x1a"
                    "4\x1a\r\n[B]\nb=1\n\r[C]\r\n\x1a\r\nlast=no line end",
                    {{"C", "last"}},
                    {}});

  corpus.push_back({"StrayBytes",
                    "[A]\r\nk1=ab  \0cd\r\nk2\0x=5\r\n\0z=6\r\nk3=\"q\0\"\r\n[S\0ec]\r\ns=1\r\n"s +
                        "[N]\r\nk1=\xa0v\xa0\r\n\xa0k2=2\r\nk3=\x85v\x85\r\nk\x81=\x8d\x8f\x90\x9d\r\n"
                        "\x7f\x01\x02=ctrl\r\n",
                    {{"A", "k1"}, {"A", "k2"}, {"A", ""}, {"A", "k3"}, {"S", "s"}, {"N", "k2"}, {"N", "\xa0k2"},
                     {"N", "k\x81"}, {"N", "\x7f\x01\x02"}},
                    {"S", "S\x01"}});

  corpus.push_back({"BinaryJunk",
                    "[Start]\r\nfirst=1\r\n" + Junk(3000, 7) + "\r\n[Junk]\r\nreal=1\r\n" + Junk(3000, 11) +
                        "\r\n[After]\r\nx=1\r\n",
                    {{"Start", "first"}, {"Junk", "real"}, {"After", "x"}},
                    {"Start", "Junk", "After"}});

  corpus.push_back({"Utf8Bom",
                    "\xef\xbb\xbf[S\xc3\xa9]\r\n"
                    "k\xc3\xa9=\xc3\xa9\xe2\x82\xac\xc5\x82\xc4\x80\xe4\xb8\xad\xf0\x9f\x98\x80!\r\n"
                    "inv=\x80|\xc3|\xe2\x82|\xc0\xaf|\xed\xa0\x80|\xf4\x90\x80\x80|\xff|\xf0\x9f\x98|\xe0\x80\x80|\r\n"
                    "cut=\xf0\x9f\xff\r\n"
                    "sp=\xc2\x85v\xe3\x80\x80\r\n"
                    "[Caf\xc3\xa9]\r\nNa\xc3\xafve=\xc2\xa0quoted?\r\nq=\" \xc3\xa9 \"\r\n"
                    "last=\xf0\x9f\xff",
                    {{"S\xe9", "k\xe9"}, {"Caf\xe9", "Na\xefve"}, {"Caf\xc3\xa9", "x"}},
                    {"S\xe9", "Caf\xe9", "Caf\xc3\xa9"}});

  corpus.push_back({"Utf8BomCutAtEnd", "\xef\xbb\xbf[A]\r\nj=a\xf0\x9f", {}, {}});
  corpus.push_back({"Utf8BomCutAtEnd2", "\xef\xbb\xbf[A]\r\nj=\xe2\x82\xff", {}, {}});

  corpus.push_back({"Utf8WithoutBom",
                    "[A]\r\nk=\xc3\xa9\r\n[Caf\xc3\xa9]\r\nx=1\r\n",
                    {{"Caf\xc3\xa9", "x"}, {"Caf\xe9", "x"}},
                    {"Caf\xe9"}});

  const std::u16string unicodeText =
      u"[S\u00e9]\r\nk\u00e9=\u00e9\u20ac\u0142\u0100\u4e2d\U0001F600!\r\n[B]\r\nx = \" q \" \r\n;c=1\r\n"
      u"lone=a\xD800z\r\nbare\r\n[\u00c9t\u00e9]\r\nv=\u0160\u0161\r\n";
  corpus.push_back({"Utf16LE",
                    "\xff\xfe" + Utf16Bytes(unicodeText, true),
                    {{"S\xe9", "k\xe9"}, {"\xc9t\xe9", "v"}},
                    {"S\xe9", "\xc9t\xe9"}});
  corpus.push_back({"Utf16BE", "\xfe\xff" + Utf16Bytes(unicodeText, false), {{"S\xe9", "k\xe9"}}, {"S\xe9"}});
  corpus.push_back({"Utf16OddLength", "\xff\xfe" + Utf16Bytes(unicodeText, true) + "x", {}, {}});
  corpus.push_back({"Utf16WithoutBom", Utf16Bytes(unicodeText, true), {{"B", "x"}}, {"B"}});

  corpus.push_back({"Empty", "", {{"A", "k"}}, {"A"}});
  corpus.push_back({"BomOnly", "\xef\xbb\xbf", {{"A", "k"}}, {"A"}});
  corpus.push_back({"Utf16BomOnly", "\xff\xfe", {{"A", "k"}}, {"A"}});
  corpus.push_back({"NoSections", "just=keys\r\nno sections here\r\n", {{"", "just"}}, {}});

  corpus.push_back({"Configuration",
                    "[Preferences]\r\nFirstTimeUsage=0\r\nMinimizeOnStartup=1\r\nLanguage=English\r\n"
                    "DelayVolumeMount=0x10\r\n\r\n"
                    "[NetworkDrive_H:]\r\nDrive=H:\r\nNetworkLocation=\\\\nas\\home\r\nDriveState=1\r\n"
                    "Username=alice\r\nPassword=Qk1YWQ==\r\nRunProgramProgram_0=C:\\Tools\\sync.exe\r\n"
                    "RunProgramParameters_0=\"--quiet \"\r\n\r\n"
                    "[NetworkLocationHistoryList]\r\n0=\\\\nas\\home\r\n1=\\\\nas\\media\r\n",
                    {{"networkdrive_h:", "networklocation"}, {"NetworkDrive_X:", "NetworkLocation"}},
                    {"Preferences", "NetworkDrive_X:"}});
  return corpus;
}

std::string SystemGet(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& def) {
  std::vector<char> buffer(2048);
  const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer.data(),
                                                static_cast<DWORD>(buffer.size()), path.c_str());
  return std::string(buffer.data(), length);
}

// The key names as a caller reads the list: up to the first empty name.
std::vector<std::string> SystemKeys(const std::string& path, const std::string& section) {
  std::vector<char> buffer(1 << 16);
  const DWORD length = GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(),
                                                static_cast<DWORD>(buffer.size()), path.c_str());
  std::vector<std::string> keys;
  for (size_t at = 0; at < length && buffer[at] != '\0'; at += keys.back().size() + 1)
    keys.emplace_back(buffer.data() + at);
  return keys;
}

std::vector<std::string> SystemSections(const std::string& path) {
  std::vector<char> buffer(1 << 16);
  const DWORD length = GetPrivateProfileSectionNamesA(buffer.data(), static_cast<DWORD>(buffer.size()), path.c_str());
  std::vector<std::string> sections;
  for (size_t at = 0; at < length && buffer[at] != '\0'; at += sections.back().size() + 1)
    sections.emplace_back(buffer.data() + at);
  return sections;
}

bool AsciiSameText(const std::string& a, const std::string& b) { return AsciiLower(a) == AsciiLower(b); }

class IniDifferential : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "QuillbayIni-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
  }
  void TearDown() override {
    for (const std::string& path : written_) DeleteFileA(path.c_str());
    RemoveDirectoryA(folder_.c_str());
  }

  // Every file gets a new name: the system caches what it has read, by name.
  std::string SaveFile(const std::string& name, const std::string& bytes) {
    const std::string path = folder_ + name + "-" + std::to_string(written_.size()) + ".ini";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD done = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(file);
    written_.push_back(path);
    return path;
  }

  TIniDocument Document(const std::string& bytes) {
    TIniDocument document(TIniDocument::CodePage{
        [this](const std::string& text) { return environment_.AnsiToWide(text); },
        [this](const std::u16string& text) { return environment_.WideToAnsi(text); }});
    document.Parse(bytes);
    return document;
  }

  Win32Environment environment_;
  std::string folder_;
  std::vector<std::string> written_;
};

// Every section the system sees, and those the case names, in three spellings.
std::vector<std::string> SectionsToAsk(const IniCase& test, const std::vector<std::string>& systemSections) {
  std::vector<std::string> sections = systemSections;
  sections.insert(sections.end(), test.Sections.begin(), test.Sections.end());
  sections.push_back("");
  sections.push_back("NoSuchSection");
  std::vector<std::string> asked;
  for (const std::string& section : sections) {
    asked.push_back(section);
    if (AsciiUpper(section) != section) asked.push_back(AsciiUpper(section));
    if (AsciiLower(section) != section) asked.push_back(AsciiLower(section));
  }
  return asked;
}

TEST_F(IniDifferential, ReadsTrickyFilesAsTheSystemDoes) {
  for (const IniCase& test : Corpus()) {
    SCOPED_TRACE(test.Name);
    const std::string path = SaveFile(test.Name, test.Bytes);
    const TIniDocument document = Document(test.Bytes);
    const std::vector<std::string> systemSections = SystemSections(path);
    int compared = 0;

    for (const std::string& section : SectionsToAsk(test, systemSections)) {
      SCOPED_TRACE("section [" + section + "]");
      const std::vector<std::string> systemKeys = SystemKeys(path, section);
      EXPECT_EQ(document.Keys(section), systemKeys);
      EXPECT_EQ(document.Keys(" " + section + "\t"), SystemKeys(path, " " + section + "\t"));

      std::vector<std::string> keys = systemKeys;
      for (const auto& [lookupSection, key] : test.Lookups)
        if (lookupSection == section) keys.push_back(key);
      keys.push_back("NoSuchKey");
      for (const std::string& key : keys) {
        for (const std::string& asked : {key, AsciiUpper(key), AsciiLower(key), " " + key + " \t"}) {
          SCOPED_TRACE("key '" + asked + "'");
          EXPECT_EQ(document.Get(section, asked, "DEF"), SystemGet(path, section, asked, "DEF"));
          EXPECT_EQ(document.Get(" " + section + " ", asked, "DEF"),
                    SystemGet(path, " " + section + " ", asked, "DEF"));
          compared += 2;
        }
      }
    }
    for (const auto& [section, key] : test.Lookups) {
      SCOPED_TRACE("lookup [" + section + "] '" + key + "'");
      EXPECT_EQ(document.Get(section, key, "DEF"), SystemGet(path, section, key, "DEF"));
    }
    for (const std::string def : {"  x  ", "\"q\"", "'a b' ", " ", "", "x\t", "\"\""}) {
      SCOPED_TRACE("default '" + def + "'");
      EXPECT_EQ(document.Get("NoSuchSection", "k", def), SystemGet(path, "NoSuchSection", "k", def));
    }

    for (const std::string& name : systemSections) {
      EXPECT_TRUE(document.HasSection(name)) << name;
      EXPECT_TRUE(document.HasSection(AsciiUpper(name))) << name;
    }
    for (const std::string& section : test.Sections) {
      bool listed = false;
      for (const std::string& name : systemSections) listed = listed || AsciiSameText(name, section);
      if (section.find_first_of(" \t") == std::string::npos) {
        EXPECT_EQ(document.HasSection(section), listed) << section;
      }
    }
    EXPECT_FALSE(document.HasSection("NoSuchSection"));
    EXPECT_GT(compared, 0);
  }
}

// The system's answers for every key of every listed section.
std::vector<std::string> SystemView(const std::string& path, const std::vector<std::string>& skip) {
  std::vector<std::string> view;
  for (const std::string& section : SystemSections(path)) {
    bool skipped = false;
    for (const std::string& name : skip) skipped = skipped || AsciiSameText(name, section);
    if (skipped) continue;
    for (const std::string& key : SystemKeys(path, section))
      view.push_back("[" + section + "] " + key + "=" + SystemGet(path, section, key, "<none>"));
  }
  return view;
}

bool EveryLineEndsInCrLf(const std::string& bytes, size_t unit) {
  const std::string cr = unit == 1 ? "\r" : std::string("\r\0", 2);
  const std::string lf = unit == 1 ? "\n" : std::string("\n\0", 2);
  for (size_t at = unit; at + unit <= bytes.size(); at += unit) {
    const std::string c = bytes.substr(at, unit);
    const bool afterCr = bytes.compare(at - unit, unit, cr) == 0;
    const bool beforeLf = at + 2 * unit <= bytes.size() && bytes.compare(at + unit, unit, lf) == 0;
    if (c == lf && !afterCr) return false;
    if (c == cr && !beforeLf) return false;
  }
  return bytes.size() >= 2 * unit && bytes.compare(bytes.size() - 2 * unit, 2 * unit, cr + lf) == 0;
}

TEST_F(IniDifferential, FilesWeWriteReadBackThroughTheSystem) {
  const std::string handEdited =
      "; Quillbay configuration, edited by hand\r\n"
      "[Preferences]\r\nLanguage=English\r\n; keep this comment\r\nunknownKey=kept\r\n\r\n"
      "[NetworkDrive_H:]\r\nNetworkLocation=\\\\nas\\home\r\nstale=1\r\n\r\n"
      "[networkdrive_h:]\r\nNetworkLocation=\\\\old\\duplicate\r\n\r\n"
      "[Foreign]\r\nsomething=else\r\nbare line\r\n";
  const std::vector<std::pair<std::string, std::string>> values = {
      {"leading", "  lead"},       {"trailing", "trail\t"},  {"double", "\"quoted\""},
      {"single", "'quoted'"},      {"lineBreaks", "one\r\ntwo\nthree\r"}, {"equals", "a=b"},
      {"empty", ""},               {"quote", "\""},          {"ctrlZ", "\x1a"},
      {"accent", "caf\xe9 \x80"},  {"semicolon", ";not a comment"}, {"path", "\\\\nas\\share"}};
  const std::u16string wide = environment_.AnsiToWide(handEdited);
  struct Variant {
    std::string Name;
    std::string Bytes;
    size_t Unit;
    std::string Mark;  // the byte-order mark the file starts with
  };
  const std::vector<Variant> variants = {
      {"Ansi", handEdited, 1, ""},
      {"Utf8", "\xef\xbb\xbf" + handEdited, 1, "\xef\xbb\xbf"},  // ASCII text: the same bytes
      {"Utf16", "\xff\xfe" + Utf16Bytes(wide, true), 2, "\xff\xfe"}};

  for (const Variant& variant : variants) {
    SCOPED_TRACE(variant.Name);
    const std::string before = SaveFile("Before" + variant.Name, variant.Bytes);
    TIniDocument document = Document(variant.Bytes);
    document.EraseSection("NetworkDrive_H:");
    document.Set("NetworkDrive_H:", "NetworkLocation", "\\\\nas\\new");
    document.Set("preferences", "LANGUAGE", "Deutsch");
    for (const auto& [key, value] : values) document.Set("Values", key, value);
    const std::string bytes = document.Serialize();
    const std::string after = SaveFile("After" + variant.Name, bytes);

    EXPECT_EQ(bytes.substr(0, variant.Mark.size()), variant.Mark);
    EXPECT_TRUE(EveryLineEndsInCrLf(bytes.substr(variant.Mark.size()), variant.Unit));
    const TIniDocument reread = Document(bytes);
    for (const auto& [key, value] : values) {
      std::string expected = value;
      for (char& c : expected)
        if (c == '\r' || c == '\n') c = ' ';
      EXPECT_EQ(SystemGet(after, "Values", key, "<none>"), expected) << key;
      EXPECT_EQ(reread.Get("Values", key, "<none>"), expected) << key;
    }
    EXPECT_EQ(SystemGet(after, "Preferences", "Language", ""), "Deutsch");
    EXPECT_EQ(SystemGet(after, "Preferences", "unknownKey", ""), "kept");
    EXPECT_EQ(SystemGet(after, "NetworkDrive_H:", "NetworkLocation", ""), "\\\\nas\\new");
    EXPECT_EQ(SystemGet(after, "NetworkDrive_H:", "stale", "<none>"), "<none>");
    int driveSections = 0;
    for (const std::string& name : SystemSections(after)) driveSections += AsciiSameText(name, "NetworkDrive_H:");
    EXPECT_EQ(driveSections, 1);
    // What the program did not touch reads as before.
    EXPECT_EQ(SystemView(after, {"Preferences", "NetworkDrive_H:", "Values"}),
              SystemView(before, {"Preferences", "NetworkDrive_H:", "Values"}));
    EXPECT_EQ(SystemGet(after, "", "; Quillbay configuration, edited by hand", "<none>"),
              SystemGet(before, "", "; Quillbay configuration, edited by hand", "<none>"));
    EXPECT_EQ(reread.Get("Preferences", "; keep this comment", "<none>"),
              SystemGet(after, "Preferences", "; keep this comment", "<none>"));
  }
}

}  // namespace

// The translated texts: how a language section is loaded and looked up, and that the
// shipped Languages.ini gives every language every text the program asks for, in the
// shape the program joins it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "data/IniFile.h"
#include "data/Languages.h"
#include "platform/sim/SimMachine.h"
#include "support/TestApp.h"

namespace {

const std::string kLanguagesPath = R"(C:\Program Files\Quillbay\Languages.ini)";

std::string ErrorText(int id) { return "<Translation error for ID " + std::to_string(id) + ">"; }

TEST(LanguageLookup, WithoutLanguageFileOnlyExitHasAText) {
  SimMachine pc;
  TLanguage language;
  language.Open(pc.platform(), "English");

  EXPECT_TRUE(language.ResourceList.empty());
  EXPECT_EQ(language.LanguageFile, nullptr);
  EXPECT_EQ(language.Translate(10102), "Exit");
  EXPECT_EQ(language.Translate(10001), ErrorText(10001));
  EXPECT_EQ(language.Translate(10812), ErrorText(10812));
  EXPECT_EQ(language.Translate(-7), ErrorText(-7));

  // An unknown section behaves like no file.
  pc.WriteFile(kLanguagesPath, "[English]\r\n10001=&Cancel\r\n10102=Quit\r\n");
  TLanguage klingon;
  klingon.Open(pc.platform(), "Klingon");
  ASSERT_NE(klingon.LanguageFile, nullptr);
  EXPECT_TRUE(klingon.ResourceList.empty());
  EXPECT_EQ(klingon.Translate(10102), "Exit");
  EXPECT_EQ(klingon.Translate(10001), ErrorText(10001));
}

TEST(LanguageLookup, SectionLinesKeepFileOrderAndValuesAsWritten) {
  SimMachine pc;
  pc.WriteFile(kLanguagesPath,
               "; texts\r\n"
               "[Other]\r\n10003=wrong section\r\n"
               "[Test]\r\n"
               "10003=a=b = c\r\n"
               "10001=Hello\r\n"
               "10002=\r\n"
               "10004=\"Connected: \"\r\n"
               "  10005  =   trimmed   \r\n"
               "10102=\r\n"
               "010006=leading zero\r\n");
  TLanguage language;
  language.Open(pc.platform(), "test");  // section names ignore case

  const std::vector<std::string> expected = {"10003=a=b = c", "10001=Hello",  "10002=",
                                             "10004=Connected: ", "10005=trimmed", "10102=",
                                             "010006=leading zero"};
  EXPECT_EQ(language.ResourceList, expected);
  EXPECT_EQ(language.Translate(10003), "a=b = c");
  EXPECT_EQ(language.Translate(10001), "Hello");
  EXPECT_EQ(language.Translate(10002), ErrorText(10002)) << "an empty value counts as missing";
  EXPECT_EQ(language.Translate(10004), "Connected: ");
  EXPECT_EQ(language.Translate(10005), "trimmed");
  EXPECT_EQ(language.Translate(10102), "Exit");
  EXPECT_EQ(language.Translate(10006), ErrorText(10006)) << "\"010006\" is not the text of 10006";

  // Long values are cut at the read limit.
  pc.WriteFile(kLanguagesPath, "[English]\r\n10405=" + std::string(3000, 'x') + "\r\n");
  language.Open(pc.platform(), "English");
  EXPECT_EQ(language.Translate(10405), std::string(2047, 'x'));
}

TEST(LanguageLookup, UnreadableFileLeavesTheFallbacks) {
  SimMachine pc;
  pc.WriteFile(kLanguagesPath, "[English]\r\n10001=&Cancel\r\n");
  pc.FailReads(kLanguagesPath, true);
  TLanguage language;
  EXPECT_NO_THROW(language.Open(pc.platform(), "English"));
  EXPECT_TRUE(language.ResourceList.empty());
  EXPECT_EQ(language.Translate(10001), ErrorText(10001));
  EXPECT_EQ(language.Translate(10102), "Exit");
}

TEST(LanguageLookup, AHugeSectionLoadsWhatTheSystemsKeyListHolds) {
  // A damaged or hostile file with 100,000 texts: the key names are listed into 16383
  // bytes, as the system lists them, so start-up reads a bounded part of it.
  SimMachine pc;
  std::string file = "[English]\r\n";
  for (int i = 0; i < 100000; ++i) file += std::to_string(10000 + i) + "=Text " + std::to_string(i) + "\r\n";
  pc.WriteFile(kLanguagesPath, file);
  TLanguage language;
  language.Open(pc.platform(), "English");
  // Five digits and a NUL: 2730 whole names, then the "1" left of the next.
  ASSERT_EQ(language.ResourceList.size(), 2731u);
  EXPECT_EQ(language.ResourceList.front(), "10000=Text 0");
  EXPECT_EQ(language.ResourceList[2729], "12729=Text 2729");
  EXPECT_EQ(language.ResourceList.back(), "1=");
  EXPECT_EQ(language.Translate(12729), "Text 2729");
  EXPECT_EQ(language.Translate(12730), ErrorText(12730));
  EXPECT_EQ(language.Translate(10102), "Text 102");
}

TEST(LanguageLookup, AFileTooLargeToHoldLeavesTheFallbacks) {
  SimMachine pc;
  pc.WriteFile(kLanguagesPath, "[English]\r\n10001=&Cancel\r\n");
  pc.ExhaustMemoryReading(kLanguagesPath, true);
  TLanguage language;
  language.Open(pc.platform(), "English");
  EXPECT_TRUE(language.ResourceList.empty());
  EXPECT_EQ(language.Translate(10102), "Exit");
  EXPECT_EQ(language.Translate(10001), ErrorText(10001));
}

TEST(LanguageLookup, FileIsTakenFromTheExecutablesFolder) {
  SimMachine pc;
  pc.SetExecutablePath(R"(D:\Apps\QB\Quillbay.exe)");
  pc.WriteFile(kLanguagesPath, "[English]\r\n10001=from Program Files\r\n");
  pc.WriteFile(R"(D:\Apps\QB\Languages.ini)", "[English]\r\n10001=beside the program\r\n");
  EXPECT_EQ(ExecutableFolder(pc.platform()), R"(D:\Apps\QB\)");

  TLanguage language;
  language.Open(pc.platform(), "English");
  EXPECT_EQ(language.Translate(10001), "beside the program");
}

TEST(LanguageLookup, ReloadingReplacesTheTexts) {
  SimMachine pc;
  pc.WriteFile(kLanguagesPath, "[English]\r\n10001=&Cancel\r\n10002=&Apply\r\n[Deutsch]\r\n10001=&Abbrechen\r\n");
  TLanguage language;
  language.Open(pc.platform(), "English");
  language.LoadLanguage(*language.LanguageFile, "Deutsch");
  EXPECT_EQ(language.ResourceList, std::vector<std::string>{"10001=&Abbrechen"});
  EXPECT_EQ(language.Translate(10001), "&Abbrechen");
  EXPECT_EQ(language.Translate(10002), ErrorText(10002));

  // A list changed by hand is still answered.
  language.ResourceList = {"10002=&Apply", "10001=Stop", "10001=Later"};
  EXPECT_EQ(language.Translate(10001), "Stop") << "the first line wins";
  EXPECT_EQ(language.Translate(10002), "&Apply");
  language.ResourceList[1] = "10003=Add";
  EXPECT_EQ(language.Translate(10001), "Later");
  EXPECT_EQ(language.Translate(10003), "Add");
}

// ---- The shipped Languages.ini ----

// Every text ID the program's texts are written for.
const std::vector<int> kTextIds = {
    10001, 10002, 10003, 10004, 10005, 10006, 10007, 10020, 10022, 10023, 10024, 10026, 10027, 10031, 10032,
    10034, 10035, 10036, 10038, 10039, 10040, 10041, 10042, 10043, 10100, 10101, 10102, 10121, 10122, 10123,
    10124, 10125, 10126, 10127, 10128, 10129, 10140, 10141, 10142, 10143, 10150, 10152, 10202, 10203, 10204,
    10222, 10223, 10224, 10225, 10226, 10227, 10228, 10229, 10300, 10301, 10302, 10303, 10304, 10305, 10306,
    10307, 10308, 10310, 10311, 10312, 10313, 10314, 10315, 10317, 10318, 10319, 10320, 10321, 10322, 10323,
    10324, 10325, 10326, 10327, 10328, 10329, 10401, 10402, 10403, 10404, 10405, 10406, 10410, 10411, 10412,
    10413, 10414, 10415, 10450, 10451, 10452, 10453, 10454, 10455, 10456, 10457, 10458, 10459, 10460, 10461,
    10462, 10463, 10464, 10465, 10466, 10467, 10701, 10702, 10703, 10704, 10705, 10706, 10707, 10708, 10709,
    10710, 10711, 10712, 10713, 10714, 10715, 10716, 10717, 10750, 10751, 10753, 10812, 10813, 10814, 10820, 10821,
    10850, 10851, 10852};

const std::vector<std::string> kSections = {"English",      "Dansk",       "Deutsch",   "Espa\xF1ol",
                                            "Fran\xE7" "ais", "Italiano", "Nederlands", "Svenska"};

// How the program joins each text, as far as it can be checked by machine.
enum Shape {
  EndsWithOpeningQuote,   // an item and "' ..." or "' ?" follow
  StartsWithClosingQuote, // follows an item
  EndsWithBlank,          // a number or a name follows directly
  StartsWithBlank,        // follows a number directly
  EndsWithColon,          // a label with its own colon
  TakesAppendedColon,     // the program adds ":"
  TakesAppendedEllipsis,  // the program adds "..."
  NoFinalPunctuation,     // " (n ...)" or " ?" may follow
};
const std::vector<std::pair<Shape, std::vector<int>>> kShapes = {
    {EndsWithOpeningQuote, {10225, 10227, 10229, 10300, 10301, 10302, 10303, 10315, 10317, 10323, 10324, 10325,
                            10456, 10459, 10461, 10466, 10813, 10850}},
    {StartsWithClosingQuote, {10310, 10311, 10324}},
    {EndsWithBlank, {10022, 10222, 10223, 10224, 10305, 10321, 10404, 10457, 10460, 10712}},
    {StartsWithBlank, {10306, 10322, 10326}},
    {EndsWithColon, {10401, 10402, 10707, 10710, 10812}},
    {TakesAppendedColon, {10007, 10022, 10027, 10038, 10039, 10406, 10451}},
    {TakesAppendedEllipsis, {10007, 10128, 10141, 10152}},
    {NoFinalPunctuation, {10308, 10467}},
};

std::string ShippedFile() { return ReadSourceFile("resources/Languages.ini"); }

std::set<int> TextIdsUsedBySource() {
  std::set<int> ids;
  const std::regex call(R"(\b(?:T|Translate)\s*\(\s*(\d{5})\s*\))");
  for (const char* folder : {"data", "engine", "ui", "shell", "platform"}) {
    const std::filesystem::path root = std::filesystem::path(QUILLBAY_SOURCE_DIR) / folder;
    if (!std::filesystem::exists(root)) continue;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      const std::string extension = entry.path().extension().string();
      if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::stringstream text;
      text << in.rdbuf();
      const std::string source = text.str();
      for (std::sregex_iterator match(source.begin(), source.end(), call), end; match != end; ++match)
        ids.insert(std::stoi((*match)[1]));
    }
  }
  return ids;
}

class ShippedLanguages : public ::testing::Test {
 protected:
  void SetUp() override { pc.WriteFile(kLanguagesPath, ShippedFile()); }
  TLanguage Load(const std::string& section) {
    TLanguage language;
    language.Open(pc.platform(), section);
    return language;
  }
  SimMachine pc;
};

TEST_F(ShippedLanguages, FileIsWindows1252WithCrLfAndExactlyTheEightLanguages) {
  const std::string bytes = ShippedFile();
  ASSERT_FALSE(bytes.empty());
  EXPECT_NE(bytes[0], '\xEF') << "no UTF-8 byte-order mark";
  EXPECT_EQ(bytes.find("\xC3\xB1"), std::string::npos) << "UTF-8 n with tilde: the file must be Windows-1252";
  EXPECT_EQ(bytes.find("\xC3\xA7"), std::string::npos) << "UTF-8 c with cedilla: the file must be Windows-1252";
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");

  std::vector<std::string> sections;
  std::istringstream lines(bytes);
  for (std::string line; std::getline(lines, line);) {
    ASSERT_TRUE(!line.empty() && line.back() == '\r') << "line without CR LF: " << line;
    line.pop_back();
    if (!line.empty() && line.front() == '[') sections.push_back(line.substr(1, line.find(']') - 1));
  }
  EXPECT_EQ(sections, kSections);
  TIniFile file(pc.platform(), kLanguagesPath);
  file.Load();
  for (const std::string& section : kSections) EXPECT_TRUE(file.SectionExists(section)) << section;
  EXPECT_FALSE(file.SectionExists("Espa\xC3\xB1ol"));
}

TEST_F(ShippedLanguages, EverySectionHasEveryUsedTextInIdOrder) {
  std::set<int> required(kTextIds.begin(), kTextIds.end());
  const std::set<int> used = TextIdsUsedBySource();
  required.insert(used.begin(), used.end());

  for (const std::string& section : kSections) {
    SCOPED_TRACE(section);
    const TLanguage language = Load(section);
    for (int id : required) {
      const std::string text = language.Translate(id);
      EXPECT_NE(text, ErrorText(id)) << "missing or empty: " << id;
      EXPECT_FALSE(text.empty());
    }
    std::vector<int> keys;
    for (const std::string& line : language.ResourceList) keys.push_back(std::stoi(line.substr(0, line.find('='))));
    EXPECT_EQ(keys, kTextIds) << "every text once, in ID order, nothing else";
  }
}

TEST_F(ShippedLanguages, TextsFitTheWayTheProgramJoinsThem) {
  for (const std::string& section : kSections) {
    SCOPED_TRACE(section);
    const TLanguage language = Load(section);
    for (const auto& [shape, ids] : kShapes) {
      for (int id : ids) {
        const std::string text = language.Translate(id);
        SCOPED_TRACE(std::to_string(id) + "=" + text);
        switch (shape) {
          case EndsWithOpeningQuote: EXPECT_EQ(text.back(), '\''); break;
          case StartsWithClosingQuote: EXPECT_EQ(text.front(), '\''); break;
          case EndsWithBlank: EXPECT_EQ(text.back(), ' '); EXPECT_NE(text[text.size() - 2], ' '); break;
          case StartsWithBlank: EXPECT_EQ(text.front(), ' '); EXPECT_NE(text[1], ' '); break;
          case EndsWithColon: EXPECT_EQ(text.back(), ':'); break;
          case TakesAppendedColon: EXPECT_NE(text[text.find_last_not_of(' ')], ':'); break;
          case TakesAppendedEllipsis: EXPECT_NE(text.back(), '.'); break;
          case NoFinalPunctuation: EXPECT_EQ(std::string(".?!'").find(text.back()), std::string::npos); break;
        }
      }
    }
    // Only the texts joined to something may carry blanks or an open quote at their ends.
    for (int id : kTextIds) {
      const std::string text = language.Translate(id);
      SCOPED_TRACE(std::to_string(id) + "=" + text);
      const auto shapedAs = [&](Shape shape) {
        return std::any_of(kShapes.begin(), kShapes.end(), [&](const auto& entry) {
          return entry.first == shape && std::count(entry.second.begin(), entry.second.end(), id) > 0;
        });
      };
      if (!shapedAs(EndsWithBlank)) { EXPECT_NE(text.back(), ' '); }
      if (!shapedAs(StartsWithBlank)) { EXPECT_NE(text.front(), ' '); }
      if (!shapedAs(EndsWithOpeningQuote)) { EXPECT_NE(text.back(), '\''); }
    }
  }
}

// The accelerator letter of a caption, lowered; 0 when it has none.
char Accelerator(const std::string& caption) {
  const size_t amp = caption.find('&');
  if (amp == std::string::npos || amp + 1 >= caption.size()) return 0;
  return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[amp + 1])));
}

TEST_F(ShippedLanguages, AcceleratorsAreKeptAndDoNotClash) {
  const std::vector<std::vector<int>> groups = {
      {10100, 10023, 10140, 10150},  // menu bar
      {10001, 10002},                // OK, Cancel, Apply
      {10001, 10006},                // OK, Cancel, Browse
  };
  for (const std::string& section : kSections) {
    SCOPED_TRACE(section);
    const TLanguage language = Load(section);
    for (const std::vector<int>& group : groups) {
      std::set<char> letters = {'o'};  // "&OK" is not translated
      if (group.front() == 10100) letters.clear();
      for (int id : group) {
        const std::string caption = language.Translate(id);
        const char letter = Accelerator(caption);
        EXPECT_NE(letter, 0) << id << "=" << caption;
        EXPECT_EQ(std::count(caption.begin(), caption.end(), '&'), 1) << id << "=" << caption;
        EXPECT_TRUE(letters.insert(letter).second) << "accelerator used twice: " << id << "=" << caption;
      }
    }
  }
}

TEST_F(ShippedLanguages, TrayTipAndBalloonsStayWithinTheirLimits) {
  const std::string count = "26";  // every letter a drive
  for (const std::string& section : kSections) {
    SCOPED_TRACE(section);
    const TLanguage language = Load(section);
    const auto T = [&](int id) { return language.Translate(id); };
    const std::string tip = "Quillbay\r\n" + T(10222) + count + " \r\n" + T(10223) + count + " \r\n" + T(10224) + count;
    EXPECT_LE(tip.size(), 127u) << tip;
    for (const std::string& balloon :
         {T(10305) + count + T(10306), T(10307), T(10308), T(10308) + " (" + count + T(10326) + ")"})
      EXPECT_LE(balloon.size(), 255u) << balloon;
  }
}

}  // namespace

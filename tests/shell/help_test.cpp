// The help file's sources: every page is compiled in and reachable, and every control or
// command the pages name is spelled as the program shows it in English.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
const fs::path kHelp = fs::path(QUILLBAY_SOURCE_DIR) / "help";

std::string Read(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

std::set<std::string> ProjectFiles() {
  std::set<std::string> files;
  std::istringstream project(Read(kHelp / "QBYHelp.hhp"));
  std::string line;
  bool inFiles = false;
  while (std::getline(project, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[') inFiles = line == "[FILES]";
    else if (inFiles && !line.empty()) files.insert(line);
  }
  return files;
}

std::set<std::string> Pages() {
  std::set<std::string> pages;
  for (const auto& entry : fs::directory_iterator(kHelp))
    if (entry.path().extension() == ".html") pages.insert(entry.path().filename().string());
  return pages;
}

// A caption as the program shows it: without the accelerator "&", blanks and final colon;
// a line break of the page's source counts as a blank.
std::string Caption(const std::string& text) {
  std::string result;
  for (char c : text) {
    if (c == '\r' || c == '\n') c = ' ';
    if (c != '&' && !(c == ' ' && !result.empty() && result.back() == ' ')) result += c;
  }
  while (!result.empty() && (result.back() == ' ' || result.back() == ':')) result.pop_back();
  while (!result.empty() && result.front() == ' ') result.erase(0, 1);
  return result;
}

std::set<std::string> EnglishCaptions() {
  std::set<std::string> captions = {"OK", "Yes", "No", "Internet", "E-mail"};  // fixed in the program
  std::istringstream file(Read(fs::path(QUILLBAY_LANGUAGES_FILE)));
  std::string line;
  bool english = false;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[') english = line == "[English]";
    const auto equals = line.find('=');
    if (!english || equals == std::string::npos) continue;
    std::string text = line.substr(equals + 1);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
    captions.insert(Caption(text));
    captions.insert(Caption(text) + "...");  // captions the program completes with "..."
  }
  return captions;
}

std::string Unescape(std::string text) {
  for (const auto& [entity, character] : {std::pair<std::string, std::string>{"&gt;", ">"}, {"&lt;", "<"}, {"&amp;", "&"}})
    for (size_t at; (at = text.find(entity)) != std::string::npos;) text.replace(at, entity.size(), character);
  return text;
}

TEST(HelpSources, EveryPageIsCompiledInAndEveryLinkLeadsToOne) {
  const std::set<std::string> listed = ProjectFiles();
  ASSERT_FALSE(listed.empty());
  for (const std::string& page : Pages()) EXPECT_TRUE(listed.count(page)) << page << " is not in QBYHelp.hhp";
  for (const std::string& file : listed) EXPECT_TRUE(fs::exists(kHelp / file)) << file;

  const std::regex link(R"re((?:href|value)="([a-z0-9-]+\.html)")re");
  std::set<std::string> sources = Pages();
  sources.insert({"QBYHelp.hhc", "QBYHelp.hhk"});
  std::set<std::string> reached;
  for (const std::string& source : sources) {
    const std::string content = Read(kHelp / source);
    for (std::sregex_iterator it(content.begin(), content.end(), link), end; it != end; ++it) {
      EXPECT_TRUE(listed.count((*it)[1])) << source << " links to " << (*it)[1];
      if (source.rfind("QBYHelp.", 0) == 0) reached.insert((*it)[1]);
    }
  }
  for (const std::string& page : Pages()) EXPECT_TRUE(reached.count(page)) << page << " is not in the contents or index";
}

TEST(HelpSources, ControlsAndCommandsAreNamedAsTheProgramShowsThem) {
  const std::set<std::string> captions = EnglishCaptions();
  const std::regex named(R"re(<span class="ui">([^<]*)</span>)re");
  int checked = 0;
  for (const std::string& page : Pages()) {
    const std::string content = Read(kHelp / page);
    for (std::sregex_iterator it(content.begin(), content.end(), named), end; it != end; ++it) {
      // A menu path such as "Tools > Preferences..." names each step.
      std::string path = Unescape((*it)[1]);
      for (size_t start = 0;;) {
        const size_t arrow = path.find(" > ", start);
        const std::string step = Caption(path.substr(start, arrow == std::string::npos ? std::string::npos : arrow - start));
        EXPECT_TRUE(captions.count(step)) << page << ": \"" << step << "\" is not a text of the program";
        ++checked;
        if (arrow == std::string::npos) break;
        start = arrow + 3;
      }
    }
  }
  EXPECT_GT(checked, 100);
}

}  // namespace

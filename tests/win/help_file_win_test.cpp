// The help file the build places beside the programs opens in Windows' HTML help viewer,
// on its first page and on the page of a topic, in a window titled as the help's own.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/WindowsApi.h"

namespace {

using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
constexpr UINT kDisplayTopic = 0x0000;  // HH_DISPLAY_TOPIC
constexpr UINT kCloseAll = 0x0012;      // HH_CLOSE_ALL

std::string HelpFile() {
  char path[MAX_PATH * 2];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  const std::string self(path, length);
  return self.substr(0, self.find_last_of('\\') + 1) + "QBYHelp.chm";
}

std::string Title(HWND window) {
  char title[256] = {};
  GetWindowTextA(window, title, sizeof title);
  return title;
}

class HelpViewer : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = LoadLibraryA("hhctrl.ocx");
    if (!library_) GTEST_SKIP() << "no HTML help viewer on this system";
    htmlHelp_ = reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(GetProcAddress(library_, "HtmlHelpA")));
    ASSERT_NE(htmlHelp_, nullptr);
  }
  void TearDown() override {
    if (htmlHelp_) htmlHelp_(nullptr, nullptr, kCloseAll, 0);
    if (library_) FreeLibrary(library_);
  }
  HMODULE library_ = nullptr;
  HtmlHelpFunction htmlHelp_ = nullptr;
};

TEST_F(HelpViewer, TheBuiltHelpFileOpensOnItsFirstPageAndOnATopic) {
  const std::string file = HelpFile();
  ASSERT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES) << file << " is not beside the program";

  HWND window = htmlHelp_(GetDesktopWindow(), file.c_str(), kDisplayTopic, 0);
  ASSERT_NE(window, nullptr) << "the viewer refused " << file;
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(Title(window), "Quillbay Help");

  const std::string topic = file + "::/preferences.html";
  window = htmlHelp_(GetDesktopWindow(), topic.c_str(), kDisplayTopic, 0);
  EXPECT_NE(window, nullptr) << "the viewer refused " << topic;
}

TEST_F(HelpViewer, AFileThatIsNotThereOpensNoWindow) {
  const std::string missing = HelpFile() + ".missing.chm";
  EXPECT_EQ(htmlHelp_(GetDesktopWindow(), missing.c_str(), kDisplayTopic, 0), nullptr);
}

}  // namespace

// Help: the viewer's library found by name or through the registry, the help file beside
// the program, and what the user is told when either is missing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/MainWindowTest.h"
#include "support/TestApp.h"

using ::testing::ElementsAre;

namespace {

const std::string kHelpFile = R"(C:\Program Files\Quillbay\QBYHelp.chm)";
const std::string kClassKey = R"(CLSID\{adb880a6-d8ff-11cf-9377-00aa003b7a11}\InprocServer32)";

struct Help : ::testing::Test, MainWindowTest {};

}  // namespace

TEST_F(Help, TheLibraryLoadsFromTheSystemFolderNeverByNameAndIsFreedAtTheEnd) {
  help.LoadHtmlHelp();
  // By name, a file beside the program could be taken first.
  EXPECT_THAT(helpLibrary.LoadAttempts, ElementsAre(R"(C:\Windows\system32\hhctrl.ocx)"));
  EXPECT_NE(help.HtmlHelp, 0u);
  // Wide: the help file's folder may have any name.
  EXPECT_EQ(help.HtmlHelp, help.HtmlHelpW);
  EXPECT_NE(help.HtmlHelpA, 0u);
  help.LoadHtmlHelp();  // loaded already
  EXPECT_EQ(helpLibrary.LoadAttempts.size(), 1u);
  help.UnloadHtmlHelp();
  EXPECT_EQ(helpLibrary.LoadedCount, 0);
  EXPECT_EQ(help.Handle, 0u);
  EXPECT_EQ(help.HtmlHelp, 0u);
  EXPECT_EQ(help.HtmlHelpW, 0u);
}

TEST_F(Help, TheRegistryPathIsUsedOnlyInsideTheWindowsFolder) {
  helpLibrary.Loadable = {R"(C:\Windows\SysWOW64\hhctrl.ocx)"};
  pc.WriteFile(R"(C:\Windows\SysWOW64\hhctrl.ocx)", "dll");
  // The SystemRoot reference in capitals is expanded like one in mixed case.
  pc.SetRegistryValue(RegistryRoot::ClassesRoot, kClassKey, "", R"(%SYSTEMROOT%\SysWOW64\hhctrl.ocx)");
  EXPECT_EQ(help.FindHtmlHelpLibrary(), R"(C:\Windows\SysWOW64\hhctrl.ocx)");
  help.LoadHtmlHelp();
  EXPECT_THAT(helpLibrary.LoadAttempts,
              ElementsAre(R"(C:\Windows\system32\hhctrl.ocx)", R"(C:\Windows\SysWOW64\hhctrl.ocx)"));
  EXPECT_NE(help.HtmlHelp, 0u);

  // A registered path with no file there falls back to the system folder.
  pc.SetRegistryValue(RegistryRoot::ClassesRoot, kClassKey, "", R"(%SystemRoot%\gone\hhctrl.ocx)");
  EXPECT_EQ(help.FindHtmlHelpLibrary(), R"(C:\Windows\system32\hhctrl.ocx)");

  // A registration pointing anywhere else (a user's folder, a share) is not followed.
  for (const char* planted : {R"(C:\Users\Public\hhctrl.ocx)", R"(\\server\share\hhctrl.ocx)",
                              R"(C:\Windows\..\Users\Public\hhctrl.ocx)", R"(C:\WindowsApps\hhctrl.ocx)"}) {
    pc.WriteFile(planted, "dll");
    pc.SetRegistryValue(RegistryRoot::ClassesRoot, kClassKey, "", planted);
    EXPECT_EQ(help.FindHtmlHelpLibrary(), R"(C:\Windows\system32\hhctrl.ocx)") << planted;
  }
}

TEST_F(Help, AMissingHelpFileIsAWarningAndTheViewerIsNotTried) {
  WriteConfiguration(With([](TestPrefs& p) { p.ConnectNetworkDrivesOnStartup = false; }), {});
  help.LoadHtmlHelp();
  TMainForm& f = Start();
  NewMessages();
  ASSERT_TRUE(f.AMHelpHelp.Execute());
  ASSERT_EQ(pc.MessageBoxes.size(), 1u);
  EXPECT_EQ(pc.MessageBoxes[0].Text, T(10319));
  EXPECT_EQ(pc.MessageBoxes[0].Kind, MessageBoxKind::Warning);
  EXPECT_TRUE(helpLibrary.Calls.empty());
  EXPECT_TRUE(NewMessages().empty());
}

TEST_F(Help, TheHelpFileOpensAndAFailingViewerIsAMessageLine) {
  WriteConfiguration(With([](TestPrefs& p) { p.ConnectNetworkDrivesOnStartup = false; }), {});
  pc.WriteFile(kHelpFile, "chm");
  help.LoadHtmlHelp();
  TMainForm& f = Start();
  NewMessages();

  f.ActionHelpHelpExecute();
  ASSERT_EQ(helpLibrary.Calls.size(), 1u);
  EXPECT_EQ(helpLibrary.Calls[0].File, kHelpFile);
  EXPECT_EQ(helpLibrary.Calls[0].Command, 0u);
  EXPECT_TRUE(NewMessages().empty());

  helpLibrary.ViewerFails = true;
  f.ActionHelpHelpExecute();
  EXPECT_THAT(NewMessages(), ElementsAre(T(10318)));
  EXPECT_EQ(f.Surfaces.Messages.front().ImageIndex, mkError);

  // No library at all: the same line, no crash.
  help.UnloadHtmlHelp();
  helpLibrary.Loadable.clear();
  f.ActionHelpHelpExecute();
  EXPECT_THAT(NewMessages(), ElementsAre(T(10318)));
  EXPECT_TRUE(pc.MessageBoxes.empty());
}

// The program entry's real services: the single-instance mutex, COM, and the help
// viewer's library as the registry and the system folder give it.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Win32HelpLibrary.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Process.h"
#include "ui/HtmlHelp.h"

#include <objbase.h>

namespace {

std::string UniqueMutexName() { return "QuillbayTest-" + std::to_string(GetCurrentProcessId()) + ".exe"; }

}  // namespace

TEST(SingleInstanceMutex, TheSecondHolderFindsTheFirstAndTheNameIsFreeAfterRelease) {
  Win32Process first;
  Win32Process second;
  bool exists = true;
  ASSERT_TRUE(first.CreateNamedMutex(UniqueMutexName(), exists));
  EXPECT_FALSE(exists);
  ASSERT_TRUE(second.CreateNamedMutex(UniqueMutexName(), exists));
  EXPECT_TRUE(exists);
  second.ReleaseNamedMutex();
  first.ReleaseNamedMutex();

  Win32Process later;
  ASSERT_TRUE(later.CreateNamedMutex(UniqueMutexName(), exists));
  EXPECT_FALSE(exists);
  // Another file name is another mutex.
  Win32Process other;
  ASSERT_TRUE(other.CreateNamedMutex("Other-" + UniqueMutexName(), exists));
  EXPECT_FALSE(exists);
}

TEST(SingleInstanceMutex, ComIsInitialisedForTheShellOnTheMainThread) {
  Win32Process process;
  process.InitializeCom();
  // Initialised already on this thread in the same model: the call only counts up.
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE), S_FALSE);
  CoUninitialize();
  process.UninitializeCom();
}

TEST(HelpViewerLibrary, LoadsWithItsEntryPointsAndIsFreed) {
  Win32Platform machine;
  Win32HelpLibrary library;
  const std::string system = library.SystemDirectory();
  ASSERT_FALSE(system.empty());
  EXPECT_NE(system.back(), '\\');

  THtmlHelp help(machine.platform(), library);
  const std::string found = help.FindHtmlHelpLibrary();
  EXPECT_TRUE(machine.platform().files.FileExists(found)) << found;

  help.LoadHtmlHelp();
  ASSERT_NE(help.Handle, 0u);
  EXPECT_NE(help.HtmlHelp, 0u);
  // Wide: the help file's folder may have any name.
  EXPECT_EQ(help.HtmlHelp, help.HtmlHelpW);
  EXPECT_NE(help.HtmlHelpA, 0u);
  help.UnloadHtmlHelp();
  EXPECT_EQ(help.Handle, 0u);
  EXPECT_EQ(help.HtmlHelp, 0u);
}

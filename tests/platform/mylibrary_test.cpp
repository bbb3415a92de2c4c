// Small Windows services: environment references in locations and the window font.
#include <gtest/gtest.h>

#include "platform/sim/SimMachine.h"
#include "platform/MyLibrary.h"

namespace {

TEST(WindowsServices, LocationsTakeTheUsersEnvironment) {
  SimMachine pc;
  pc.SetVariable("USERNAME", "alice");
  pc.SetVariable("DEPT", "sales");
  Platform& platform = pc.platform();
  EXPECT_EQ(ExpandEnvironment(platform, R"(\\nas\%USERNAME%)"), R"(\\nas\alice)");
  EXPECT_EQ(ExpandEnvironment(platform, R"(\\nas\%DEPT%\%USERNAME%)"), R"(\\nas\sales\alice)");
  EXPECT_EQ(ExpandEnvironment(platform, R"(\\nas\media)"), R"(\\nas\media)");
  EXPECT_EQ(ExpandEnvironment(platform, R"(\\nas\%NOSUCHVARIABLE%)"), R"(\\nas\%NOSUCHVARIABLE%)");
  EXPECT_EQ(ExpandEnvironment(platform, ""), "");
}

TEST(WindowsServices, FontFollowsTheWindowsVersion) {
  struct Case {
    uint32_t major, minor;
    int code;
    const char* font;
    int size;
  };
  const Case cases[] = {
      {6, 1, 6, "Segoe UI", 9}, {6, 0, 5, "Segoe UI", 9}, {5, 1, 4, "Tahoma", 8},
      {5, 0, 3, "Tahoma", 8},   {4, 0, 1, "Tahoma", 8},   {3, 51, 1, "Tahoma", 8},
      {5, 2, 0, "Tahoma", 8},   {6, 2, 0, "Tahoma", 8},   {6, 3, 0, "Tahoma", 8},
      {10, 0, 0, "Tahoma", 8},
  };
  SimMachine pc;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
    pc.SetWindowsVersion(c.major, c.minor);
    EXPECT_EQ(GetWindowsVersion(pc.platform()), c.code);
    EXPECT_EQ(UIFontName(pc.platform()), c.font);
    EXPECT_EQ(UIFontSize(pc.platform()), c.size);
  }
}

}  // namespace

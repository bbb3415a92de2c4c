// The engine on the real network provider: whatever the WNet calls answer for a letter
// that nothing maps, the user sees message lines and consistent drive states, no crash.
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "data/Configuration.h"
#include "data/Languages.h"
#include "engine/Engine.h"
#include "engine/Surfaces.h"
#include "platform/win32/Win32Platform.h"

namespace {

// A letter with no device on this machine, from the top down.
char FreeLetter() {
  const DWORD mask = GetLogicalDrives();
  for (char letter = 'Y'; letter >= 'M'; --letter)
    if ((mask & (1u << (letter - 'A'))) == 0) return letter;
  return 0;
}

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }
bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

TEST(EngineOnRealNetwork, UnreachableLocationOnAFreeLetterIsReportedAsLines) {
  const char letter = FreeLetter();
  ASSERT_NE(letter, 0) << "no free drive letter";
  const std::string drive = std::string(1, letter) + ":";

  Win32Platform machine;
  Platform& platform = machine.platform();
  TLanguage language;  // no language file: texts fall back to their IDs, lines keep their shape
  TQbyConfiguration configuration(platform, language);
  TNetworkDriveItem* record = configuration.NetworkDrives.Add();
  record->Drive = drive;
  record->DriveNumber = letter - 'A' + 1;
  record->QbyControl = true;
  record->NetworkLocation = R"(\\quillbay-no-such-server.invalid\share)";
  TSurfaces surfaces(platform);
  TEngine engine(platform, configuration, language, surfaces);

  engine.ConnectDrives(true, drive);

  ASSERT_FALSE(surfaces.Messages.empty());
  const TMessageRow& connectLine = surfaces.Messages.front();
  std::cout << "connect: " << connectLine.Text << "\n";
  EXPECT_TRUE(StartsWith(connectLine.Text, language.Translate(10302) + drive + "' (")) << connectLine.Text;
  EXPECT_TRUE(EndsWith(connectLine.Text, ").")) << connectLine.Text;
  EXPECT_EQ(connectLine.ImageIndex, mkError);
  EXPECT_EQ(record->State, dsError);
  EXPECT_EQ(record->RealLocation, language.Translate(10035));
  EXPECT_EQ(record->FreeSpace, -1);
  EXPECT_TRUE(engine.CurrentConnectionError);
  EXPECT_EQ(engine.NrOfDrivesInError, 1);
  EXPECT_EQ(GetDriveTypeA((drive + "\\").c_str()), static_cast<UINT>(DRIVE_NO_ROOT_DIR));

  const size_t linesBefore = surfaces.Messages.size();
  const bool released = engine.DisconnectDrives(false, drive);

  if (surfaces.Messages.size() == linesBefore) {
    // ERROR_NOT_CONNECTED: the letter was never mapped, so it simply counts as disconnected.
    EXPECT_TRUE(released);
    EXPECT_EQ(record->State, dsDisconnected);
    EXPECT_EQ(record->RealLocation, language.Translate(10034));
  } else {
    const TMessageRow& disconnectLine = surfaces.Messages.front();
    std::cout << "disconnect: " << disconnectLine.Text << "\n";
    EXPECT_FALSE(released);
    EXPECT_TRUE(StartsWith(disconnectLine.Text, language.Translate(10303) + drive + "' (")) << disconnectLine.Text;
    EXPECT_TRUE(EndsWith(disconnectLine.Text, ").")) << disconnectLine.Text;
  }
  EXPECT_EQ(engine.NrOfDrivesUnderQBYControl, 1);
  EXPECT_EQ(GetDriveTypeA((drive + "\\").c_str()), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

#include "platform/MyLibrary.h"

#include <cstdint>

#include "platform/Platform.h"

std::string ExpandEnvironment(Platform& platform, const std::string& text) {
  return platform.environment.ExpandEnvironmentStrings(text);
}

int GetWindowsVersion(Platform& platform) {
  uint32_t major = 0;
  uint32_t minor = 0;
  platform.environment.GetVersion(major, minor);
  if (major <= 4) return 1;
  if (major == 5 && minor == 0) return 3;
  if (major == 5 && minor == 1) return 4;
  if (major == 6 && minor == 0) return 5;
  if (major == 6 && minor == 1) return 6;
  return 0;
}

std::string UIFontName(Platform& platform) {
  return GetWindowsVersion(platform) > 4 ? "Segoe UI" : "Tahoma";
}

int UIFontSize(Platform& platform) {
  return GetWindowsVersion(platform) > 4 ? 9 : 8;
}

#pragma once
#include <string>

struct Platform;

// %NAME% references replaced by the environment's values; unknown ones stay.
std::string ExpandEnvironment(Platform& platform, const std::string& text);
// 6 for Windows 6.1, 5 for 6.0, 4 for 5.1, 3 for 5.0, 1 for 4.x and older, 0 otherwise.
int GetWindowsVersion(Platform& platform);
std::string UIFontName(Platform& platform);  // "Segoe UI" on 6.0/6.1, else "Tahoma"
int UIFontSize(Platform& platform);          // 9 on 6.0/6.1, else 8

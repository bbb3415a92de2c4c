#pragma once
#include <string>

// Name comparisons of the simulated machine: Windows compares paths, server, share,
// user and variable names without regard to ASCII case.
std::string SimLower(std::string text);
bool SimSameText(const std::string& a, const std::string& b);
// 0 for A to 25 for Z when text starts with a letter and a colon, else -1.
int SimDriveIndex(const char* text);
// "\\server\share\rest" -> server and share; false when text is no UNC path.
bool SimSplitUnc(const std::string& text, std::string& server, std::string& share);
// The path without trailing backslashes.
std::string SimTrimBackslashes(std::string path);

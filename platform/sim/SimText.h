#pragma once
#include <string>

// 0 for A to 25 for Z when text starts with a letter and a colon, else -1.
int SimDriveIndex(const char* text);
// "\\server\share\rest" -> server and share; false when text is no UNC path.
bool SimSplitUnc(const std::string& text, std::string& server, std::string& share);
// The path without trailing backslashes.
std::string SimTrimBackslashes(std::string path);

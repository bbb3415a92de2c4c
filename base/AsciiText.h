#pragma once
#include <string>

// Windows compares locations, server, share, user and variable names without regard to
// the case of ASCII letters only.
bool SameTextAscii(const std::string& a, const std::string& b);
std::string LowerAscii(std::string text);
// A text that also leads message lines ends in a blank there; as a label or caption it
// wants none.
std::string WithoutTrailingBlanks(std::string text);

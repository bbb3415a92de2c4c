#pragma once
#include <string>

class Environment;

// File names are UTF-8 (see Files); every other text is 8-bit in the system code page.
// These are the two places where the two meet.

// A file name stored or typed as 8-bit text (the TrueCrypt program), as Files takes it.
std::string FileNameFromAnsi(Environment& environment, const std::string& ansi);
// A file name inside a text that is shown: characters the code page lacks become its
// nearest or default character, as the system converts them.
std::string FileNameForDisplay(Environment& environment, const std::string& fileName);

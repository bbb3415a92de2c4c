#pragma once
#include <string>

// The program holds file names in UTF-8; here, and only here, they become the UTF-16
// of the wide file calls, so that a name outside the 8-bit code page is not lost.
std::wstring WideFileName(const std::string& fileName);
std::string Utf8FileName(const wchar_t* wide, size_t length);

#pragma once
#include <string>
#include <string_view>

// Conversions between UTF-16 and the byte encodings an INI file may be in, done the
// way the system does them, so that text reads the same on every platform.

// Windows-1252; characters the code page lacks become '?'.
std::u16string Cp1252ToUtf16(std::string_view text);
std::string Utf16ToCp1252(std::u16string_view text);

// Each malformed sequence becomes U+FFFD. A sequence cut short by the end of the text
// is one U+FFFD when inputEndsHere, otherwise it is judged by the bytes present (as
// when the text is one line of a longer file).
std::u16string Utf8ToUtf16(std::string_view text, bool inputEndsHere = true);
std::string Utf16ToUtf8(std::u16string_view text);

#include "platform/win32/WideFileName.h"

#include "base/TextEncoding.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 units");

std::wstring WideFileName(const std::string& fileName) {
  const std::u16string wide = Utf8ToUtf16(fileName);
  return std::wstring(wide.begin(), wide.end());
}

std::string Utf8FileName(const wchar_t* wide, size_t length) {
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide), length));
}

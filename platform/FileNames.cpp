#include "platform/FileNames.h"

#include "base/TextEncoding.h"
#include "platform/Environment.h"

std::string FileNameFromAnsi(Environment& environment, const std::string& ansi) {
  return Utf16ToUtf8(environment.AnsiToWide(ansi));
}

std::string FileNameForDisplay(Environment& environment, const std::string& fileName) {
  return environment.WideToAnsi(Utf8ToUtf16(fileName));
}

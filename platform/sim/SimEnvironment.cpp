#include "platform/sim/SimEnvironment.h"

#include "base/TextEncoding.h"
#include "base/AsciiText.h"
#include "platform/sim/SimText.h"

SimEnvironment::SimEnvironment() {
  SetVariable("ALLUSERSPROFILE", "C:\\ProgramData");
  SetVariable("APPDATA", "C:\\Users\\alice\\AppData\\Roaming");
  SetVariable("COMPUTERNAME", "PC");
  SetVariable("HOMEDRIVE", "C:");
  SetVariable("HOMEPATH", "\\Users\\alice");
  SetVariable("LOCALAPPDATA", "C:\\Users\\alice\\AppData\\Local");
  SetVariable("ProgramFiles", "C:\\Program Files");
  SetVariable("SystemDrive", "C:");
  SetVariable("SystemRoot", "C:\\Windows");
  SetVariable("TEMP", "C:\\Users\\alice\\AppData\\Local\\Temp");
  SetVariable("TMP", "C:\\Users\\alice\\AppData\\Local\\Temp");
  SetVariable("USERDOMAIN", "PC");
  SetVariable("USERNAME", "alice");
  SetVariable("USERPROFILE", "C:\\Users\\alice");
  SetVariable("windir", "C:\\Windows");
}

bool SimEnvironment::GetVariable(const std::string& name, std::string& value) {
  for (const auto& variable : variables_)
    if (SameTextAscii(variable.first, name)) {
      value = variable.second;
      return true;
    }
  return false;
}

void SimEnvironment::SetVariable(const std::string& name, const std::string& value) {
  for (auto& variable : variables_)
    if (SameTextAscii(variable.first, name)) {
      variable.second = value;
      return;
    }
  variables_.emplace_back(name, value);
}

void SimEnvironment::UnsetVariable(const std::string& name) {
  for (auto it = variables_.begin(); it != variables_.end(); ++it)
    if (SameTextAscii(it->first, name)) {
      variables_.erase(it);
      return;
    }
}

// As Windows does it: a reference to an unknown variable keeps its first "%" and the
// scan goes on from the character after it, so its closing "%" may open the next one.
std::string SimEnvironment::ExpandEnvironmentStrings(const std::string& text) {
  std::string expanded;
  size_t at = 0;
  while (at < text.size()) {
    if (text[at] != '%') {
      expanded.push_back(text[at++]);
      continue;
    }
    size_t close = text.find('%', at + 1);
    std::string value;
    if (close != std::string::npos && close > at + 1 && GetVariable(text.substr(at + 1, close - at - 1), value)) {
      expanded += value;
      at = close + 1;
    } else {
      expanded.push_back('%');
      ++at;
    }
  }
  return expanded;
}

void SimEnvironment::GetVersion(uint32_t& major, uint32_t& minor) {
  major = major_;
  minor = minor_;
}

void SimEnvironment::SetVersion(uint32_t major, uint32_t minor) {
  major_ = major;
  minor_ = minor;
}

std::u16string SimEnvironment::AnsiToWide(const std::string& text) { return Cp1252ToUtf16(text); }

std::string SimEnvironment::WideToAnsi(const std::u16string& text) { return Utf16ToCp1252(text); }

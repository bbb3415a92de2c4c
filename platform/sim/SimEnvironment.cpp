#include "platform/sim/SimEnvironment.h"

#include <vector>

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

// As Windows resolves it: UNC and "X:\" paths stand; "\path" is on the current drive;
// "X:path" is relative to the current folder when X is the current drive, else to X:'s
// root; anything else to the current folder. "." and ".." are resolved, never above the root.
std::string SimEnvironment::FullPathName(const std::string& path) {
  auto isSlash = [](char c) { return c == '\\' || c == '/'; };
  const bool hasDrive = path.size() >= 2 && path[1] == ':';
  std::string root;
  std::string rest;
  if (path.size() >= 2 && isSlash(path[0]) && isSlash(path[1])) {
    const size_t server = path.find_first_of("\\/", 2);
    const size_t share = server == std::string::npos ? server : path.find_first_of("\\/", server + 1);
    root = path.substr(0, share);
    rest = share == std::string::npos ? "" : path.substr(share + 1);
  } else if (hasDrive && path.size() >= 3 && isSlash(path[2])) {
    root = path.substr(0, 2);
    rest = path.substr(3);
  } else if (!path.empty() && isSlash(path[0])) {
    root = currentDirectory_.substr(0, 2);
    rest = path.substr(1);
  } else if (hasDrive) {
    root = path.substr(0, 2);
    const bool currentDrive = SameTextAscii(root, currentDirectory_.substr(0, 2));
    rest = (currentDrive ? currentDirectory_.substr(3) + "\\" : "") + path.substr(2);
  } else {
    root = currentDirectory_.substr(0, 2);
    rest = currentDirectory_.substr(3) + "\\" + path;
  }
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at = 0; at <= rest.size(); ++at) {
    if (at < rest.size() && !isSlash(rest[at])) continue;
    const std::string part = rest.substr(start, at - start);
    start = at + 1;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
  }
  std::string full = root;
  for (const std::string& part : parts) full += "\\" + part;
  if (parts.empty() || (!rest.empty() && isSlash(rest.back()))) full += "\\";
  return full;
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

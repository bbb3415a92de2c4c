#include "platform/sim/SimNetworkFile.h"

#include <sstream>

#include "base/AsciiText.h"
#include "platform/WinTypes.h"
#include "platform/sim/SimText.h"

namespace {

// Beyond this, megabytes no longer fit in bytes.
constexpr uint64_t MaxMegabytes = 1ull << 40;

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return "";
  size_t end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

bool ReadNumber(const std::string& text, uint64_t most, uint64_t& value) {
  if (text.empty() || text.size() > 19) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value <= most;
}

// "X" -> 'X'; 0 when the key is no single letter.
char DriveOf(const std::string& key) {
  if (key.size() != 1) return 0;
  char c = key[0];
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  return c >= 'A' && c <= 'Z' ? c : 0;
}

bool DriveTypeOf(const std::string& value, uint32_t& type) {
  std::string name = LowerAscii(value);
  if (name == "fixed") type = win::DRIVE_FIXED;
  else if (name == "removable") type = win::DRIVE_REMOVABLE;
  else if (name == "cdrom") type = win::DRIVE_CDROM;
  else if (name == "ramdisk") type = win::DRIVE_RAMDISK;
  else if (name == "unknown") type = win::DRIVE_UNKNOWN;
  else return false;
  return true;
}

bool IsShare(const std::string& path) {
  std::string server, share;
  if (!SimSplitUnc(path, server, share) || share.empty()) return false;
  // Exactly \\server\share: a folder below a share is no share of its own.
  return SimTrimBackslashes(path) == "\\\\" + server + "\\" + share;
}

class Reader {
 public:
  explicit Reader(SimNetworkFile& network) : network_(network) {}

  bool Line(const std::string& raw, std::string& problem) {
    std::string line = Trim(raw);
    if (line.empty() || line[0] == ';' || line[0] == '#') return true;
    if (line[0] == '[') return OpenSection(line, problem);
    size_t equals = line.find('=');
    if (equals == std::string::npos) {
      problem = "is neither a [section], a key=value pair nor a ; comment";
      return false;
    }
    std::string key = Trim(line.substr(0, equals));
    std::string value = Trim(line.substr(equals + 1));
    switch (section_) {
      case Section::None: problem = "comes before the first [section]"; return false;
      case Section::Letters: return Letter(key, value, problem);
      case Section::Mappings: return Mapping(key, value, problem);
      case Section::Share: return ShareKey(key, value, problem);
      case Section::Events: return Event(key, value, problem);
    }
    return false;
  }

  bool Finish(std::string& problem) {
    for (const auto& share : network_.Shares)
      if (share.FreeMB > share.TotalMB) {
        problem = "[Share " + share.Path + "]: FreeMB is larger than TotalMB";
        return false;
      }
    for (const auto& letter : network_.Letters)
      for (const auto& mapping : network_.Mappings)
        if (letter.Drive == mapping.Drive) {
          problem = std::string("letter ") + letter.Drive + " is both a local device and a mapping";
          return false;
        }
    return true;
  }

 private:
  enum class Section { None, Letters, Mappings, Share, Events };

  bool OpenSection(const std::string& line, std::string& problem) {
    if (line.back() != ']') {
      problem = "opens a section without closing it with ]";
      return false;
    }
    std::string name = Trim(line.substr(1, line.size() - 2));
    std::string lower = LowerAscii(name);
    if (lower == "letters") section_ = Section::Letters;
    else if (lower == "mappings") section_ = Section::Mappings;
    else if (lower == "events") section_ = Section::Events;
    else if (lower.rfind("share", 0) == 0 && lower.size() > 5 && (lower[5] == ' ' || lower[5] == '\t')) {
      std::string path = SimTrimBackslashes(Trim(name.substr(5)));
      if (!IsShare(path)) {
        problem = "names no share: write [Share \\\\server\\share]";
        return false;
      }
      section_ = Section::Share;
      // A share named twice is one share (names without regard to case).
      share_ = network_.Shares.size();
      for (size_t index = 0; index < network_.Shares.size(); ++index)
        if (SameTextAscii(network_.Shares[index].Path, path)) share_ = index;
      if (share_ == network_.Shares.size()) {
        network_.Shares.push_back(SimNetworkFileShare{});
        network_.Shares.back().Path = path;
      }
    } else {
      problem = "is an unknown section: [Letters], [Mappings], [Share \\\\server\\share] or [Events]";
      return false;
    }
    return true;
  }

  bool Letter(const std::string& key, const std::string& value, std::string& problem) {
    char drive = DriveOf(key);
    uint32_t type = 0;
    if (drive == 0) {
      problem = "needs a drive letter A to Z before the =";
      return false;
    }
    if (!DriveTypeOf(value, type)) {
      problem = "needs fixed, removable, cdrom, ramdisk or unknown after the =";
      return false;
    }
    std::erase_if(network_.Letters, [&](const SimNetworkFile::Letter& known) { return known.Drive == drive; });
    network_.Letters.push_back({drive, type});
    return true;
  }

  bool Mapping(const std::string& key, const std::string& value, std::string& problem) {
    char drive = DriveOf(key);
    if (drive == 0) {
      problem = "needs a drive letter A to Z before the =";
      return false;
    }
    std::string server, share;
    if (!SimSplitUnc(value, server, share) || share.empty()) {
      problem = "needs a network location \\\\server\\share after the =";
      return false;
    }
    std::erase_if(network_.Mappings, [&](const SimNetworkFile::Mapping& known) { return known.Drive == drive; });
    network_.Mappings.push_back({drive, SimTrimBackslashes(value)});
    return true;
  }

  bool ShareKey(const std::string& key, const std::string& value, std::string& problem) {
    std::string name = LowerAscii(key);
    SimNetworkFileShare* share = &network_.Shares[share_];
    uint64_t number = 0;
    if (name == "user") {
      share->User = value;
    } else if (name == "password") {
      share->Password = value;
    } else if (name == "online" || name == "openfiles") {
      if (!ReadNumber(value, 1, number)) {
        problem = "needs 0 or 1 after the =";
        return false;
      }
      (name == "online" ? share->Online : share->OpenFiles) = number == 1;
    } else if (name == "totalmb" || name == "freemb") {
      if (!ReadNumber(value, MaxMegabytes, number)) {
        problem = "needs a number of megabytes after the =";
        return false;
      }
      (name == "totalmb" ? share->TotalMB : share->FreeMB) = number;
    } else if (name == "delayms") {
      if (!ReadNumber(value, MaxSimDelayMs, number)) {
        problem = "needs a number of milliseconds from 0 to " + std::to_string(MaxSimDelayMs) + " after the =";
        return false;
      }
      share->DelayMs = static_cast<uint32_t>(number);
    } else {
      problem = "is an unknown key: Online, User, Password, TotalMB, FreeMB, OpenFiles or DelayMs";
      return false;
    }
    return true;
  }

  bool Event(const std::string& key, const std::string& value, std::string& problem) {
    const std::string name = LowerAscii(key);
    if (name == "networkchange" || name == "resume") {
      (name == "resume" ? network_.Resume : network_.NetworkChange) = value;
      return true;
    }
    if (name != "vanish") {
      problem = "is an unknown event: Vanish, NetworkChange or Resume";
      return false;
    }
    std::string letters;
    for (char c : value) {
      if (c == ' ' || c == ',' || c == ':') continue;
      char drive = DriveOf(std::string(1, c));
      if (drive == 0) {
        problem = "needs drive letters such as H or HK after Vanish=";
        return false;
      }
      if (letters.find(drive) == std::string::npos) letters += drive;
    }
    network_.Vanish = letters;
    return true;
  }

  SimNetworkFile& network_;
  Section section_ = Section::None;
  size_t share_ = 0;
};

}  // namespace

bool ReadSimNetworkFile(const std::string& text, SimNetworkFile& network, std::string& reason) {
  network = SimNetworkFile{};
  Reader reader(network);
  std::istringstream lines(text);
  std::string line, problem;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    if (line.find('\0') != std::string::npos) {
      reason = "line " + std::to_string(number) + " holds binary data";
      network = SimNetworkFile{};
      return false;
    }
    if (!reader.Line(line, problem)) {
      reason = "line " + std::to_string(number) + " (" + Trim(line).substr(0, 80) + ") " + problem;
      network = SimNetworkFile{};
      return false;
    }
  }
  if (!reader.Finish(problem)) {
    reason = problem;
    network = SimNetworkFile{};
    return false;
  }
  return true;
}

#include "platform/sim/SimText.h"

int SimDriveIndex(const char* text) {
  if (text == nullptr || text[0] == '\0' || text[1] != ':') return -1;
  char letter = text[0];
  if (letter >= 'a' && letter <= 'z') return letter - 'a';
  if (letter >= 'A' && letter <= 'Z') return letter - 'A';
  return -1;
}

bool SimSplitUnc(const std::string& text, std::string& server, std::string& share) {
  if (text.size() < 3 || text[0] != '\\' || text[1] != '\\') return false;
  size_t serverEnd = text.find('\\', 2);
  server = text.substr(2, serverEnd == std::string::npos ? std::string::npos : serverEnd - 2);
  if (server.empty()) return false;
  share.clear();
  if (serverEnd != std::string::npos) {
    size_t shareEnd = text.find('\\', serverEnd + 1);
    share = text.substr(serverEnd + 1,
                        shareEnd == std::string::npos ? std::string::npos : shareEnd - serverEnd - 1);
  }
  return true;
}

std::string SimTrimBackslashes(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

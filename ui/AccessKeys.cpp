#include "ui/AccessKeys.h"

#include <set>

namespace {
char KeyOf(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool CanBeKey(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// The index of the character after a single '&', or npos ("&&" is a plain '&').
size_t MarkedKey(const std::string& caption) {
  for (size_t at = 0; at + 1 < caption.size(); ++at) {
    if (caption[at] != '&') continue;
    if (caption[at + 1] != '&') return at + 1;
    ++at;
  }
  return std::string::npos;
}
}  // namespace

std::vector<std::string> WithAccessKeys(std::vector<std::string> captions) {
  std::set<char> used;
  for (const std::string& caption : captions)
    if (size_t at = MarkedKey(caption); at != std::string::npos) used.insert(KeyOf(caption[at]));
  for (std::string& caption : captions) {
    if (caption == "-" || MarkedKey(caption) != std::string::npos) continue;
    for (size_t at = 0; at < caption.size(); ++at) {
      if (!CanBeKey(caption[at]) || used.count(KeyOf(caption[at])) != 0) continue;
      used.insert(KeyOf(caption[at]));
      caption = caption.substr(0, at) + "&" + caption.substr(at);
      break;
    }
  }
  return captions;
}

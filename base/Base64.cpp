#include "base/Base64.h"

#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string Base64Encode(const std::string& bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t left = bytes.size() - i;
    uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
    if (left > 1) group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    if (left > 2) group |= static_cast<uint8_t>(bytes[i + 2]);
    out += kAlphabet[(group >> 18) & 63];
    out += kAlphabet[(group >> 12) & 63];
    out += left > 1 ? kAlphabet[(group >> 6) & 63] : '=';
    out += left > 2 ? kAlphabet[group & 63] : '=';
  }
  return out;
}

std::string Base64Decode(const std::string& text) {
  std::string out;
  bool partialPending = false;  // out.back() is a partial byte
  size_t position = 0;          // position within the group of four
  for (char c : text) {
    if (c == '=') {
      if (partialPending && out.back() == '\0') out.pop_back();
      break;
    }
    const int value = Base64Value(c);
    if (value < 0) break;
    const auto v = static_cast<uint8_t>(value);
    switch (position) {
      case 0:
        out += static_cast<char>(v << 2);
        partialPending = true;
        break;
      case 1:
        out.back() = static_cast<char>(static_cast<uint8_t>(out.back()) | (v >> 4));
        out += static_cast<char>((v & 0x0F) << 4);
        break;
      case 2:
        out.back() = static_cast<char>(static_cast<uint8_t>(out.back()) | (v >> 2));
        out += static_cast<char>((v & 0x03) << 6);
        break;
      case 3:
        out.back() = static_cast<char>(static_cast<uint8_t>(out.back()) | v);
        partialPending = false;
        break;
    }
    position = (position + 1) % 4;
  }
  return out;
}

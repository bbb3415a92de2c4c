#include "data/PasswordScrambler.h"

#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The key advances with the scrambled byte in both directions, so one loop serves both.
std::string RunningKeyXor(const std::string& bytes, bool scrambling) {
  std::string out(bytes.size(), '\0');
  uint16_t key = 23117;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto in = static_cast<uint8_t>(bytes[i]);
    const auto result = static_cast<uint8_t>(in ^ (key >> 8));
    const uint8_t scrambled = scrambling ? result : in;
    key = static_cast<uint16_t>((scrambled + key) * 40627u + 28151u);
    out[i] = static_cast<char>(result);
  }
  return out;
}

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

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Stops at "=" or at the first foreign character. Bits that do not complete a byte are
// kept as a last, partial byte, which "=" drops when it is 0.
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

}  // namespace

std::string ScramblePassword(const std::string& password) {
  return Base64Encode(RunningKeyXor(password, true));
}

std::string UnscramblePassword(const std::string& stored) {
  return RunningKeyXor(Base64Decode(stored), false);
}

#include "data/PasswordScrambler.h"

#include <cstdint>

#include "base/Base64.h"

namespace {

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

}  // namespace

std::string ScramblePassword(const std::string& password) {
  return Base64Encode(RunningKeyXor(password, true));
}

std::string UnscramblePassword(const std::string& stored) {
  return RunningKeyXor(Base64Decode(stored), false);
}

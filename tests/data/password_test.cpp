// Stored passwords: the exact stored form other versions read, and the way back.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "data/PasswordScrambler.h"

namespace {

// A second, deliberately plain rendering of the stored form: XOR with the key's high byte,
// key advanced with the output byte, then Base64 through a bit buffer.
std::string ReferenceStoredForm(const std::string& password) {
  static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string scrambled;
  unsigned key = 23117;
  for (unsigned char b : password) {
    unsigned c = b ^ (key / 256);
    scrambled += static_cast<char>(c);
    key = ((c + key) * 40627 + 28151) % 65536;
  }
  std::string out;
  unsigned buffer = 0;
  int bits = 0;
  for (unsigned char c : scrambled) {
    buffer = (buffer << 8) | c;
    bits += 8;
    while (bits >= 6) {
      bits -= 6;
      out += alphabet[(buffer >> bits) & 63];
    }
  }
  if (bits > 0) out += alphabet[(buffer << (6 - bits)) & 63];
  while (out.size() % 4 != 0) out += '=';
  return out;
}

std::string RandomBytes(std::mt19937& random, size_t length) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes;
  for (size_t i = 0; i < length; ++i) bytes += static_cast<char>(byte(random));
  return bytes;
}

TEST(StoredPasswords, AreTheBytesOtherVersionsWrite) {
  // Worked out by hand: key 23117 = 0x5A4D, 'a' ^ 0x5A = 0x3B; the key becomes 0xAB0F,
  // 'b' ^ 0xAB = 0xC9; Base64 of 3B C9 is "O8k=".
  EXPECT_EQ(ScramblePassword("a"), "Ow==");
  EXPECT_EQ(ScramblePassword("ab"), "O8k=");
  EXPECT_EQ(ScramblePassword("abc"), "O8mG");
  EXPECT_EQ(ScramblePassword("secret"), "Kefp7DZ/");
  EXPECT_EQ(ScramblePassword("P\xE4ss w\"rd"), "Cq7zK/UFamrl");
  EXPECT_EQ(ScramblePassword(""), "");

  std::mt19937 random(20261208);
  for (size_t length = 1; length <= 300; ++length) {
    const std::string password = RandomBytes(random, length);
    const std::string stored = ScramblePassword(password);
    ASSERT_EQ(stored, ReferenceStoredForm(password)) << "length " << length;
    ASSERT_EQ(stored.size() % 4, 0u);
  }
}

TEST(StoredPasswords, EveryPasswordComesBackWhateverItsLength) {
  std::mt19937 random(7);
  for (size_t length : {1u, 2u, 3u, 4u, 254u, 255u, 256u, 257u, 1000u, 5000u}) {
    for (int round = 0; round < 20; ++round) {
      const std::string password = RandomBytes(random, length);
      ASSERT_EQ(UnscramblePassword(ScramblePassword(password)), password) << "length " << length;
    }
  }
  const std::string zeros(17, '\0');
  EXPECT_EQ(UnscramblePassword(ScramblePassword(zeros)), zeros);
  EXPECT_EQ(UnscramblePassword(ScramblePassword("\xFF\xFF\xFF")), "\xFF\xFF\xFF");
  EXPECT_EQ(UnscramblePassword(""), "");
}

TEST(StoredPasswords, DamagedStoredFormsGiveWhatTheirValidStartHolds) {
  // Decoding stops at the first character outside the alphabet.
  EXPECT_EQ(UnscramblePassword("Kefp!DZ/"), "sec");
  EXPECT_EQ(UnscramblePassword("O8mG O8mG"), "abc");
  EXPECT_EQ(UnscramblePassword("Kefp7DZ/\r\n"), "secret");
  EXPECT_EQ(UnscramblePassword("!Kefp7DZ/"), "");
  EXPECT_EQ(UnscramblePassword("="), "");
  // Text after "=" is ignored.
  EXPECT_EQ(UnscramblePassword("O8k=Kefp7DZ/"), "ab");
  EXPECT_EQ(UnscramblePassword("Ow==junk"), "a");

  // Bits that do not complete a byte are kept as a last byte; "=" drops it only when it is 0.
  const std::string unpadded = UnscramblePassword("O8k");
  ASSERT_EQ(unpadded.size(), 3u);
  EXPECT_EQ(unpadded.substr(0, 2), "ab");
  const std::string nonZeroTail = UnscramblePassword("Ox==");  // 'x' leaves 0x10 over
  ASSERT_EQ(nonZeroTail.size(), 2u);
  EXPECT_EQ(nonZeroTail[0], 'a');
  EXPECT_EQ(UnscramblePassword("O").size(), 1u);
}

}  // namespace

#include "platform/sim/SimDataProtection.h"

#include <cstdint>
#include <utility>

namespace {

constexpr char kMagic[] = "SDP1";
constexpr size_t kMagicSize = 4;
constexpr size_t kTagSize = 8;

uint64_t Fnv1a(const std::string& text, uint64_t hash = 14695981039346656037ull) {
  for (const char c : text) {
    hash ^= static_cast<uint8_t>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string Bytes(uint64_t value) {
  std::string bytes(kTagSize, '\0');
  for (size_t i = 0; i < kTagSize; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
  return bytes;
}

// The secret XORed with a stream that only this account and entropy give.
std::string Stream(const std::string& data, uint64_t seed) {
  std::string out(data);
  for (size_t i = 0; i < out.size(); ++i) {
    seed += 0x9E3779B97F4A7C15ull;  // splitmix64
    uint64_t z = seed;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    out[i] = static_cast<char>(static_cast<uint8_t>(out[i]) ^ static_cast<uint8_t>(z ^ (z >> 31)));
  }
  return out;
}

// Layout: magic, account tag, check of account + entropy + secret, sealed secret.
std::string AccountTag(const std::string& account) { return Bytes(Fnv1a(account)); }
uint64_t Seed(const std::string& account, const std::string& entropy) {
  return Fnv1a(entropy, Fnv1a(account + '\n'));
}
std::string Check(const std::string& account, const std::string& entropy, const std::string& secret) {
  return Bytes(Fnv1a(secret, Seed(account, entropy)));
}

}  // namespace

bool SimDataProtection::Protect(const std::string& secret, const std::string& entropy, std::string& sealed) {
  if (failProtect_) return false;
  sealed = std::string(kMagic, kMagicSize) + AccountTag(account_) + Check(account_, entropy, secret) +
           Stream(secret, Seed(account_, entropy));
  return true;
}

bool SimDataProtection::Unprotect(const std::string& sealed, const std::string& entropy, std::string& secret) {
  const size_t header = kMagicSize + 2 * kTagSize;
  if (sealed.size() < header || sealed.compare(0, kMagicSize, kMagic) != 0) return false;
  if (sealed.compare(kMagicSize, kTagSize, AccountTag(account_)) != 0) return false;
  std::string opened = Stream(sealed.substr(header), Seed(account_, entropy));
  if (sealed.compare(kMagicSize + kTagSize, kTagSize, Check(account_, entropy, opened)) != 0) return false;
  secret = std::move(opened);
  return true;
}

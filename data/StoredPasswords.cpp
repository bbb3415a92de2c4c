#include "data/StoredPasswords.h"

#include "base/Base64.h"
#include "data/PasswordScrambler.h"
#include "platform/DataProtection.h"

namespace {

// Mixed into every seal: another program of the same user cannot open our values with a
// bare CryptUnprotectData. Changing it makes every stored password unreadable.
const std::string kEntropy = "Quillbay stored password";

constexpr size_t kMarkLength = sizeof(kProtectedPasswordMark) - 1;

}  // namespace

bool IsProtectedPassword(const std::string& stored) {
  return stored.compare(0, kMarkLength, kProtectedPasswordMark) == 0;
}

bool ProtectPassword(DataProtection& protection, const std::string& password, std::string& stored) {
  stored.clear();
  if (password.empty()) return true;
  std::string sealed;
  if (!protection.Protect(password, kEntropy, sealed)) return false;
  stored = kProtectedPasswordMark + Base64Encode(sealed);
  return true;
}

TStoredPassword ReadStoredPassword(DataProtection& protection, const std::string& stored) {
  TStoredPassword result;
  if (!IsProtectedPassword(stored)) {
    result.Password = UnscramblePassword(stored);
    return result;
  }
  result.Unreadable = !protection.Unprotect(Base64Decode(stored.substr(kMarkLength)), kEntropy, result.Password);
  if (result.Unreadable) result.Password.clear();
  return result;
}

bool HasUnreadablePassword(const TNetworkDriveItem& drive) {
  if (drive.Password.empty() && !drive.UnreadablePassword.empty()) return true;
  for (const auto& volume : drive.TrueCryptVolumesList)
    if (volume->Password.empty() && !volume->UnreadablePassword.empty()) return true;
  return false;
}

#include "platform/win32/Win32DataProtection.h"

#include "platform/win32/WindowsApi.h"

namespace {

DATA_BLOB Blob(const std::string& bytes) {
  DATA_BLOB blob;
  blob.cbData = static_cast<DWORD>(bytes.size());
  blob.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()));
  return blob;
}

// Takes the system's output and frees it; a secret's copy is wiped before it goes.
std::string TakeOutput(DATA_BLOB& out, bool wipe) {
  std::string bytes(reinterpret_cast<const char*>(out.pbData), out.cbData);
  if (wipe) SecureZeroMemory(out.pbData, out.cbData);
  LocalFree(out.pbData);
  return bytes;
}

}  // namespace

bool Win32DataProtection::Protect(const std::string& secret, const std::string& entropy, std::string& sealed) {
  DATA_BLOB in = Blob(secret);
  DATA_BLOB extra = Blob(entropy);
  DATA_BLOB out{};
  if (!CryptProtectData(&in, L"", &extra, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) return false;
  sealed = TakeOutput(out, false);
  return true;
}

bool Win32DataProtection::Unprotect(const std::string& sealed, const std::string& entropy, std::string& secret) {
  DATA_BLOB in = Blob(sealed);
  DATA_BLOB extra = Blob(entropy);
  DATA_BLOB out{};
  if (!CryptUnprotectData(&in, nullptr, &extra, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) return false;
  secret = TakeOutput(out, true);
  return true;
}

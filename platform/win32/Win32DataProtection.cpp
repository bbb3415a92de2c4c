#include "platform/win32/Win32DataProtection.h"

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WindowsApi.h"

namespace {

// Loaded at the first password, not at every start.
struct CryptFunctions {
  decltype(&CryptProtectData) Protect = nullptr;
  decltype(&CryptUnprotectData) Unprotect = nullptr;
};

const CryptFunctions& Crypt() {
  static const CryptFunctions functions = [] {
    CryptFunctions found;
    HMODULE crypt32 = LoadSystemLibrary("crypt32.dll");
    found.Protect = FindFunction<decltype(&CryptProtectData)>(crypt32, "CryptProtectData");
    found.Unprotect = FindFunction<decltype(&CryptUnprotectData)>(crypt32, "CryptUnprotectData");
    return found;
  }();
  return functions;
}

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
  if (Crypt().Protect == nullptr) return false;
  if (!Crypt().Protect(&in, L"", &extra, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) return false;
  sealed = TakeOutput(out, false);
  return true;
}

bool Win32DataProtection::Unprotect(const std::string& sealed, const std::string& entropy, std::string& secret) {
  DATA_BLOB in = Blob(sealed);
  DATA_BLOB extra = Blob(entropy);
  DATA_BLOB out{};
  if (Crypt().Unprotect == nullptr) return false;
  if (!Crypt().Unprotect(&in, nullptr, &extra, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) return false;
  secret = TakeOutput(out, true);
  return true;
}

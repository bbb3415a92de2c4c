#pragma once
#include <string>

// Secrets sealed for the logged-on Windows user (the data-protection API): only the same
// account, on its machine or with its roaming profile, can open them again.
class DataProtection {
 public:
  virtual ~DataProtection() = default;
  // CryptProtectData without user interface, with entropy as extra entropy; false when the
  // system refuses (no profile loaded, the service not running).
  virtual bool Protect(const std::string& secret, const std::string& entropy, std::string& sealed) = 0;
  // CryptUnprotectData: false when the data was sealed by another account or on another
  // machine, with other entropy, or is damaged.
  virtual bool Unprotect(const std::string& sealed, const std::string& entropy, std::string& secret) = 0;
};

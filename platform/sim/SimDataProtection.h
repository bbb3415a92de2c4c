#pragma once
#include <string>

#include "platform/DataProtection.h"

// A stand-in for the data-protection API, bound to an account as the real one is: what
// one account sealed, another cannot open. Not secure; it only keeps the secret's bytes
// out of what it seals, as the real one does.
class SimDataProtection : public DataProtection {
 public:
  bool Protect(const std::string& secret, const std::string& entropy, std::string& sealed) override;
  bool Unprotect(const std::string& sealed, const std::string& entropy, std::string& secret) override;

  // The logged-on account ("PC\alice" at first).
  void SetAccount(const std::string& account) { account_ = account; }
  // Protect refuses, as when no user profile is loaded.
  void FailProtect(bool fail) { failProtect_ = fail; }

 private:
  std::string account_ = "PC\\alice";
  bool failProtect_ = false;
};

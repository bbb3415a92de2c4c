#pragma once
#include "platform/DataProtection.h"

class Win32DataProtection : public DataProtection {
 public:
  bool Protect(const std::string& secret, const std::string& entropy, std::string& sealed) override;
  bool Unprotect(const std::string& sealed, const std::string& entropy, std::string& secret) override;
};

#pragma once
#include <string>

#include "data/NetworkDrives.h"

class DataProtection;

// A password the user stores is kept in the user's own file sealed for the logged-on
// Windows user, as Base64 behind this mark. An older version unscrambles the value and
// stops at the mark's first character, which is outside the alphabet: it reads no
// password, never another one.
inline constexpr char kProtectedPasswordMark[] = "!protected:";

bool IsProtectedPassword(const std::string& stored);

// The protected stored form; empty for an empty password. False when the system refuses.
bool ProtectPassword(DataProtection& protection, const std::string& password, std::string& stored);

struct TStoredPassword {
  std::string Password;
  bool Unreadable = false;  // protected by another account or on another machine, or damaged
};
// A protected value opened for this account; any other value unscrambled (older files,
// Deployment.ini).
TStoredPassword ReadStoredPassword(DataProtection& protection, const std::string& stored);

// The drive, or one of its volumes, is used without the password its file holds, because
// this account cannot read it.
bool HasUnreadablePassword(const TNetworkDriveItem& drive);

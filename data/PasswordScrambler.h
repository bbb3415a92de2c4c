#pragma once
#include <string>

// Stored form of a password: a running-key XOR over its bytes, then Base64.
std::string ScramblePassword(const std::string& password);
// The reverse; never fails (decoding stops at the first character outside the alphabet).
std::string UnscramblePassword(const std::string& stored);

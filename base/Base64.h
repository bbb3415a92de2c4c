#pragma once
#include <string>

// Base64 with the standard alphabet and "=" padding, without line breaks.
std::string Base64Encode(const std::string& bytes);
// Never fails: decoding stops at "=" or at the first character outside the alphabet. Bits
// that do not complete a byte are kept as a last, partial byte, which "=" drops when it is 0.
std::string Base64Decode(const std::string& text);

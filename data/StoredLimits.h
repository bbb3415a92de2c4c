#pragma once
#include <cstddef>

// The longest value the configuration file gives back whole: the profile functions read
// into a 2048-byte buffer, terminating NUL included.
constexpr std::size_t MaxStoredValueLength = 2047;

// The longest password whose scrambled form (Deployment.ini, older files) reads back
// whole; the protected form is read whole, so the limit holds for it too. The scrambled
// form of this length is 2048 characters ending in "==": the read cuts the last "=", and
// the one left still ends the decoding in the same place. One byte more ends in a single
// "=", which the cut removes, and the password comes back with a byte too many.
constexpr std::size_t MaxPasswordLength = 1534;

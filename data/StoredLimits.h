#pragma once
#include <cstddef>

// The longest value the configuration file gives back whole: the profile functions read
// into a 2048-byte buffer, terminating NUL included.
constexpr std::size_t MaxStoredValueLength = 2047;

// The longest password whose scrambled form fits in MaxStoredValueLength.
constexpr std::size_t MaxPasswordLength = 1533;

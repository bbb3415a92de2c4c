#pragma once
#include <cstdint>

// The letter of the lowest set bit of a volume unit mask (bit 0 is A); 0 for an empty mask.
char DriveLetterFromMask(uint32_t unitMask);

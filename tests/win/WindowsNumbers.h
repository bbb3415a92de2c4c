#pragma once
// Windows' numbers as windows.h defines them, for comparison with the portable
// platform/WinTypes.h, which cannot be included together with windows.h.
#include <cstdint>
#include <map>
#include <string>

std::map<std::string, uint64_t> WindowsHeaderNumbers();

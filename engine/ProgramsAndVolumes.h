#pragma once
#include <string>

class TTrueCryptVolumeItem;

// Parameters of the TrueCrypt mount command for one volume. The volume and the password
// are quoted by the Windows command-line rules, so any text arrives as one argument.
std::string TrueCryptMountParameters(const TTrueCryptVolumeItem& volume);
// One argument quoted by the Windows command-line rules: "..." with each " as \" and the
// backslashes before a quote or before the closing quote doubled.
std::string QuoteCommandLineArgument(const std::string& text);

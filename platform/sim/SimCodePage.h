#pragma once
#include <string>

// Windows-1252, the ANSI code page of the simulated machine, converted exactly as
// MultiByteToWideChar and WideCharToMultiByte (without best-fit) do: the five bytes the
// code page leaves undefined map to the C1 controls of the same value, and characters
// the code page lacks become "?".
std::u16string Cp1252ToWide(const std::string& text);
std::string WideToCp1252(const std::u16string& text);

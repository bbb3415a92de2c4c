#pragma once
#include <string>
#include <vector>

// Menu captions with an access key each: a caption that has one ("&File") keeps it, the
// others get the first letter or digit no other entry of the same menu uses. "-" is a
// separator and stays as it is.
std::vector<std::string> WithAccessKeys(std::vector<std::string> captions);

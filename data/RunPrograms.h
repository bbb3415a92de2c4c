#pragma once
#include <string>

// A program to start once its drive has connected.
class TRunProgramItem {
 public:
  std::string Program;
  std::string Parameters;
};

#pragma once
#include <cstdint>

// ShellExecuteA with the main window as owner and no working directory.
// The result is the shell's instance value: above 31 means started.
class Shell {
 public:
  virtual ~Shell() = default;
  virtual intptr_t ShellExecute(const char* verb, const char* file, const char* parameters,
                                int showCommand) = 0;
};

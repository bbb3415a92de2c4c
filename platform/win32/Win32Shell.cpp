#include "platform/win32/Win32Shell.h"

intptr_t Win32Shell::ShellExecute(const char* verb, const char* file, const char* parameters, int showCommand) {
  return reinterpret_cast<intptr_t>(ShellExecuteA(owner_, verb, file, parameters, nullptr, showCommand));
}

#include "platform/sim/SimShell.h"

#include "platform/WinTypes.h"
#include "base/AsciiText.h"
#include "platform/sim/SimText.h"

intptr_t SimShell::ShellExecute(const char* verb, const char* file, const char* parameters, int showCommand) {
  SimProcessStart start;
  start.Verb = verb == nullptr ? "" : verb;
  start.File = file == nullptr ? "" : file;
  start.ParametersGiven = parameters != nullptr;
  start.Parameters = parameters == nullptr ? "" : parameters;
  start.ShowCommand = showCommand;
  start.AtMs = clock_.NowMs();
  uint32_t code = 0;
  auto refused = refused_.find(LowerAscii(start.File));
  if (faults_.Take("ShellExecute", -1, code))
    start.Result = static_cast<intptr_t>(code);
  else if (start.File.empty())
    start.Result = win::ERROR_FILE_NOT_FOUND;
  else if (refused != refused_.end())
    start.Result = refused->second;
  else
    start.Result = Started;
  starts_.push_back(start);
  return start.Result;
}

void SimShell::Refuse(const std::string& file, intptr_t result) { refused_[LowerAscii(file)] = result; }

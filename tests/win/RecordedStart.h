#pragma once
// Starts of RecordCommandLine.exe (built beside the test program), which writes down
// the command line it received; for tests of what really reaches a started program.
#include <cstdint>
#include <string>
#include <vector>

struct RecordedCommandLine {
  std::string CommandLine;                  // GetCommandLineA in the started program
  std::vector<std::string> CrtArguments;    // argv as the C runtime parsed it, program first
  std::vector<std::string> ShellArguments;  // CommandLineToArgvW's parse, program first
  // The arguments after the program, as the C runtime parsed them.
  std::vector<std::string> Parameters() const;
};

// Full path of RecordCommandLine.exe.
std::string RecordCommandLineProgram();

// Catches the record of the next start of RecordCommandLine.exe by this process
// (however it is started: the shell, the engine, ...): names a fresh record file
// through the environment that started programs inherit, and reads it back.
class CommandLineRecorder {
 public:
  CommandLineRecorder();
  ~CommandLineRecorder();  // removes the record and restores the environment
  CommandLineRecorder(const CommandLineRecorder&) = delete;
  CommandLineRecorder& operator=(const CommandLineRecorder&) = delete;

  // Polls for the record up to timeoutMs; false when none came.
  bool Wait(RecordedCommandLine& record, int timeoutMs = 10000);
  const std::string& RecordFile() const { return recordFile_; }

 private:
  std::string recordFile_;
  bool hadVariable_ = false;
  std::string previousValue_;
};

struct RecordedStart {
  intptr_t ShellResult = 0;  // ShellExecuteA's instance value
  bool Recorded = false;     // the program ran and wrote its record
  RecordedCommandLine Received;
};

// Starts RecordCommandLine.exe through the real shell (verb "open", no owner, no
// folder) with these parameters (null stays null) and waits for what it received.
RecordedStart StartRecordCommandLine(const char* parameters, int showCommand = 1 /* SW_SHOWNORMAL */);

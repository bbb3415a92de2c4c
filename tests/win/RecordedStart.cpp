#include "tests/win/RecordedStart.h"

#include <atomic>
#include <cstdio>
#include <sstream>

#include "platform/win32/Win32Shell.h"

namespace {

const char kRecordVariable[] = "QUILLBAY_RECORD_FILE";

std::string FolderOfThisProgram() {
  char path[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, length);
  const auto slash = folder.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

bool ReadWholeFile(const std::string& path, std::string& content) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  char chunk[4096];
  size_t got;
  content.clear();
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) content.append(chunk, got);
  std::fclose(file);
  return true;
}

// Reads "<label>=<count>" and then that many lines.
bool ReadList(std::istream& in, const std::string& label, std::vector<std::string>& items) {
  std::string line;
  if (!std::getline(in, line) || line.rfind(label + "=", 0) != 0) return false;
  const int count = std::stoi(line.substr(label.size() + 1));
  items.clear();
  for (int i = 0; i < count; ++i) {
    if (!std::getline(in, line)) return false;
    items.push_back(line);
  }
  return true;
}

bool ParseRecord(const std::string& content, RecordedCommandLine& record) {
  std::istringstream in(content);
  std::string line;
  if (!std::getline(in, line) || line.rfind("commandline=", 0) != 0) return false;
  record.CommandLine = line.substr(12);
  return ReadList(in, "crt", record.CrtArguments) && ReadList(in, "shell32", record.ShellArguments);
}

}  // namespace

std::vector<std::string> RecordedCommandLine::Parameters() const {
  if (CrtArguments.empty()) return {};
  return std::vector<std::string>(CrtArguments.begin() + 1, CrtArguments.end());
}

std::string RecordCommandLineProgram() { return FolderOfThisProgram() + "RecordCommandLine.exe"; }

CommandLineRecorder::CommandLineRecorder() {
  static std::atomic<unsigned> counter{0};
  char temp[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof temp, temp);
  recordFile_ = std::string(temp, length) + "QuillbayRecord-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter) + ".txt";
  DeleteFileA(recordFile_.c_str());

  char previous[32768];
  const DWORD previousLength = GetEnvironmentVariableA(kRecordVariable, previous, sizeof previous);
  hadVariable_ = previousLength > 0 && previousLength < sizeof previous;
  if (hadVariable_) previousValue_.assign(previous, previousLength);
  SetEnvironmentVariableA(kRecordVariable, recordFile_.c_str());
}

CommandLineRecorder::~CommandLineRecorder() {
  SetEnvironmentVariableA(kRecordVariable, hadVariable_ ? previousValue_.c_str() : nullptr);
  DeleteFileA(recordFile_.c_str());
}

bool CommandLineRecorder::Wait(RecordedCommandLine& record, int timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  for (;;) {
    std::string content;
    // The helper renames a finished record into place, so a record that exists is whole.
    if (ReadWholeFile(recordFile_, content)) return ParseRecord(content, record);
    if (GetTickCount64() >= deadline) return false;
    Sleep(20);
  }
}

RecordedStart StartRecordCommandLine(const char* parameters, int showCommand) {
  CommandLineRecorder recorder;
  Win32Shell shell;
  RecordedStart start;
  const std::string program = RecordCommandLineProgram();
  start.ShellResult = shell.ShellExecute("open", program.c_str(), parameters, showCommand);
  if (start.ShellResult > 32) start.Recorded = recorder.Wait(start.Received);
  return start;
}

// Records the command line this program was started with, so tests can see exactly
// what a real start through the shell delivered.
//
// The record goes to the file named by QUILLBAY_RECORD_FILE, or else to
// "RecordCommandLine.record.txt" beside this program. It is written under a
// temporary name and then renamed, so a reader polling for it never sees half of it.
//
// Format (one item per line):
//   commandline=<GetCommandLineA as received>
//   crt=<count>            followed by that many lines: argv as parsed by the C runtime
//   shell32=<count>        followed by that many lines: argv as parsed by CommandLineToArgvW
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string RecordFileName() {
  char fromEnvironment[MAX_PATH * 4];
  DWORD length = GetEnvironmentVariableA("QUILLBAY_RECORD_FILE", fromEnvironment, sizeof fromEnvironment);
  if (length > 0 && length < sizeof fromEnvironment)
    return fromEnvironment;
  char self[MAX_PATH * 4];
  length = GetModuleFileNameA(nullptr, self, sizeof self);
  std::string folder(self, length);
  const auto slash = folder.find_last_of("\\/");
  folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
  return folder + "RecordCommandLine.record.txt";
}

std::string Narrow(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1)
    return {};
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, result.data(), size, nullptr, nullptr);
  result.resize(static_cast<size_t>(size - 1));
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  std::string record = "commandline=";
  record += GetCommandLineA();
  record += "\ncrt=" + std::to_string(argc) + "\n";
  for (int i = 0; i < argc; ++i)
    record += std::string(argv[i]) + "\n";

  int wideCount = 0;
  LPWSTR* wideArgs = CommandLineToArgvW(GetCommandLineW(), &wideCount);
  record += "shell32=" + std::to_string(wideArgs ? wideCount : 0) + "\n";
  for (int i = 0; wideArgs && i < wideCount; ++i)
    record += Narrow(wideArgs[i]) + "\n";
  if (wideArgs)
    LocalFree(wideArgs);

  const std::string target = RecordFileName();
  const std::string temporary = target + ".part";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file)
    return 2;
  const bool written = std::fwrite(record.data(), 1, record.size(), file) == record.size();
  if (std::fclose(file) != 0 || !written) {
    DeleteFileA(temporary.c_str());
    return 3;
  }
  if (!MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(temporary.c_str());
    return 4;
  }
  return 0;
}

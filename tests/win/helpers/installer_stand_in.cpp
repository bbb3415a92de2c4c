// What the installer meets on a user's machine, for its tests:
//   installer_stand_in window <class> <record file>
//     another program's window of that class; every command, close or end-of-session
//     message and the installer's own message it receives is appended to the record
//     file. It ends only when killed.
//   installer_stand_in lock <file>
//     holds the file open with no sharing, as a running program or a virus scanner can,
//     until killed.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const char* recordFile = nullptr;
UINT installerClose = 0;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND || message == WM_CLOSE || message == WM_QUERYENDSESSION || message == WM_ENDSESSION ||
      (message == installerClose && installerClose != 0)) {
    if (FILE* record = std::fopen(recordFile, "a")) {
      std::fprintf(record, "message %u wParam %llu\n", message, static_cast<unsigned long long>(wParam));
      std::fclose(record);
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int ShowWindowOfClass(const char* className) {
  installerClose = RegisterWindowMessageA("QuillbayInstallerClose");
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = RecordingProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = className;
  if (RegisterClassA(&windowClass) == 0) return 1;
  if (CreateWindowExA(0, className, "Stand-in", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                      windowClass.hInstance, nullptr) == nullptr)
    return 1;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "window") == 0) {
    recordFile = argv[3];
    return ShowWindowOfClass(argv[2]);
  }
  if (argc == 3 && std::strcmp(argv[1], "lock") == 0) {
    HANDLE file = CreateFileA(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    std::puts("locked");
    std::fflush(stdout);
    Sleep(INFINITE);
  }
  std::fputs("usage: installer_stand_in window <class> <record file> | lock <file>\n", stderr);
  return 2;
}

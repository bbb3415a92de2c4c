// Quillbay.exe: the program on the real machine.
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32HelpLibrary.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Process.h"
#include "shell/win32/Win32WindowSystem.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  LoadLibrariesFromSystemFolderOnly();
  Win32Platform machine;
  Win32Process process;
  Win32HelpLibrary helpLibrary;
  TWin32WindowSystem windows(machine);
  return RunProgram(machine.platform(), process, helpLibrary, windows);
}

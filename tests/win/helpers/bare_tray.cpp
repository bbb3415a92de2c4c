// BareTray.exe: a window that only adds a notification-area icon; the yardstick the
// program's start time and memory are measured against. Ends on WM_CLOSE.
#include <windows.h>
#include <shellapi.h>

namespace {
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window;
    data.uID = 1;
    Shell_NotifyIconA(NIM_DELETE, &data);
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "BareTray";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "BareTray", "BareTray", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                instance, nullptr);
  NOTIFYICONDATAA data = {};
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = window;
  data.uID = 1;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_APP + 1;
  data.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
  lstrcpynA(data.szTip, "BareTray", sizeof(data.szTip));
  Shell_NotifyIconA(NIM_ADD, &data);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}

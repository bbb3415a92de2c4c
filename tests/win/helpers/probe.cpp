// QuillbayProbe.exe: looks at a running Quillbay from outside, through the Windows API only,
// as a user or a screen reader would, and works it the same way. One command per call:
//   windows                   every visible top-level window (class: title)
//   wait SECONDS              until the main window has its lists (prints its handle)
//   running                   exit code 0 while the main window exists, even before its lists
//   drives | messages         the rows of a list, cells separated by " | ", image first
//   status                    the status bar text
//   rect                      the main window's place on screen, WIDTHxHEIGHT+LEFT+TOP
//   shotrect                  the part of it the program draws (menu bar and client area)
//   visible                   1 when the main window is shown, else 0
//   menu TEXT                 runs the menu entry whose caption (without &) starts with TEXT
//   action NAME               runs the action (AMFileExit, ...) as its menu entry does
//   box SECONDS [BUTTON]      waits for a message box of the program, prints its text and
//                             presses BUTTON (OK, Yes, No; default: its first button)
//   nobox                     exit code 1 when a message box of the program is open
//   endsession                WM_QUERYENDSESSION, then WM_ENDSESSION (TRUE); prints both
//   close                     the close box (WM_CLOSE)
//   key F1                    presses F1 while the drive list has the keyboard
//   closetitled TITLE         closes the visible top-level window of that title
//   measure EXE               starts EXE; prints the ms until the notification area has one
//                             icon more, the working set (KB) 3 s after start, and the ms
//                             until it first waits for input (WaitForInputIdle); ends it
//   gone SECONDS              until the program's process has ended (exit code 1 if not)
//   pings SECONDS             a WM_NULL round trip to the main window every 100 ms (1 s at
//                             most each): prints "N sent, N answered, worst N ms"; exit code 1
//                             unless every one was answered
//   exittime SECONDS          the Exit command, then the ms until the main window has gone
//   runvalue NAME             the current user's autostart value of that name, in UTF-8
// Exit code 0 on success, 1 when what was asked for did not happen, 2 on a usage error.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kClass[] = "QuillbayMainWindow";

HWND MainWindow() { return FindWindowA(kClass, nullptr); }

HWND ListNamed(HWND main, const char* name) { return FindWindowExA(main, nullptr, WC_LISTVIEWA, name); }

// The window stands (with its icon) from the start; it takes commands once its lists exist.
HWND WaitMainWindow(double seconds) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(seconds * 1000);
  for (;;) {
    HWND window = MainWindow();
    if (window != nullptr && ListNamed(window, "ListViewNetworkDrives") != nullptr) return window;
    if (GetTickCount() > end) return nullptr;
    Sleep(100);
  }
}

// Memory in the program's process, for the messages that carry pointers.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, size_t size) : size_(size) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
    if (process_ != nullptr) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_ != nullptr) CloseHandle(process_);
  }
  bool Ok() const { return address_ != nullptr; }
  char* Address() const { return static_cast<char*>(address_); }
  bool Write(size_t offset, const void* data, size_t size) {
    return WriteProcessMemory(process_, Address() + offset, data, size, nullptr) != 0;
  }
  bool Read(size_t offset, void* data, size_t size) {
    return ReadProcessMemory(process_, Address() + offset, data, size, nullptr) != 0;
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  size_t size_;
};

std::string Cell(HWND list, RemoteBuffer& remote, int row, int column, int* image) {
  constexpr size_t kText = 1024;
  LVITEMA item = {};
  item.mask = LVIF_TEXT | (image != nullptr ? LVIF_IMAGE : 0);
  item.iItem = row;
  item.iSubItem = column;
  item.pszText = remote.Address() + sizeof(LVITEMA);
  item.cchTextMax = kText;
  char empty = 0;
  remote.Write(sizeof(LVITEMA), &empty, 1);
  remote.Write(0, &item, sizeof(item));
  SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.Address()));
  remote.Read(0, &item, sizeof(item));
  std::vector<char> text(kText + 1, 0);
  remote.Read(sizeof(LVITEMA), text.data(), kText);
  if (image != nullptr) *image = item.iImage;
  return text.data();
}

int PrintList(const char* name) {
  HWND main = MainWindow();
  HWND list = main ? ListNamed(main, name) : nullptr;
  if (list == nullptr) return 1;
  RemoteBuffer remote(list, sizeof(LVITEMA) + 1100);
  if (!remote.Ok()) return 1;
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  const int columns = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
  const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < rows; ++row) {
    int image = -1;
    std::string line = Cell(list, remote, row, 0, &image);
    std::string cells = std::to_string(image);
    cells += " | " + line;
    for (int column = 1; column < columns; ++column) cells += " | " + Cell(list, remote, row, column, nullptr);
    std::printf("%s\n", cells.c_str());
  }
  return 0;
}

std::string Plain(const char* caption) {
  std::string text;
  for (const char* c = caption; *c != '\0' && *c != '\t'; ++c)
    if (*c != '&') text += *c;
  return text;
}

UINT FindCommand(HMENU menu, const std::string& wanted) {
  const int count = GetMenuItemCount(menu);
  for (int position = 0; position < count; ++position) {
    if (HMENU sub = GetSubMenu(menu, position)) {
      if (UINT id = FindCommand(sub, wanted)) return id;
      continue;
    }
    char caption[256] = "";
    GetMenuStringA(menu, position, caption, sizeof(caption), MF_BYPOSITION);
    if (Plain(caption).rfind(wanted, 0) == 0) return GetMenuItemID(menu, position);
  }
  return 0;
}

struct BoxSearch {
  DWORD process;
  HWND found;
};

// A message box of the program: a dialog of the main window's process, or before there is
// a main window (a refused second instance), a dialog titled "Quillbay".
HWND FindBox() {
  HWND main = MainWindow();
  BoxSearch search = {0, nullptr};
  if (main == nullptr) return FindWindowA("#32770", "Quillbay");
  GetWindowThreadProcessId(main, &search.process);
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* search = reinterpret_cast<BoxSearch*>(data);
        char name[64] = "";
        GetClassNameA(window, name, sizeof(name));
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == search->process && std::strcmp(name, "#32770") == 0 && IsWindowVisible(window)) {
          search->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  // A second instance refused has a box of its own process.
  return search.found != nullptr ? search.found : FindWindowA("#32770", "Quillbay");
}

int Box(double seconds, const char* button) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(seconds * 1000);
  HWND box = nullptr;
  char text[2048] = "";
  // A box still being built has no text yet: it is taken once it has.
  for (;;) {
    box = FindBox();
    text[0] = '\0';
    if (box != nullptr) GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));  // the text of a message box
    if (text[0] != '\0') break;
    if (GetTickCount() > end) return 1;
    Sleep(100);
  }
  std::printf("%s\n", text);
  std::fflush(stdout);
  int id = IDOK;
  if (button != nullptr) {
    if (_stricmp(button, "Yes") == 0) id = IDYES;
    else if (_stricmp(button, "No") == 0) id = IDNO;
  } else if (GetDlgItem(box, IDOK) == nullptr && GetDlgItem(box, IDYES) != nullptr) {
    id = IDYES;
  }
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
  // Gone before the next call looks, so that it cannot take this box for the next one.
  for (int waited = 0; waited < 100 && IsWindow(box) && IsWindowVisible(box); ++waited) Sleep(50);
  return 0;
}

double MsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return (now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
}

int Pings(HWND main, double seconds) {
  if (main == nullptr) return 1;
  int sent = 0, answered = 0;
  double worst = 0;
  LARGE_INTEGER begin;
  QueryPerformanceCounter(&begin);
  while (MsSince(begin) < seconds * 1000) {
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    DWORD_PTR result = 0;
    ++sent;
    if (SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0) ++answered;
    const double ms = MsSince(start);
    if (ms > worst) worst = ms;
    if (ms < 100) Sleep(static_cast<DWORD>(100 - ms));
  }
  std::printf("%d sent, %d answered, worst %.0f ms\n", sent, answered, worst);
  return answered == sent ? 0 : 1;
}

int ExitTime(HWND main, double seconds) {
  if (main == nullptr) return 1;
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  PostMessageA(main, WM_COMMAND, MAKEWPARAM(101, 0), 0);  // AMFileExit
  while (IsWindow(main)) {
    if (MsSince(start) > seconds * 1000) return 1;
    Sleep(5);
  }
  std::printf("%.0f\n", MsSince(start));
  return 0;
}

int Gone(double seconds) {
  HWND main = MainWindow();
  if (main == nullptr) return 0;
  DWORD id = 0;
  GetWindowThreadProcessId(main, &id);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
  if (process == nullptr) return 0;
  const DWORD result = WaitForSingleObject(process, static_cast<DWORD>(seconds * 1000));
  CloseHandle(process);
  return result == WAIT_OBJECT_0 ? 0 : 1;
}

// Icons of the notification area: Wine's tray shows each as a window of its own.
int TrayIcons() {
  HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
  if (tray == nullptr) tray = FindWindowA("Shell_TrayWnd", nullptr);
  if (tray == nullptr) return 0;
  int count = 0;
  EnumChildWindows(
      tray, [](HWND, LPARAM count) -> BOOL { ++*reinterpret_cast<int*>(count); return TRUE; },
      reinterpret_cast<LPARAM>(&count));
  return count + 1;  // the standalone tray appears with the first icon
}

int Measure(const char* exe) {
  const int before = TrayIcons();
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::string commandLine = std::string("\"") + exe + "\"";
  std::string folder = exe;
  folder = folder.substr(0, folder.find_last_of("\\/") == std::string::npos ? 0 : folder.find_last_of("\\/"));
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &process))
    return 1;
  // The first wait for input, when a click on the icon is answered, told by another
  // thread while this one watches for the icon.
  double idleMs = -1;
  std::thread idle([&] {
    if (WaitForInputIdle(process.hProcess, 30000) != 0) return;
    LARGE_INTEGER at;
    QueryPerformanceCounter(&at);
    idleMs = (at.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
  });
  double iconMs = -1;
  for (;;) {
    QueryPerformanceCounter(&now);
    const double ms = (now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
    if (TrayIcons() > before) {
      iconMs = ms;
      break;
    }
    if (ms > 30000) break;
    Sleep(1);
  }
  Sleep(3000);
  idle.join();
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(process.hProcess, &memory, sizeof(memory));
  std::printf("%.0f %lu %.0f\n", iconMs, static_cast<unsigned long>(memory.WorkingSetSize / 1024), idleMs);
  // Ended in order: the program by its Exit command, the yardstick by WM_CLOSE.
  if (HWND main = MainWindow()) PostMessageA(main, WM_COMMAND, MAKEWPARAM(101, 0), 0);
  if (HWND bare = FindWindowA("BareTray", nullptr)) PostMessageA(bare, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return iconMs < 0 ? 1 : 0;
}

// Read wide and printed as UTF-8, so that no character is lost on the way to the script.
int PrintRunValue(const char* name) {
  wchar_t wideName[256] = L"";
  MultiByteToWideChar(CP_UTF8, 0, name, -1, wideName, 256);
  wchar_t value[2048] = L"";
  DWORD size = sizeof(value) - sizeof(wchar_t);
  DWORD type = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", wideName,
                   RRF_RT_REG_SZ, &type, value, &size) != ERROR_SUCCESS)
    return 1;
  char text[4096] = "";
  WideCharToMultiByte(CP_UTF8, 0, value, -1, text, sizeof(text), nullptr, nullptr);
  std::fwrite(text, 1, std::strlen(text), stdout);
  std::fputc('\n', stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string command = argv[1];
  const double seconds = argc > 2 ? std::atof(argv[2]) : 10;
  if (command == "running") return MainWindow() != nullptr ? 0 : 1;  // also while it starts
  if (command == "wait") {
    HWND window = WaitMainWindow(seconds);
    if (window != nullptr) std::printf("%p\n", static_cast<void*>(window));
    return window != nullptr ? 0 : 1;
  }
  if (command == "windows") {  // every visible top-level window: class, title
    EnumWindows(
        [](HWND window, LPARAM) -> BOOL {
          char name[128] = "", title[256] = "";
          GetClassNameA(window, name, sizeof(name));
          GetWindowTextA(window, title, sizeof(title));
          if (IsWindowVisible(window)) std::printf("%s: %s\n", name, title);
          return TRUE;
        },
        0);
    return 0;
  }
  if (command == "drives") return PrintList("ListViewNetworkDrives");
  if (command == "messages") return PrintList("ListViewMessages");
  HWND main = MainWindow();
  if (command == "status") {
    HWND bar = main ? FindWindowExA(main, nullptr, STATUSCLASSNAMEA, nullptr) : nullptr;
    if (bar == nullptr) return 1;
    char text[1024] = "";
    SendMessageA(bar, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    std::printf("%s\n", text);
    return 0;
  }
  if (command == "rect") {  // the main window on the screen: WIDTHxHEIGHT+LEFT+TOP
    RECT rect;
    if (main == nullptr || !GetWindowRect(main, &rect)) return 1;
    std::printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
    return 0;
  }
  if (command == "shotrect") {  // what the window draws itself (menu bar and client), as rect does
    RECT client;
    if (main == nullptr || !GetClientRect(main, &client)) return 1;
    POINT corner = {0, 0};
    ClientToScreen(main, &corner);
    const int menu = GetMenu(main) != nullptr ? GetSystemMetrics(SM_CYMENU) : 0;
    std::printf("%ldx%ld+%ld+%ld\n", client.right, client.bottom + menu, corner.x, corner.y - menu);
    return 0;
  }
  if (command == "visible") {
    std::printf("%d\n", main != nullptr && IsWindowVisible(main) ? 1 : 0);
    return main != nullptr ? 0 : 1;
  }
  if (command == "menu" && argc > 2) {
    UINT id = main ? FindCommand(GetMenu(main), argv[2]) : 0;
    if (id == 0) return 1;
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return 0;
  }
  if (command == "action" && argc > 2) {
    // Wine does not let another process read a menu, so the command goes by its number:
    // the main window numbers the actions from 100 in the order of the action table.
    static const char* const actions[] = {
        "AMFileMinimizeRestore", "AMFileExit", "AMDrivesConnectDrives", "AMDrivesDisconnectDrives",
        "AMDrivesConnectSelectedDrive", "AMDrivesDisconnectSelectedDrive", "AMDrivesAddNetworkDrive",
        "AMDrivesRemoveNetworkDrive", "AMDrivesRemoveAllNetworkDrives", "AMDrivesNetworkDriveProperties",
        "AMDrivesOpenNetworkDrive", "AMToolsPreferences", "AMToolsImport", "AMToolsTrueCrypt", "AMHelpHelp",
        "AMHelpAbout"};
    if (main == nullptr) return 1;
    for (UINT index = 0; index < sizeof(actions) / sizeof(actions[0]); ++index)
      if (std::strcmp(actions[index], argv[2]) == 0) {
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(100 + index, 0), 0);
        return 0;
      }
    return 2;
  }
  if (command == "box") return Box(seconds, argc > 3 ? argv[3] : nullptr);
  if (command == "nobox") return FindBox() != nullptr ? 1 : 0;
  if (command == "close") {
    if (main == nullptr) return 1;
    PostMessageA(main, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command == "key" && argc > 2 && std::strcmp(argv[2], "F1") == 0) {
    HWND list = main ? FindWindowExA(main, nullptr, WC_LISTVIEWA, "ListViewNetworkDrives") : nullptr;
    if (list == nullptr) return 1;
    PostMessageA(list, WM_KEYDOWN, VK_F1, 1);
    PostMessageA(list, WM_KEYUP, VK_F1, 0xC0000001);
    return 0;
  }
  if (command == "closetitled" && argc > 2) {
    HWND window = FindWindowA(nullptr, argv[2]);
    if (window == nullptr || !IsWindowVisible(window)) return 1;
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command == "endsession") {
    if (main == nullptr) return 1;
    DWORD_PTR answer = 0;
    const DWORD start = GetTickCount();
    SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 20000, &answer);
    std::printf("query %d\n", static_cast<int>(answer));
    SendMessageTimeoutA(main, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 30000, &answer);
    std::printf("ended after %lu ms\n", static_cast<unsigned long>(GetTickCount() - start));
    return 0;
  }
  if (command == "gone") return Gone(seconds);
  if (command == "pings") return Pings(main, seconds);
  if (command == "exittime") return ExitTime(main, seconds);
  if (command == "measure" && argc > 2) return Measure(argv[2]);
  if (command == "runvalue" && argc > 2) return PrintRunValue(argv[2]);
  return 2;
}

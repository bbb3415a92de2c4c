// The real main window on the simulated machine: what the engine changes outside any
// window event reaches the controls, the keyboard reaches every command, and a move to a
// screen with another scale resizes what the window shows.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/win32/Win32UserInterface.h"
#include "support/MainWindowTest.h"
#include "ui/win32/MainWindow.h"

namespace {

const std::string kMedia = R"(\\nas\media)";

struct RealMainWindow : ::testing::Test, MainWindowTest {
  std::unique_ptr<TWin32MainWindow> window;

  TMainForm& Open(bool shown) {
    WriteConfiguration(With([&](TestPrefs& p) {
                         p.ConnectNetworkDrivesOnStartup = false;
                         p.MinimizeOnStartup = !shown;
                       }),
                       {{"H:", kMedia}});
    TMainForm& f = Start();
    help.LoadHtmlHelp();
    window = std::make_unique<TWin32MainWindow>(f);
    window->Create();
    Pump();
    return f;
  }
  HWND List(const char* name) const { return FindWindowExA(window->Handle(), nullptr, WC_LISTVIEWA, name); }
  // The message loop of the program, once through what is waiting.
  void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (!window->TranslateKeys(message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
    }
  }
  static std::string Cell(HWND list, int row, int column) {
    char text[512] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
  }
  static std::string StatusText(HWND main) {
    HWND bar = FindWindowExA(main, nullptr, STATUSCLASSNAMEA, nullptr);
    char text[512] = {};
    SendMessageA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    return text;
  }
  static MSG KeyDown(HWND target, WPARAM key) {
    MSG message = {};
    message.hwnd = target;
    message.message = WM_KEYDOWN;
    message.wParam = key;
    return message;
  }
};

// Steps taken from inside an open message box, one per tick of a timer.
struct BoxSteps {
  TMainForm* form = nullptr;
  HWND main = nullptr;
  int tick = 0;
  bool enabledUnderBox = false;
  int linesShownUnderBox = 0;
};
BoxSteps steps;

// The command of the window's menu bar whose caption (access key and shortcut aside) is
// `caption`; 0 if none.
UINT MenuCommand(HWND main, const std::string& caption) {
  HMENU bar = GetMenu(main);
  for (int top = 0; top < GetMenuItemCount(bar); ++top) {
    HMENU menu = GetSubMenu(bar, top);
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      char text[256] = {};
      GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      std::string shown;
      for (const char* c = text; *c && *c != '\t'; ++c)
        if (*c != '&') shown += *c;
      if (shown == caption) return GetMenuItemID(menu, i);
    }
  }
  return 0;
}

// The notification-area icon's messages, as the shell sends them to the window.
constexpr UINT kTrayMessage = WM_APP + 1;

// Set when a popup menu was found open (and closed) by the watch below.
bool menuWasOpen = false;
void CALLBACK CloseAnyMenu(HWND, UINT, UINT_PTR, DWORD) {
  HWND menu = FindWindowA("#32768", nullptr);
  if (menu && IsWindowVisible(menu)) {
    menuWasOpen = true;
    EndMenu();
  }
}

HWND OpenBox() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM out) {
    char name[16] = {};
    GetClassNameA(w, name, sizeof name);
    if (IsWindowVisible(w) && std::string(name) == "#32770") *reinterpret_cast<HWND*>(out) = w;
    return TRUE;
  }, reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace

// A question of the main window's own, left open while the keep-alive writes its lines
// every few seconds: the window draws them but stays disabled until the answer.
TEST_F(RealMainWindow, StaysDisabledUnderItsOwnQuestionWhileLinesArrive) {
  TMainForm& f = Open(true);
  Win32UserInterface boxes;  // the real message box, owned as the program's are
  boxes.SetOwner(window->Handle());
  steps = {&f, window->Handle()};
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
    HWND box = OpenBox();
    if (!box) return;
    ++steps.tick;
    if (steps.tick <= 3) {  // a line arrives, as a keep-alive run hands it over
      steps.form->AddMessage(mkError, "line " + std::to_string(steps.tick));
      return;
    }
    steps.enabledUnderBox = IsWindowEnabled(steps.main) != FALSE;
    HWND list = FindWindowExA(steps.main, nullptr, WC_LISTVIEWA, "ListViewMessages");
    steps.linesShownUnderBox = ListView_GetItemCount(list);
    PostMessageA(box, WM_COMMAND, IDNO, 0);
  });
  const int before = ListView_GetItemCount(List("ListViewMessages"));
  EXPECT_EQ(boxes.MessageBox("Remove?", "Quillbay", MessageBoxKind::Question), IDNO);
  KillTimer(nullptr, timer);
  EXPECT_EQ(steps.linesShownUnderBox, before + 3) << "the lines are drawn while the question is open";
  EXPECT_FALSE(steps.enabledUnderBox) << "the window took clicks under its own question";
  Pump();
  EXPECT_TRUE(IsWindowEnabled(window->Handle()));
}

TEST_F(RealMainWindow, WhatTheEngineChangesBetweenEventsIsShownOnceTheWaitingMessagesAreHandled) {
  pc.AddShare(kMedia);
  TMainForm& f = Open(false);
  HWND messages = List("ListViewMessages");
  HWND drives = List("ListViewNetworkDrives");
  ASSERT_NE(messages, nullptr);
  ASSERT_NE(drives, nullptr);
  const int before = ListView_GetItemCount(messages);

  // As a keep-alive run hands its lines to the main thread: no window event around them.
  f.AddMessage(mkWarning, "first line");
  f.AddMessage(mkError, "second line");
  EXPECT_EQ(ListView_GetItemCount(messages), before) << "drawn once, after the run";
  Pump();
  ASSERT_EQ(ListView_GetItemCount(messages), before + 2);
  EXPECT_EQ(Cell(messages, 0, 0), "second line");
  EXPECT_EQ(Cell(messages, 1, 0), "first line");

  // A connect outside any event: the row, its state and the status bar follow.
  f.Engine.ConnectDrives(true, "H:");
  Pump();
  int row = -1;
  for (int index = 0; index < ListView_GetItemCount(drives); ++index)
    if (Cell(drives, index, 0) == "H:") row = index;
  ASSERT_GE(row, 0);
  EXPECT_EQ(Cell(drives, row, 3), kMedia);
  EXPECT_FALSE(StatusText(window->Handle()).empty());
  EXPECT_EQ(StatusText(window->Handle()).find('\n'), std::string::npos);

  // Months in the tray: the list keeps the newest lines only, as the data behind it does.
  const int kept = static_cast<int>(TSurfaces::MaxMessages);
  for (int line = 1; line <= kept + 3; ++line) f.AddMessage(mkError, "failed " + std::to_string(line));
  Pump();
  ASSERT_EQ(ListView_GetItemCount(messages), kept);
  EXPECT_EQ(Cell(messages, 0, 0), "failed " + std::to_string(kept + 3));
  EXPECT_EQ(Cell(messages, kept - 1, 0), "failed 4");
  f.AddMessage(mkInformation, "one more");
  f.AddMessage(mkInformation, "and another");
  Pump();
  ASSERT_EQ(ListView_GetItemCount(messages), kept);
  EXPECT_EQ(Cell(messages, 0, 0), "and another");
  EXPECT_EQ(Cell(messages, 1, 0), "one more");
  EXPECT_EQ(Cell(messages, kept - 1, 0), "failed 6");
}

TEST_F(RealMainWindow, AHiddenStartCompletesTheWindowAtItsFirstMessageOrAtTheFirstIdleMoment) {
  pc.AddShare(kMedia);
  WriteConfiguration(With([&](TestPrefs& p) { p.ConnectNetworkDrivesOnStartup = false; }), {{"H:", kMedia}});
  TMainForm& f = Start();
  ASSERT_FALSE(f.Visible);
  window = std::make_unique<TWin32MainWindow>(f);
  window->CreateWhenNeeded();
  ASSERT_NE(window->Handle(), nullptr);
  EXPECT_EQ(List("ListViewNetworkDrives"), nullptr) << "nothing on screen needs the lists yet";

  // "Restore" from the icon's menu before the program first looked at its queue: the
  // window is completed first, and the command is not lost.
  SendMessageA(window->Handle(), WM_COMMAND, MAKEWPARAM(100, 0), 0);  // AMFileMinimizeRestore
  Pump();
  HWND drives = List("ListViewNetworkDrives");
  ASSERT_NE(drives, nullptr);
  EXPECT_TRUE(IsWindowVisible(window->Handle()));
  ASSERT_EQ(ListView_GetItemCount(drives), 1);
  EXPECT_EQ(Cell(drives, 0, 0), "H:");
  window->Create();  // the first idle moment comes after: nothing is made twice
  EXPECT_EQ(FindWindowExA(window->Handle(), drives, WC_LISTVIEWA, "ListViewNetworkDrives"), nullptr);

  // The window made at the icon's command takes the keyboard as any: the drive list has
  // it, Down selects the drive, Enter opens its properties, Tab goes on to the lines.
  std::string opened;
  f.Dialogs.ShowNetworkDriveProperties = [&](const std::string& drive) { opened = drive; };
  ASSERT_EQ(GetFocus(), drives);
  for (WPARAM key : {VK_DOWN, VK_RETURN}) {
    PostMessageA(GetFocus(), WM_KEYDOWN, key, 0);
    PostMessageA(GetFocus(), WM_KEYUP, key, 0xC0000000);
    Pump();
  }
  EXPECT_EQ(f.Surfaces.SelectedDriveRow, 0);
  EXPECT_TRUE(f.AMDrivesConnectSelectedDrive.Enabled);
  EXPECT_EQ(opened, "H:");
  PostMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
  Pump();
  EXPECT_EQ(GetFocus(), List("ListViewMessages"));

  // Without any message, the first idle moment completes it.
  window.reset();
  TMainForm& again = Start();
  window = std::make_unique<TWin32MainWindow>(again);
  window->CreateWhenNeeded();
  window->Create();
  EXPECT_NE(List("ListViewMessages"), nullptr);
  EXPECT_FALSE(IsWindowVisible(window->Handle()));
}

TEST_F(RealMainWindow, TabGoesFromListToListAndF1OpensTheHelp) {
  pc.WriteFile(ExecutableFolder(pc.platform()) + "QBYHelp.chm", "help");
  Open(true);
  HWND drives = List("ListViewNetworkDrives");
  HWND messages = List("ListViewMessages");
  SetFocus(drives);
  ASSERT_EQ(GetFocus(), drives);

  MSG tab = KeyDown(drives, VK_TAB);
  EXPECT_TRUE(window->TranslateKeys(tab));
  EXPECT_EQ(GetFocus(), messages);
  tab = KeyDown(messages, VK_TAB);
  EXPECT_TRUE(window->TranslateKeys(tab));
  EXPECT_EQ(GetFocus(), drives);
  MSG letter = KeyDown(drives, 'A');
  EXPECT_FALSE(window->TranslateKeys(letter)) << "other keys belong to the list";

  // F1 from wherever the focus is: the help file, in the viewer.
  MSG f1 = KeyDown(messages, VK_F1);
  EXPECT_TRUE(window->TranslateKeys(f1));
  Pump();
  ASSERT_EQ(helpLibrary.Calls.size(), 1u);
  EXPECT_NE(helpLibrary.Calls[0].File.find("QBYHelp.chm"), std::string::npos);
}

// Made small, the window keeps a few rows of both lists (the message panel gives way
// first); maximized and hidden to the tray, it comes back maximized.
TEST_F(RealMainWindow, KeepsBothListsUsableWhenSmallAndComesBackMaximized) {
  TMainForm& f = Open(true);
  HWND main = window->Handle();
  HWND drives = List("ListViewNetworkDrives");
  HWND messages = List("ListViewMessages");
  MoveWindow(main, 10, 10, 420, 260, TRUE);
  Pump();
  EXPECT_GE(ListView_GetCountPerPage(drives), 3) << "the drive list shows a few rows";
  RECT list = {};
  GetClientRect(messages, &list);
  EXPECT_GE(list.bottom, 40) << "and the message list a few lines";
  HWND bar = FindWindowExA(main, nullptr, STATUSCLASSNAMEA, nullptr);
  RECT barRect = {}, client = {};
  GetWindowRect(bar, &barRect);
  MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&barRect), 2);
  GetClientRect(main, &client);
  EXPECT_EQ(barRect.bottom, client.bottom) << "the status bar stays at the bottom, in view";

  SendMessageA(main, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  Pump();
  ASSERT_TRUE(IsZoomed(main));
  f.ActionFileMinimizeRestoreExecute();  // to the notification area
  Pump();
  EXPECT_FALSE(IsWindowVisible(main));
  f.ActionFileMinimizeRestoreExecute();  // and back
  Pump();
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_TRUE(IsZoomed(main));
}

TEST_F(RealMainWindow, MovingToAScreenWithTwiceTheScaleDoublesColumnsAndFont) {
  Open(true);
  HWND drives = List("ListViewNetworkDrives");
  const int column = ListView_GetColumnWidth(drives, 0);
  LOGFONTA before = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(drives, WM_GETFONT, 0, 0)), sizeof before, &before);

  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  RECT suggested = {40, 30, 40 + 900, 30 + 600};
  SendMessageA(window->Handle(), WM_DPICHANGED, MAKEWPARAM(2 * dpi, 2 * dpi), reinterpret_cast<LPARAM>(&suggested));

  RECT now = {};
  GetWindowRect(window->Handle(), &now);
  EXPECT_EQ(now.left, suggested.left);
  EXPECT_EQ(now.top, suggested.top);
  EXPECT_EQ(now.right - now.left, 900);
  EXPECT_EQ(ListView_GetColumnWidth(drives, 0), 2 * column);
  LOGFONTA after = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(drives, WM_GETFONT, 0, 0)), sizeof after, &after);
  EXPECT_NEAR(after.lfHeight, 2 * before.lfHeight, 1);
  // The message list fills the window below the drives, above the status bar.
  RECT list = {}, client = {};
  GetWindowRect(List("ListViewMessages"), &list);
  GetClientRect(window->Handle(), &client);
  EXPECT_EQ(list.right - list.left, client.right);
}

// The installer finds the running program by its own window class and asks it to make way
// for an upgrade: settings saved, but no drive removed and no volume dismounted, although
// the user's preferences ask for both on exit.
TEST_F(RealMainWindow, TheInstallersRequestSavesAndEndsWithoutTheExitActions) {
  const std::string trueCrypt = R"(C:\Program Files\TrueCrypt\TrueCrypt.exe)";
  pc.AddShare(kMedia);
  pc.WriteFile(trueCrypt, "exe");
  WriteConfiguration(With([&](TestPrefs& p) {
                       p.RemoveAllNetworkDrivesOnExit = true;
                       p.DismountVolumesOnExit = true;
                       p.TrueCryptProgramLocation = trueCrypt;
                     }),
                     {{"H:", kMedia}});
  TMainForm& f = Start();
  ASSERT_EQ(pc.MappingOf('H'), kMedia);
  window = std::make_unique<TWin32MainWindow>(f);
  window->Create();
  Pump();
  pc.Starts.clear();
  const int saves = pc.ReplaceCount;

  HWND found = FindWindowA(TWin32MainWindow::ClassName, nullptr);
  ASSERT_EQ(found, window->Handle());
  PostMessageA(found, RegisterWindowMessageA(TWin32MainWindow::InstallerCloseMessage), 0, 0);
  Pump();

  EXPECT_TRUE(f.Destroyed());
  EXPECT_TRUE(f.Terminated());
  EXPECT_TRUE(pc.Starts.empty()) << "TrueCrypt was asked to dismount";
  EXPECT_EQ(pc.MappingOf('H'), kMedia);
  EXPECT_EQ(pc.ReplaceCount, saves + 1);
  EXPECT_NE(ConfigurationText().find("[NetworkDrive_H:]"), std::string::npos);
}

// In the notification area with a question open: the icon brings back the window and puts
// the question in front of it, and the window stays disabled under it.
TEST_F(RealMainWindow, TheIconBringsTheWindowBackWithItsOpenQuestionInFront) {
  TMainForm& f = Open(true);
  f.ActionFileMinimizeRestoreExecute();  // to the notification area
  Pump();
  ASSERT_FALSE(IsWindowVisible(window->Handle()));
  Win32UserInterface boxes;
  boxes.SetOwner(window->Handle());
  steps = {&f, window->Handle()};
  static HWND activeAfterIcon, boxSeen;
  static bool shownAfterIcon, enabledAfterIcon;
  activeAfterIcon = boxSeen = nullptr;
  shownAfterIcon = enabledAfterIcon = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
    HWND box = OpenBox();
    if (!box || boxSeen) return;
    boxSeen = box;
    SendMessageA(steps.main, kTrayMessage, 0, WM_LBUTTONDBLCLK);
    shownAfterIcon = IsWindowVisible(steps.main) != FALSE;
    enabledAfterIcon = IsWindowEnabled(steps.main) != FALSE;
    activeAfterIcon = GetActiveWindow();
    PostMessageA(box, WM_COMMAND, IDNO, 0);
  });
  EXPECT_EQ(boxes.MessageBox("Remove?", "Quillbay", MessageBoxKind::Question), IDNO);
  KillTimer(nullptr, timer);
  ASSERT_NE(boxSeen, nullptr);
  EXPECT_TRUE(shownAfterIcon) << "the window came back from the notification area";
  EXPECT_FALSE(enabledAfterIcon) << "and takes no clicks under the question";
  EXPECT_EQ(activeAfterIcon, boxSeen) << "the question is what the user gets, not the disabled window";
  Pump();
  EXPECT_TRUE(IsWindowEnabled(window->Handle()));
}

// Between Exit and the end of the process (while the shutdown removes drives and saves),
// neither the menus, the tool bar, the keys nor the icon start anything.
TEST_F(RealMainWindow, AfterExitTheWindowAndTheIconTakeNoMoreCommands) {
  pc.AddShare(kMedia);
  pc.WriteFile(ExecutableFolder(pc.platform()) + "QBYHelp.chm", "help");
  TMainForm& f = Open(true);
  HWND main = window->Handle();
  const UINT exit = MenuCommand(main, f.AMFileExit.Caption);
  const UINT connect = MenuCommand(main, f.AMDrivesConnectDrives.Caption);
  ASSERT_NE(exit, 0u);
  ASSERT_NE(connect, 0u);
  SendMessageA(main, WM_COMMAND, exit, 0);
  ASSERT_TRUE(f.Terminated());
  NewMessages();

  SendMessageA(main, WM_COMMAND, connect, 0);  // from the menu
  HWND toolBar = FindWindowExA(FindWindowExA(main, nullptr, REBARCLASSNAMEA, nullptr), nullptr, TOOLBARCLASSNAMEA, nullptr);
  ASSERT_NE(toolBar, nullptr);
  SendMessageA(main, WM_COMMAND, MAKEWPARAM(connect, BN_CLICKED), reinterpret_cast<LPARAM>(toolBar));
  const size_t helpCalls = helpLibrary.Calls.size();
  MSG key = KeyDown(List("ListViewNetworkDrives"), VK_F1);
  if (!window->TranslateKeys(key)) DispatchMessageA(&key);
  EXPECT_EQ(helpLibrary.Calls.size(), helpCalls) << "F1 opened the help after Exit";
  menuWasOpen = false;
  const UINT_PTR watch = SetTimer(nullptr, 0, 200, CloseAnyMenu);
  SendMessageA(main, kTrayMessage, 0, WM_RBUTTONUP);
  SendMessageA(main, kTrayMessage, 0, WM_LBUTTONDBLCLK);
  SendMessageA(main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(List("ListViewNetworkDrives")), MAKELPARAM(20, 20));
  const DWORD until = GetTickCount() + 500;
  while (GetTickCount() < until) {  // time for the watch to find a menu left open
    Pump();
    Sleep(20);
  }
  KillTimer(nullptr, watch);
  EXPECT_FALSE(menuWasOpen) << "a menu opened after Exit";
  EXPECT_TRUE(IsWindowVisible(main)) << "the icon's double-click still hid the window";
  EXPECT_TRUE(pc.MappingOf('H').empty()) << "a connect ran after Exit";
  EXPECT_TRUE(NewMessages().empty());
}

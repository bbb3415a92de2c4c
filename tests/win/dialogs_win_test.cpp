// The real dialogs: each is built from its window class, shown modally, inspected and
// driven through the Windows API, and closed with the keyboard. With QUILLBAY_SCREENSHOTS
// set to a folder, every dialog is also pictured there in each of the eight languages.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "data/Configuration.h"
#include "data/Languages.h"
#include "engine/Engine.h"
#include "engine/Surfaces.h"
#include "platform/sim/SimMachine.h"
#include "platform/win32/Win32UserInterface.h"
#include "support/MainWindowTest.h"
#include "ui/About.h"
#include "ui/AddNetworkDrive.h"
#include "ui/AddRunProgram.h"
#include "ui/AddTrueCryptVolume.h"
#include "ui/Preferences.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Win32Window.h"

// From the test support (its header speaks the portable Windows numbers, which clash with
// <windows.h>).
std::string ReadSourceFile(const std::string& relativePath);

namespace {

const std::string kMedia = R"(\\nas\media)";
const std::string kOffice = R"(\\nas\office)";

std::string Text(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Whatever happens, a dialog that is still open after a few seconds is cancelled, so a
// broken test fails instead of hanging.
UINT_PTR guard = 0;
bool guardFired = false;
void CALLBACK GuardTimer(HWND, UINT, UINT_PTR, DWORD) {
  guardFired = true;
  if (HWND active = GetActiveWindow()) PostMessageA(active, WM_COMMAND, IDCANCEL, 0);
}

void PressKey(HWND target, WPARAM key) {
  PostMessageA(target, WM_KEYDOWN, key, 0);
  PostMessageA(target, WM_KEYUP, key, 0xC0000000);
}

// A 24-bit BMP of the window as it is on screen.
void SaveBitmap(HWND window, const std::string& path) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  RECT r;
  GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  const int stride = (width * 3 + 3) & ~3;
  std::vector<char> pixels(static_cast<size_t>(stride) * height);
  GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    std::fclose(out);
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

// The dialog's own message loop, once through what is waiting (Tab, Enter, Escape).
void Pump(HWND dialog) {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (!IsDialogMessageA(dialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

// Keys one at a time into whatever has the focus, as a keyboard sends them.
void Type(const std::string& keys) {
  for (char key : keys) SendMessageA(GetFocus(), WM_CHAR, static_cast<unsigned char>(key), 1);
}

void PressTab(HWND dialog) {
  PressKey(GetFocus(), VK_TAB);
  Pump(dialog);
}

// The caret (or the selection) of an edit, or of the edit of a combo box.
std::pair<int, int> Caret(HWND control) {
  char name[32] = {};
  GetClassNameA(control, name, sizeof name);
  DWORD start = 0, end = 0;
  if (std::string(name) == "ComboBox") {
    const auto selection = static_cast<DWORD>(SendMessageA(control, CB_GETEDITSEL, 0, 0));
    return {LOWORD(selection), HIWORD(selection)};
  }
  SendMessageA(control, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {static_cast<int>(start), static_cast<int>(end)};
}

// A visible top-level window of this thread of the class, other than `except`; null if none.
HWND OpenWindow(const char* className, HWND except = nullptr) {
  struct Search {
    const char* name;
    HWND except;
    HWND found;
  } search{className, except, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM data) {
    auto& s = *reinterpret_cast<Search*>(data);
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    if (w != s.except && IsWindowVisible(w) && std::string(name) == s.name) s.found = w;
    return s.found ? FALSE : TRUE;
  }, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// What the user does once a window of the class is open, from inside its own modal loop.
struct Awaited {
  std::string className;
  HWND except = nullptr;
  std::function<void(HWND)> user;
  UINT_PTR timer = 0;
};
Awaited awaited;
void StopWaiting() {
  if (awaited.timer) KillTimer(nullptr, awaited.timer);
  awaited = {};
}
void CALLBACK AwaitTimer(HWND, UINT, UINT_PTR, DWORD) {
  HWND open = OpenWindow(awaited.className.c_str(), awaited.except);
  if (!open) return;
  auto user = std::move(awaited.user);
  StopWaiting();
  if (user) user(open);
}
void WhenOpen(const char* className, HWND except, std::function<void(HWND)> user) {
  StopWaiting();
  awaited = {className, except, std::move(user), SetTimer(nullptr, 0, 50, AwaitTimer)};
}

// A left click with the mouse at the middle of the control, as the hardware sends it.
void ClickWithMouse(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, input, sizeof(INPUT));
}

Platform WithUserInterface(const Platform& b, UserInterface& ui) {
  return Platform{b.network, b.drives, b.files, b.registry, b.shell, b.environment, b.clock, ui, b.protection};
}

// The program on the simulated machine, but with real dialogs and message boxes.
struct RealDialogs : ::testing::Test {
  SimMachine pc;
  Win32UserInterface ui;
  Platform platform = WithUserInterface(pc.platform(), ui);
  TLanguage language;
  TQbyConfiguration configuration{platform, language};
  TSurfaces surfaces{platform};
  TEngine engine{platform, configuration, language, surfaces};
  std::unique_ptr<TAddRunProgramForm> runProgram;
  std::unique_ptr<TAddTrueCryptVolumeForm> volume;
  std::unique_ptr<TAddNetworkDriveForm> properties;
  std::unique_ptr<TPreferencesForm> preferences;
  std::unique_ptr<TAboutForm> about;

  void Start(const std::string& languageName = "English") {
    pc.WriteFile(ExecutableFolder(platform) + "Languages.ini", ReadSourceFile("resources/Languages.ini"));
    configuration.Open();
    configuration.ReadPreferences();
    configuration.Prefs.Language = languageName;
    language.Open(platform, languageName);
    configuration.ReadNetworkDrives();
    pc.AddShare(kMedia);
    TNetworkDriveItem* h = configuration.NetworkDrives.FindDrive("H:");
    h->NetworkLocation = kMedia;
    h->NetworkName = "Media";
    h->QbyControl = true;
    for (const char* program : {"C:\\Tools\\Sync.exe", "C:\\Tools\\Backup.exe"}) {
      auto item = std::make_unique<TRunProgramItem>();
      item->Program = program;
      h->RunProgramsList.push_back(std::move(item));
    }
    auto v = std::make_unique<TTrueCryptVolumeItem>();
    v->Drive = "T:";
    v->Volume = "H:\\Vaults\\Work.tc";
    h->TrueCryptVolumesList.push_back(std::move(v));
    configuration.NetworkLocationHistoryList = {kMedia, kOffice};
    UseRealDialogs(ui);
    runProgram = std::make_unique<TAddRunProgramForm>(engine);
    volume = std::make_unique<TAddTrueCryptVolumeForm>(engine);
    properties = std::make_unique<TAddNetworkDriveForm>(engine, *runProgram, *volume);
    preferences = std::make_unique<TPreferencesForm>(engine);
    about = std::make_unique<TAboutForm>(engine);
  }
  // Shows a form for real; the user acts once it is on screen.
  int Show(TForm& form, std::function<void(TWin32Window&)> user) {
    guardFired = false;
    guard = SetTimer(nullptr, 0, 8000, GuardTimer);
    TWin32Window::OnShown = [&](TWin32Window& window) {
      TWin32Window::OnShown = nullptr;  // not for the dialogs it opens
      user(window);
    };
    const int result = form.ShowModal();
    KillTimer(nullptr, guard);
    TWin32Window::OnShown = nullptr;
    EXPECT_FALSE(guardFired) << "the dialog did not close by itself";
    return result;
  }
  void TearDown() override { TWin32Window::OnShown = nullptr; }
};

TEST_F(RealDialogs, RunProgramDialogEnablesOkWhileTypingAndClosesWithEscape) {
  Start();
  runProgram->EditRunProgram.SetText("");
  const int result = Show(*runProgram, [&](TWin32Window& window) {
    EXPECT_EQ(Text(window.Handle()), language.Translate(10410));
    HWND ok = window.Handle(runProgram->ButtonOK);
    HWND edit = window.Handle(runProgram->EditRunProgram);
    EXPECT_EQ(Text(ok), "&OK");
    EXPECT_FALSE(IsWindowEnabled(ok));
    EXPECT_EQ(GetFocus(), edit);
    SetWindowTextA(edit, "notepad.exe");  // the edit reports the change as typing does
    EXPECT_EQ(runProgram->EditRunProgram.Text(), "notepad.exe");
    EXPECT_TRUE(IsWindowEnabled(ok));
    EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 2047);
    PressKey(edit, VK_ESCAPE);
  });
  EXPECT_EQ(result, mrCancel);
}

TEST_F(RealDialogs, PropertiesDialogShowsTheDriveAndItsListsAndRefusesToCloseWithoutLocation) {
  Start();
  properties->Drive = "H:";
  Show(*properties, [&](TWin32Window& window) {
    EXPECT_EQ(Text(window.Handle()), language.Translate(10127));
    HWND password = window.Handle(properties->EditPassword);
    EXPECT_TRUE(GetWindowLongA(password, GWL_STYLE) & ES_PASSWORD);
    EXPECT_EQ(Text(window.Handle(properties->EditNetworkName)), "Media");
    EXPECT_FALSE(IsWindowEnabled(window.Handle(properties->ButtonApply)));
    HWND programs = window.Handle(properties->ListViewRunPrograms);
    EXPECT_EQ(ListView_GetItemCount(programs), 2);
    EXPECT_NE(ListView_GetImageList(programs, LVSIL_SMALL), nullptr) << "rows show the main images";
    char row[256] = {};
    ListView_GetItemText(programs, 1, 0, row, sizeof row);
    EXPECT_STREQ(row, "C:\\Tools\\Backup.exe ");
    HWND volumes = window.Handle(properties->ListViewTrueCryptVolumes);
    ListView_GetItemText(volumes, 0, 1, row, sizeof row);
    EXPECT_STREQ(row, "h:\\vaults\\work.tc");
    EXPECT_FALSE(IsWindowVisible(programs)) << "the second tab's controls are hidden";

    // A row selected on screen reaches the list's handlers.
    ListView_SetItemState(programs, 1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(properties->ListViewRunPrograms.Selected(), 1);
    EXPECT_TRUE(IsWindowEnabled(window.Handle(properties->BitBtnMoveProgramUp)));
    SendMessageA(window.Handle(properties->BitBtnMoveProgramUp), BM_CLICK, 0, 0);
    ListView_GetItemText(programs, 0, 0, row, sizeof row);
    EXPECT_STREQ(row, "C:\\Tools\\Backup.exe ");
    EXPECT_TRUE(IsWindowEnabled(window.Handle(properties->ButtonApply)));

    PostMessageA(window.Handle(), WM_CLOSE, 0, 0);  // allowed: nothing was refused
  });
  EXPECT_EQ(configuration.NetworkDrives.FindDrive("H:")->RunProgramsList[0]->Program, "C:\\Tools\\Sync.exe")
      << "closing without saving keeps the old order";
}

TEST_F(RealDialogs, PreferencesSpinButtonsAndTabs) {
  Start();
  Show(*preferences, [&](TWin32Window& window) {
    EXPECT_EQ(Text(window.Handle()), language.Translate(10141));
    HWND tabs = window.Handle(preferences->PageControl1);
    EXPECT_EQ(TabCtrl_GetItemCount(tabs), 4);
    HWND spin = window.Handle(preferences->UpDownLongReconnectInterval);
    int low = 0, high = 0;
    SendMessageA(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 360);
    HWND field = window.Handle(preferences->EditLongReconnectInterval);
    EXPECT_EQ(Text(field), "1");
    SendMessageA(spin, UDM_SETPOS32, 0, 12);
    EXPECT_EQ(preferences->UpDownLongReconnectInterval.Position(), 12) << "the buddy's text is the number";
    SendMessageA(window.Handle(preferences->CheckBoxUseForcedDisconnect), BM_CLICK, 0, 0);
    EXPECT_TRUE(preferences->CheckBoxUseForcedDisconnect.Checked());
    EXPECT_TRUE(IsWindowEnabled(window.Handle(preferences->ButtonApply)));
    SendMessageA(window.Handle(preferences->ButtonOK), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(configuration.Prefs.LongReconnectInterval, 12);
  EXPECT_TRUE(configuration.Prefs.UseForcedDisconnect);
  EXPECT_EQ(engine.LongReconnectInterval.load(), 12);
}

// Preferences opens with the focus on its first control; Ctrl+Tab and
// Ctrl+Shift+Tab turn the pages from wherever the focus is.
HWND pagesShown = nullptr;
std::vector<int> pagesSeen;
TEST_F(RealDialogs, PreferencesOpensFocusedAndCtrlTabTurnsThePages) {
  Start();
  pagesSeen.clear();
  Show(*preferences, [&](TWin32Window& window) {
    HWND tabs = window.Handle(preferences->PageControl1);
    EXPECT_EQ(GetFocus(), window.Handle(preferences->CheckBoxMinimizeOnStartup));
    pagesShown = tabs;
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    for (int press = 0; press < 2; ++press) PressKey(tabs, VK_TAB);
    // Then with Shift as well, from a control on the page.
    SetTimer(window.Handle(), 1, 100, [](HWND dialog, UINT, UINT_PTR id, DWORD) {
      KillTimer(dialog, id);
      pagesSeen.push_back(TabCtrl_GetCurSel(pagesShown));
      BYTE keys[256] = {};
      GetKeyboardState(keys);
      keys[VK_SHIFT] = 0x80;
      SetKeyboardState(keys);
      PressKey(GetFocus(), VK_TAB);
      SetTimer(dialog, 2, 100, [](HWND dialog, UINT, UINT_PTR id, DWORD) {
        KillTimer(dialog, id);
        pagesSeen.push_back(TabCtrl_GetCurSel(pagesShown));
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_SHIFT] = keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      });
    });
  });
  EXPECT_EQ(pagesSeen, (std::vector<int>{2, 1}));
  EXPECT_EQ(preferences->PageControl1.ActivePageIndex(), 1) << "the form knows the page shown";
}

TEST_F(RealDialogs, F1InPreferencesOpensTheHelpAndOrderButtonsExplainThemselves) {
  Start();
  int helpRequests = 0;
  preferences->OnHelp = [&] { ++helpRequests; };
  Show(*preferences, [&](TWin32Window& window) {
    PressKey(window.Handle(preferences->ButtonOK), VK_F1);
    PostMessageA(window.Handle(), WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(helpRequests, 1);

  properties->Drive = "H:";
  Show(*properties, [&](TWin32Window& window) {
    HWND tips = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM found) {
      char name[64] = "";
      GetClassNameA(w, name, sizeof(name));
      if (std::string(name) == TOOLTIPS_CLASSA) *reinterpret_cast<HWND*>(found) = w;
      return TRUE;
    }, reinterpret_cast<LPARAM>(&tips));
    ASSERT_NE(tips, nullptr);
    char text[128] = "";
    TOOLINFOA tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = window.Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(window.Handle(properties->BitBtnMoveProgramUp));
    tool.lpszText = text;
    SendMessageA(tips, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, "Change the start sequence of the selected program");
    PostMessageA(window.Handle(), WM_COMMAND, IDCANCEL, 0);
  });
}

TEST_F(RealDialogs, KeepAliveWorkIsServedWhileADialogIsOpen) {
  Start();
  std::atomic<bool> served{false};
  std::thread keepAlive;
  Show(*runProgram, [&](TWin32Window& window) {
    HWND dialog = window.Handle();
    keepAlive = std::thread([&, dialog] {
      ui.MainThread().Call([&] { served = true; });  // returns once the main thread ran it
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
  });
  const bool servedWhileOpen = served;
  if (!servedWhileOpen) ui.MainThread().RunPending();  // so the thread can end either way
  keepAlive.join();
  EXPECT_TRUE(servedWhileOpen);
}

// A question or a nested dialog belongs to the dialog that opened it, which is disabled
// while it is open: a second click on Remove goes nowhere; afterwards the dialog is
// enabled and active again.
HWND firstQuestion = nullptr;
TEST_F(RealDialogs, QuestionsAndNestedDialogsBelongToTheDialogThatOpenedThem) {
  Start();
  properties->Drive = "H:";
  bool secondQuestion = false;
  Show(*properties, [&](TWin32Window& window) {
    HWND dialog = window.Handle();
    TabCtrl_SetCurFocus(window.Handle(properties->PageControl1), 1);  // as a click on the tab
    HWND programs = window.Handle(properties->ListViewRunPrograms);
    HWND remove = window.Handle(properties->ButtonProgramRemove);
    ListView_SetItemState(programs, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ASSERT_TRUE(IsWindowEnabled(remove));
    WhenOpen("#32770", nullptr, [&, dialog, remove](HWND box) {
      EXPECT_EQ(GetWindow(box, GW_OWNER), dialog);
      EXPECT_FALSE(IsWindowEnabled(dialog)) << "the dialog takes no clicks under its question";
      ClickWithMouse(remove);  // Remove once more, while the question is open
      WhenOpen("#32770", box, [&](HWND second) {
        secondQuestion = true;
        PostMessageA(second, WM_COMMAND, IDNO, 0);
      });
      firstQuestion = box;
      SetTimer(nullptr, 0, 400, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        PostMessageA(firstQuestion, WM_COMMAND, IDYES, 0);
      });
    });
    SendMessageA(remove, BM_CLICK, 0, 0);  // back once the question has been answered
    StopWaiting();
    EXPECT_FALSE(secondQuestion) << "the second click reached the dialog behind its question";
    EXPECT_EQ(ListView_GetItemCount(programs), 1);
    EXPECT_EQ(properties->NetworkDriveItem->RunProgramsList.size(), 1u);
    EXPECT_TRUE(IsWindowEnabled(dialog));
    EXPECT_FALSE(IsWindowEnabled(remove)) << "nothing is selected after a Remove";

    // The program box opened by Edit belongs to the dialog as well.
    ListView_SetItemState(programs, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    WhenOpen("QuillbayDialog", dialog, [&, dialog](HWND nested) {
      EXPECT_EQ(GetWindow(nested, GW_OWNER), dialog);
      EXPECT_FALSE(IsWindowEnabled(dialog));
      PostMessageA(nested, WM_COMMAND, IDCANCEL, 0);
    });
    SendMessageA(window.Handle(properties->ButtonProgramEdit), BM_CLICK, 0, 0);
    StopWaiting();
    EXPECT_TRUE(IsWindowEnabled(dialog));
    EXPECT_EQ(GetActiveWindow(), dialog) << "the dialog that opened the box is active again";
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  });

  // The preferences' notice about a new language belongs to the preferences.
  Show(*preferences, [&](TWin32Window& window) {
    HWND dialog = window.Handle();
    HWND languages = window.Handle(preferences->ComboBoxLanguages);
    const int other = preferences->ComboBoxLanguages.IndexOf("Deutsch");
    ASSERT_GE(other, 0);
    SendMessageA(languages, CB_SETCURSEL, other, 0);  // the user picks it from the list
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(languages), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(languages));
    bool noticed = false;
    WhenOpen("#32770", nullptr, [&, dialog](HWND box) {
      noticed = true;
      EXPECT_EQ(GetWindow(box, GW_OWNER), dialog);
      EXPECT_FALSE(IsWindowEnabled(dialog));
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    SendMessageA(window.Handle(preferences->ButtonApply), BM_CLICK, 0, 0);
    StopWaiting();
    EXPECT_TRUE(noticed);
    EXPECT_TRUE(IsWindowEnabled(dialog));
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  });
}

// Every editable control of every dialog, typed into key by key: what the user types stays
// as typed with the caret after it, a history entry typed in full is not selected (the next
// key would replace it), and what was typed is what is saved.
struct TypedKeyByKey : RealDialogs, ::testing::WithParamInterface<const char*> {};

TEST_P(TypedKeyByKey, StaysAsTypedInEveryDialog) {
  Start(GetParam());
  const std::string location = R"(\\nas\office\2024)";
  Show(*properties, [&](TWin32Window& window) {
    HWND dialog = window.Handle();
    HWND box = window.Handle(properties->ComboBoxNetworkLocationHistoryList);
    ASSERT_TRUE(IsChild(box, GetFocus())) << "the location box has the focus";
    Type(R"(\\nas\Media)");
    EXPECT_EQ(Text(box), R"(\\nas\Media)");
    EXPECT_EQ(Caret(box), std::make_pair(11, 11));
    Type("\b\b\b\b\b");
    Type("office");  // now exactly a history entry
    EXPECT_EQ(Text(box), kOffice);
    EXPECT_EQ(Caret(box), std::make_pair(12, 12)) << "the entry is not selected into the edit";
    Type(R"(\2024)");
    EXPECT_EQ(Text(box), location);
    EXPECT_EQ(properties->ComboBoxNetworkLocationHistoryList.Text(), location);
    EXPECT_TRUE(IsWindowEnabled(window.Handle(properties->ButtonApply)));

    PressTab(dialog);
    HWND name = window.Handle(properties->EditNetworkName);
    ASSERT_EQ(GetFocus(), name);
    Type("Office");
    PressTab(dialog);
    HWND user = window.Handle(properties->EditUserName);
    ASSERT_EQ(GetFocus(), user);
    Type(R"(nas\anna)");
    PressTab(dialog);
    ASSERT_EQ(GetFocus(), window.Handle(properties->EditPassword));
    Type("s3cret");
    for (HWND edit : {name, user}) EXPECT_EQ(Caret(edit).first, static_cast<int>(Text(edit).size()));
    EXPECT_EQ(Text(name), "Office");
    EXPECT_EQ(Text(user), R"(nas\anna)");
    EXPECT_EQ(Text(box), location) << "typing elsewhere leaves the location alone";
    PressKey(GetFocus(), VK_RETURN);
  });
  const TNetworkDriveItem* saved = configuration.NetworkDrives.FindDrive("Z:");
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(saved->NetworkLocation, location);
  EXPECT_EQ(saved->NetworkName, "Office");
  EXPECT_EQ(saved->Username, R"(nas\anna)");
  EXPECT_EQ(saved->Password, "s3cret");
  EXPECT_EQ(configuration.NetworkLocationHistoryList.front(), location);

  runProgram->EditRunProgram.SetText("");
  runProgram->EditParameters.SetText("");
  EXPECT_EQ(Show(*runProgram, [&](TWin32Window& window) {
    Type(R"(C:\Tools\Sync.exe)");
    PressTab(window.Handle());
    Type("/quiet /log");
    EXPECT_EQ(Caret(window.Handle(runProgram->EditParameters)), std::make_pair(11, 11));
    PressKey(GetFocus(), VK_RETURN);
  }), mrOk);
  EXPECT_EQ(runProgram->EditRunProgram.Text(), R"(C:\Tools\Sync.exe)");
  EXPECT_EQ(runProgram->EditParameters.Text(), "/quiet /log");

  volume->CurrentDrive = "H:";
  volume->TrueCryptDrive = "T:";
  for (TEdit* edit : {&volume->EditVolume, &volume->EditPassword, &volume->EditCommandlineOptions}) edit->SetText("");
  EXPECT_EQ(Show(*volume, [&](TWin32Window& window) {
    for (auto [edit, keys] : {std::pair{&volume->EditVolume, R"(H:\Vaults\Work.tc)"},
                              std::pair{&volume->EditPassword, "pa55"}, std::pair{&volume->EditCommandlineOptions, "/q"}}) {
      SetFocus(window.Handle(*edit));  // as a click into it does
      Type(keys);
      EXPECT_EQ(Text(window.Handle(*edit)), keys);
    }
    PressKey(GetFocus(), VK_RETURN);
  }), mrOk);
  EXPECT_EQ(volume->EditVolume.Text(), R"(H:\Vaults\Work.tc)");
  EXPECT_EQ(volume->EditCommandlineOptions.Text(), "/q");

  Show(*preferences, [&](TWin32Window& window) {
    for (auto [page, edit, keys] : {std::tuple{3, &preferences->EditLongReconnectInterval, "360"},
                                    std::tuple{3, &preferences->EditMaxNrOfShortReconnectAttempts, "25"},
                                    std::tuple{2, &preferences->EditTrueCryptProgramLocation, R"(C:\TC\TrueCrypt.exe)"}}) {
      preferences->PageControl1.SelectPage(page);
      HWND field = window.Handle(*edit);
      SetFocus(field);
      SendMessageA(field, EM_SETSEL, 0, -1);
      Type(keys);
      EXPECT_EQ(Text(field), keys);
      EXPECT_EQ(Caret(field).first, static_cast<int>(std::string(keys).size()));
      if (page == 3) {  // the whole number is in view: the field is wide enough for "360"
        RECT shown = {}, needed = {};
        SendMessageA(field, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&shown));
        HDC dc = GetDC(field);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(field, WM_GETFONT, 0, 0)));
        DrawTextA(dc, "360", -1, &needed, DT_CALCRECT | DT_SINGLELINE);
        SelectObject(dc, old);
        ReleaseDC(field, dc);
        EXPECT_LE(needed.right - needed.left, shown.right - shown.left);
      }
    }
    SendMessageA(window.Handle(preferences->ButtonOK), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(configuration.Prefs.LongReconnectInterval, 360);
  EXPECT_EQ(configuration.Prefs.MaxNrOfShortReconnectAttempts, 25);
  EXPECT_EQ(configuration.Prefs.TrueCryptProgramLocation, R"(C:\TC\TrueCrypt.exe)");
}

INSTANTIATE_TEST_SUITE_P(RealDialogs, TypedKeyByKey, ::testing::Values("English", "Deutsch"),
                         [](const auto& info) { return std::string(info.param); });

TEST_F(RealDialogs, AboutClosesWithEnterAndShowsTheVersion) {
  Start();
  const int result = Show(*about, [&](TWin32Window& window) {
    EXPECT_EQ(Text(window.Handle(about->LabelVersion)), language.Translate(10043) + " 2.8.0");
    EXPECT_TRUE(GetWindowLongA(window.Handle(about->LabelEmail), GWL_STYLE) & SS_NOPREFIX);
    EXPECT_TRUE(IsChild(window.Handle(), GetFocus())) << "a control of the window has the focus";
    PressKey(window.Handle(about->ButtonOK), VK_RETURN);
  });
  EXPECT_EQ(result, mrOk);
}

// One program per language, each started afresh.
struct ProgramInLanguage : RealDialogs {
  void TestBody() override {}
};

// The main window of a program started in a language, shown.
struct MainWindowInLanguage : MainWindowTest {
  std::unique_ptr<TWin32MainWindow> window;
  explicit MainWindowInLanguage(const std::string& languageName) {
    WriteConfiguration(With([&](TestPrefs& p) {
                         p.ConnectNetworkDrivesOnStartup = false;
                         p.MinimizeOnStartup = false;
                         p.Language = languageName;
                       }),
                       {{"H:", kMedia}});
    window = std::make_unique<TWin32MainWindow>(Start());
    window->Create();
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
};

const char* const kEveryLanguage[] = {"English",  "Dansk",    "Deutsch",    "Espa\xF1ol",
                                      "Fran\xE7" "ais", "Italiano", "Nederlands", "Svenska"};

// Every window of the program on screen in one language, and each page of the tabbed ones
// in turn, with a short name for each.
void ShowEveryWindow(const char* languageName, const std::function<void(HWND, const std::string&)>& look) {
  {
    MainWindowInLanguage main(languageName);
    look(main.window->Handle(), "main");
  }
  auto program = std::make_unique<ProgramInLanguage>();
  ProgramInLanguage& p = *program;
  p.Start(languageName);
  auto show = [&](TForm& form, TPageControl* pages, const std::string& name) {
    p.Show(form, [&](TWin32Window& window) {
      const int count = pages ? static_cast<int>(pages->Pages().size()) : 1;
      for (int page = 0; page < count; ++page) {
        if (pages) pages->SelectPage(page);
        look(window.Handle(), name + (pages ? std::to_string(page + 1) : ""));
      }
      PostMessageA(window.Handle(), WM_COMMAND, IDCANCEL, 0);
    });
  };
  p.properties->Drive = "H:";
  show(*p.properties, &p.properties->PageControl1, "properties");
  p.runProgram->EditRunProgram.SetText("C:\\Tools\\Sync.exe");
  p.runProgram->EditParameters.SetText("/quiet");
  show(*p.runProgram, nullptr, "program");
  p.volume->CurrentDrive = "H:";
  p.volume->TrueCryptDrive = "T:";
  p.volume->EditVolume.SetText("H:\\Vaults\\Work.tc");
  p.volume->EditPassword.SetText("secret");
  show(*p.volume, nullptr, "volume");
  show(*p.preferences, &p.preferences->PageControl1, "preferences");
  show(*p.about, nullptr, "about");
}

int Scaled(int pixels) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return MulDiv(pixels, dpi, 96);
}

// The room a text takes in a control's own font, drawn with these DrawText flags within
// `width` (for wrapped text).
SIZE TextSize(HWND control, const std::string& text, UINT flags, int width = 0) {
  HDC dc = GetDC(control);
  HGDIOBJ old = nullptr;
  if (auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0))) old = SelectObject(dc, font);
  RECT r = {0, 0, width, 0};
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, flags | DT_CALCRECT);
  if (old) SelectObject(dc, old);
  ReleaseDC(control, dc);
  return {r.right - r.left, r.bottom - r.top};
}

std::string Fault(const std::string& text, SIZE need, LONG width, LONG height) {
  return "\"" + text + "\" needs " + std::to_string(need.cx) + "x" + std::to_string(need.cy) + ", has " +
         std::to_string(width) + "x" + std::to_string(height);
}

// Each text of a visible control of the window that does not fit it, measured with the
// control's own font and wrapped as the control wraps it, with the room the control's own
// frame, glyph or margins take (as Windows draws them at 96 DPI, scaled).
std::vector<std::string> TextsCutOff(HWND window) {
  std::vector<HWND> controls;
  EnumChildWindows(window, [](HWND child, LPARAM out) {
    reinterpret_cast<std::vector<HWND>*>(out)->push_back(child);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&controls));
  std::vector<std::string> faults;
  // What lies on a tab page stays inside the page.
  for (HWND tabs : controls) {
    char name[64] = {};
    GetClassNameA(tabs, name, sizeof name);
    if (std::string(name) != WC_TABCONTROLA || !IsWindowVisible(tabs)) continue;
    RECT page = {};
    GetWindowRect(tabs, &page);
    TabCtrl_AdjustRect(tabs, FALSE, &page);
    for (HWND control : controls) {
      RECT r = {}, overlap = {}, inside = {};
      GetWindowRect(control, &r);
      if (control == tabs || GetParent(control) != window || !IsWindowVisible(control) ||
          !IntersectRect(&overlap, &r, &page) || (IntersectRect(&inside, &r, &page) && EqualRect(&inside, &r)))
        continue;
      faults.push_back("\"" + Text(control) + "\" runs off its page by " +
                       std::to_string(std::max({page.left - r.left, page.top - r.top, r.right - page.right,
                                                r.bottom - page.bottom})));
    }
  }
  for (HWND control : controls) {
    if (!IsWindowVisible(control)) continue;
    char name[64] = {};
    GetClassNameA(control, name, sizeof name);
    const std::string kind = name;
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    const std::string text = Text(control);
    RECT client = {};
    GetClientRect(control, &client);
    if (kind == "Static") {
      const LONG type = style & SS_TYPEMASK;
      if (text.empty() || (type != SS_LEFT && type != SS_LEFTNOWORDWRAP)) continue;
      const UINT flags = DT_EXPANDTABS | (style & SS_NOPREFIX ? DT_NOPREFIX : 0) |
                         (type == SS_LEFT ? DT_WORDBREAK : DT_SINGLELINE);
      const SIZE need = TextSize(control, text, flags, client.right);
      if (need.cx > client.right || need.cy > client.bottom) faults.push_back(Fault(text, need, client.right, client.bottom));
    } else if (kind == "Button") {
      const LONG type = style & BS_TYPEMASK;
      if (text.empty() || (style & (BS_ICON | BS_BITMAP)) || type == BS_GROUPBOX) continue;
      SIZE need = TextSize(control, text, DT_SINGLELINE);
      if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
        // Frame, focus rectangle and a little air on either side.
        need.cx += 2 * Scaled(6);
        need.cy += 2 * Scaled(3);
      } else {
        // The glyph, the gap after it (half a digit) and the focus rectangle around the text.
        HDC dc = GetDC(control);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
        INT digit = 0;
        GetCharWidth32A(dc, '0', '0', &digit);
        SelectObject(dc, old);
        ReleaseDC(control, dc);
        need.cx += Scaled(13) + digit / 2 + 2;
      }
      if (need.cx > client.right || need.cy > client.bottom) faults.push_back(Fault(text, need, client.right, client.bottom));
    } else if (kind == WC_TABCONTROLA) {
      const int count = TabCtrl_GetItemCount(control);
      for (int i = 0; i < count; ++i) {
        char caption[256] = {};
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = caption;
        item.cchTextMax = sizeof caption;
        SendMessageA(control, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        RECT r = {};
        TabCtrl_GetItemRect(control, i, &r);
        SIZE need = TextSize(control, caption, DT_SINGLELINE);
        need.cx += 2 * Scaled(6);
        if (need.cx > r.right - r.left || r.right > client.right || TabCtrl_GetRowCount(control) > 1)
          faults.push_back("tab " + Fault(caption, need, std::min(r.right, client.right) - r.left, r.bottom - r.top));
      }
    } else if (kind == WC_LISTVIEWA) {
      HWND header = ListView_GetHeader(control);
      const int count = Header_GetItemCount(header);
      for (int i = 0; i < count; ++i) {
        char caption[256] = {};
        HDITEMA item = {};
        item.mask = HDI_TEXT | HDI_WIDTH;
        item.pszText = caption;
        item.cchTextMax = sizeof caption;
        SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        SIZE need = TextSize(header, caption, DT_SINGLELINE);
        need.cx += 2 * Scaled(6);  // the header's margins on either side
        if (need.cx > item.cxy) faults.push_back("column " + Fault(caption, need, item.cxy, 0));
        if (count == 1 && item.cxy != client.right)
          faults.push_back("the only column, \"" + std::string(caption) + "\", is " + std::to_string(item.cxy) +
                           " wide in a list of " + std::to_string(client.right));
      }
    }
  }
  return faults;
}

TEST(RealDialogsPictured, NoTextIsCutOffInAnyWindowInAnyLanguage) {
  for (const char* languageName : kEveryLanguage) {
    ShowEveryWindow(languageName, [&](HWND window, const std::string& name) {
      for (const std::string& fault : TextsCutOff(window)) ADD_FAILURE() << languageName << ", " << name << ": " << fault;
    });
  }
}

TEST(RealDialogsPictured, ScreenshotsInEveryLanguage) {
  const char* folder = std::getenv("QUILLBAY_SCREENSHOTS");
  if (!folder) GTEST_SKIP() << "QUILLBAY_SCREENSHOTS not set";
  for (const char* languageName : kEveryLanguage) {
    const std::string prefix = std::string(folder) + "\\" + std::string(languageName).substr(0, 2) + "-";
    ShowEveryWindow(languageName, [&](HWND window, const std::string& name) { SaveBitmap(window, prefix + name + ".bmp"); });
  }
}

}  // namespace

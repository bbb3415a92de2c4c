// The real dialogs: each is built from its window class, shown modally, inspected and
// driven through the Windows API, and closed with the keyboard. With QUILLBAY_SCREENSHOTS
// set to a folder, every dialog is also pictured there in each of the eight languages.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "data/Configuration.h"
#include "data/Languages.h"
#include "engine/Engine.h"
#include "engine/Surfaces.h"
#include "platform/sim/SimMachine.h"
#include "platform/win32/Win32UserInterface.h"
#include "ui/About.h"
#include "ui/AddNetworkDrive.h"
#include "ui/AddRunProgram.h"
#include "ui/AddTrueCryptVolume.h"
#include "ui/Preferences.h"
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

TEST_F(RealDialogs, AboutClosesWithEnterAndShowsTheVersion) {
  Start();
  const int result = Show(*about, [&](TWin32Window& window) {
    EXPECT_EQ(Text(window.Handle(about->LabelVersion)), language.Translate(10043) + " 2.8.0");
    EXPECT_TRUE(GetWindowLongA(window.Handle(about->LabelEmail), GWL_STYLE) & SS_NOPREFIX);
    PressKey(window.Handle(about->ButtonOK), VK_RETURN);
  });
  EXPECT_EQ(result, mrOk);
}

// One program per language, each started afresh.
struct ProgramInLanguage : RealDialogs {
  void TestBody() override {}
};

TEST(RealDialogsPictured, ScreenshotsInEveryLanguage) {
  const char* folder = std::getenv("QUILLBAY_SCREENSHOTS");
  if (!folder) GTEST_SKIP() << "QUILLBAY_SCREENSHOTS not set";
  for (const char* name : {"English", "Dansk", "Deutsch", "Espa\xF1ol", "Fran\xE7" "ais", "Italiano", "Nederlands",
                           "Svenska"}) {
    auto program = std::make_unique<ProgramInLanguage>();
    ProgramInLanguage& p = *program;
    p.Start(name);
    const std::string prefix = std::string(folder) + "\\" + std::string(name).substr(0, 2) + "-";
    auto shoot = [&](TForm& form, TPageControl* pages, const std::string& file) {
      p.Show(form, [&](TWin32Window& window) {
        const int count = pages ? static_cast<int>(pages->Pages().size()) : 1;
        for (int page = 0; page < count; ++page) {
          if (pages) pages->SelectPage(page);
          SaveBitmap(window.Handle(), prefix + file + (pages ? std::to_string(page + 1) : "") + ".bmp");
        }
        PostMessageA(window.Handle(), WM_COMMAND, IDCANCEL, 0);
      });
    };
    p.properties->Drive = "H:";
    shoot(*p.properties, &p.properties->PageControl1, "properties");
    p.runProgram->EditRunProgram.SetText("C:\\Tools\\Sync.exe");
    p.runProgram->EditParameters.SetText("/quiet");
    shoot(*p.runProgram, nullptr, "program");
    p.volume->CurrentDrive = "H:";
    p.volume->TrueCryptDrive = "T:";
    p.volume->EditVolume.SetText("H:\\Vaults\\Work.tc");
    p.volume->EditPassword.SetText("secret");
    shoot(*p.volume, nullptr, "volume");
    shoot(*p.preferences, &p.preferences->PageControl1, "preferences");
    shoot(*p.about, nullptr, "about");
  }
}

}  // namespace

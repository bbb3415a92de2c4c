#pragma once
// The real main window: draws TMainForm with standard controls and hands every user event
// to the form's handler of the same name, then reads the form again.
#include <atomic>
#include <string>
#include <vector>

#include "platform/DeviceChange.h"
#include "platform/win32/Win32NetworkEvents.h"
#include "platform/win32/WindowsApi.h"

#include <commctrl.h>
#include "ui/Main.h"

class TMenuItem;

class TWin32MainWindow : public TMainFormSite {
 public:
  // The program's own class: the installer finds the running copies by it.
  static constexpr const char* ClassName = "QuillbayMainWindow";
  // Registered message only the installer sends before it replaces the program: the
  // settings are saved and the program ends without its exit actions.
  static constexpr const char* InstallerCloseMessage = "QuillbayInstallerClose";

  explicit TWin32MainWindow(TMainForm& form);
  ~TWin32MainWindow() override;
  TWin32MainWindow(const TWin32MainWindow&) = delete;
  TWin32MainWindow& operator=(const TWin32MainWindow&) = delete;

  // The window alone, hidden, and the notification-area icon, before the form's start-up
  // sequence has run; until Create, the window only waits.
  void CreateFrame();
  // The window's controls after the start-up sequence (the frame first if not made yet);
  // shown when the form is. Once made, nothing more.
  void Create();
  // For a window that starts hidden: after the start-up sequence, the controls wait for
  // Create or for the window's first message, whichever comes first.
  void CreateWhenNeeded();
  // The icon goes, then the window.
  void Destroy();
  HWND Handle() const { return window_; }
  // Brings every control in line with the form (cheap when nothing changed).
  void Sync();
  // The message loop's part: F1 and the other keys of the accelerator table.
  bool TranslateKeys(MSG& message);
  // True once Exit asked the loop to end.

  void VisibilityChanged() override;
  void BringToFront() override;
  void Terminate() override;

 private:
  struct MenuEntry {
    HMENU Menu;
    UINT Id;
    TAction* Action;
    std::string Shown;
    bool Enabled;
  };
  struct ActionShown {
    std::string Caption;
    bool Enabled;
    bool operator==(const ActionShown&) const = default;
  };
  struct DriveRowShown {
    int Image;
    std::string Cells[5];
    bool Deployment;
    bool operator==(const DriveRowShown&) const = default;
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Notify(NMHDR& header);
  LRESULT CustomDrawDrives(NMLVCUSTOMDRAW& draw);

  void CreateImageList();
  void CreateMenuBar();
  void CreateToolBar();
  void CreateLists();
  void Layout();
  void SetUpFont();
  int Scaled(int size) const;
  void DpiChanged(int dpi, const RECT& suggested);
  HMENU BuildMenu(const std::vector<TMenuItem>& items, bool popup);
  void AppendAction(HMENU menu, const TMenuItem& item, const std::string& shown);
  UINT CommandOf(TAction* action) const;
  void RunCommand(UINT id);
  void ShowPopup(TPopupMenu& menu, POINT at);
  void ShowStartUpPopup();

  void SyncActions();
  void SyncDriveRows();
  void SyncMessages();
  void SyncTray();
  void TrayIcon(DWORD operation);
  NOTIFYICONDATAA TrayData(UINT flags) const;
  HICON TrayPicture(int image);

  TMainForm& form_;
  HWND window_ = nullptr;
  HWND rebar_ = nullptr;
  HWND toolBar_ = nullptr;
  HWND drives_ = nullptr;
  HWND messages_ = nullptr;
  HWND statusBar_ = nullptr;
  HIMAGELIST images_ = nullptr;
  HFONT font_ = nullptr;
  HACCEL accelerators_ = nullptr;
  HMENU menuBar_ = nullptr;
  HWND focused_ = nullptr;  // the list to give the focus back to
  int dpi_ = 96;
  std::vector<HICON> trayIcons_;
  std::vector<MenuEntry> menuEntries_;
  std::vector<TAction*> actions_;
  UINT taskbarCreated_ = 0;
  UINT installerClose_ = 0;
  Win32NetworkEvents networkEvents_;

  std::vector<ActionShown> actionsShown_;
  std::vector<DriveRowShown> drivesShown_;
  std::string captionShown_;
  uint64_t messagesAdded_ = 0;  // the form's MessagesAdded when last shown
  std::string statusShown_;
  bool trayAdded_ = false;
  int trayPictureShown_ = -1;
  std::string trayTipShown_;
  int balloonsShown_ = 0;
  bool balloonVisible_ = false;
  bool syncing_ = false;
  bool ready_ = false;
  bool createWhenNeeded_ = false;
  std::atomic<bool> syncRequested_ = false;
  bool quitPosted_ = false;
};

// Sets the font of every control of the window (the window's own included).
void ApplyFont(HWND window, HFONT font);

#pragma once
// The main window as data: its actions, menus, tool bar, the notification-area icon and
// the window's visible state, its start-up and shutdown. The real window (ui/win32) draws
// this, hands every user event to the handler of the same name, and after each one reads
// the state again (visibility, captions, enabled states).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/Configuration.h"
#include "data/Languages.h"
#include "engine/Engine.h"
#include "engine/HeartBeatThread.h"
#include "engine/Surfaces.h"
#include "ui/controls/Action.h"
#include "ui/controls/ActionMenus.h"
#include "ui/controls/ImageList.h"
#include "ui/controls/ReportColumns.h"
#include "ui/controls/TrayIcon.h"

struct Platform;
class THtmlHelp;

enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

// What only the real window can do; every call comes after the form's state has changed.
class TMainFormSite {
 public:
  virtual ~TMainFormSite() = default;
  // Visible or WindowState changed: show, hide, minimize (to the taskbar) or restore.
  virtual void VisibilityChanged() {}
  // The restored window comes to the front (SetForegroundWindow).
  virtual void BringToFront() {}
  // Exit: end the message loop once every run in progress has unwound (post the quit;
  // a nested event pass that meets it passes it on instead of acting on it).
  virtual void Terminate() {}
};

// The dialogs the main window opens modally; the program entry binds them.
struct TMainFormDialogs {
  // The drive properties dialog on this drive; an empty drive adds one.
  std::function<void(const std::string& Drive)> ShowNetworkDriveProperties;
  // The preferences dialog, on its first page.
  std::function<void()> ShowPreferences;
  std::function<void()> ShowAbout;
};

class TMainForm {
 public:
  static constexpr int MainImageCount = 23;

  TMainForm(Platform& platform, THtmlHelp& help);
  ~TMainForm();
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  // --- Start-up and shutdown ---
  void FormCreate();
  // Each time the window becomes the active one (the first run's welcome).
  void FormActivate();
  // The close box, the system menu's Close, Alt+F4: hides instead, unless the program ends.
  void FormClose(TCloseAction& Action);
  // WM_QUERYENDSESSION; the answer (always true: the session may end).
  bool WMQueryEndSession();
  // WM_ENDSESSION. Ending: everything the shutdown must do is done before this returns,
  // Windows may end the process right after. Not ending: the session goes on.
  void WMEndSession(bool Ending);
  // The shutdown sequence; runs once, later calls do nothing.
  void FormDestroy();
  bool Destroyed() const { return destroyed_; }

  // --- Window system events ---
  // WM_SYSCOMMAND; true when handled here (minimize and restore), else the default runs.
  bool WMSysCommand(uint32_t Command);
  // WM_ACTIVATE with its state (WA_INACTIVE 0, WA_ACTIVE 1, WA_CLICKACTIVE 2). True: a
  // modal dialog of the program is open, activation goes to it and the message is handled.
  bool WMActivate(uint32_t State);
  // WM_DEVICECHANGE, decoded.
  void WMDeviceChange(const DeviceChange& change);

  // --- The drive list ---
  // The real list calls this after every selection change (Surfaces.SelectedDriveRow).
  void ListViewNetworkDrivesSelectItem();
  // Selects a row (-1: none) and raises the selection change, as a click does.
  void SelectDriveRow(int row);
  void ListViewNetworkDrivesDblClick();
  void TrayIconDblClick();

  // --- Notification area and taskbar ---
  void MinimizeToSystemTray();
  void RestoreFromSystemTray();
  void HideApplicationTaskbarButton();

  // --- Action handlers ---
  void ActionFileMinimizeRestoreExecute();
  void ActionFileExitExecute();
  void ActionDrivesConnectDrivesExecute();
  void ActionDrivesDisconnectDrivesExecute();
  void ActionDrivesConnectSelectedDriveExecute();
  void ActionDrivesDisconnectSelectedDriveExecute();
  void ActionDrivesAddNetworkDriveExecute();
  void ActionDrivesRemoveNetworkDriveExecute();
  void AMDrivesRemoveAllNetworkDrivesExecute();
  void ActionDrivesNetworkDrivePropertiesExecute();
  void ActionDrivesOpenNetworkDriveExecute();
  void ActionToolsPreferencesExecute();
  void ActionToolsImportExecute();
  void ActionToolsTrueCryptExecute();
  void ActionHelpHelpExecute();
  void ActionHelpAboutExecute();

  // Every action in the order of the action table (the ActionManager).
  std::vector<TAction*> Actions();
  TAction* FindAction(const std::string& name);
  std::string T(int32_t id) const { return Language.Translate(id); }
  void AddMessage(int imageIndex, const std::string& text) { Surfaces.AddMessage(imageIndex, text); }
  // The record of the selected drive-list row, or null.
  TNetworkDriveItem* SelectedDrive() const { return Engine.SelectedDrive(); }
  // True from the Exit action on: the message loop ends once the runs in progress have.
  bool Terminated() const { return terminated_; }

  // --- What the window owns ---
  Platform& platform;
  THtmlHelp& Help;
  TLanguage Language;                 // ResourceList, LanguageFile
  TQbyConfiguration Configuration;    // IniFile, DeploymentFile, Prefs, NetworkDrives, history
  TSurfaces Surfaces;                 // rows, status text, tray picture and tip, BalloonHintMessage
  TEngine Engine;                     // the flags and counters of the runs
  std::unique_ptr<THeartBeatThread> HeartBeatThread;
  std::string ExecutablePath;
  TMainFormDialogs Dialogs;
  TMainFormSite* Site = nullptr;
  // Called after every rebuild of the drive rows (a survey), when the rows and the
  // selection-dependent actions have changed.
  std::function<void()> OnDriveRowsRebuilt;

  // --- The window ---
  std::string ApplicationTitle;
  std::string Caption;
  int Width = 630;
  int Height = 369;
  bool Visible = false;
  TWindowState WindowState = wsNormal;
  // False while one of the program's modal dialogs is open.
  bool Enabled = true;
  // Whether the application shows its main window when the message loop starts.
  bool ShowMainForm = true;
  bool ApplicationTaskbarButtonHidden = false;
  std::string FontName;
  int FontSize = 0;
  TImageList ImageListMain32b;

  // --- Actions (captions set at start-up) ---
  TAction AMFileMinimizeRestore{"AMFileMinimizeRestore", -1};
  TAction AMFileExit{"AMFileExit", -1};
  TAction AMDrivesConnectDrives{"AMDrivesConnectDrives", 7};
  TAction AMDrivesDisconnectDrives{"AMDrivesDisconnectDrives", 8};
  TAction AMDrivesConnectSelectedDrive{"AMDrivesConnectSelectedDrive", 3};
  TAction AMDrivesDisconnectSelectedDrive{"AMDrivesDisconnectSelectedDrive", 4};
  TAction AMDrivesAddNetworkDrive{"AMDrivesAddNetworkDrive", 9};
  TAction AMDrivesRemoveNetworkDrive{"AMDrivesRemoveNetworkDrive", 10};
  TAction AMDrivesRemoveAllNetworkDrives{"AMDrivesRemoveAllNetworkDrives", 22};
  TAction AMDrivesNetworkDriveProperties{"AMDrivesNetworkDriveProperties", 11};
  TAction AMDrivesOpenNetworkDrive{"AMDrivesOpenNetworkDrive", 17};
  TAction AMToolsPreferences{"AMToolsPreferences", 13};
  TAction AMToolsImport{"AMToolsImport", 14};
  TAction AMToolsTrueCrypt{"AMToolsTrueCrypt", -1};
  TAction AMHelpHelp{"AMHelpHelp", 15, "F1"};
  TAction AMHelpAbout{"AMHelpAbout", 0};

  // --- Menus, tool bar, lists, icon ---
  TMenuBar ActionMainMenuBar;
  TToolBar ActionToolBar;
  TPopupMenu PopupActionMenuMain;
  TPopupMenu PopupActionMenuTrayIcon;
  TReportList ListViewNetworkDrives;  // rows: Surfaces.DriveRows
  TReportList ListViewMessages;       // rows: Surfaces.Messages
  TTrayIcon TrayIcon;                 // picture and tip: Surfaces.TrayPicture, Surfaces.TrayTip

 private:
  void BindActions();
  void BuildMainMenu();
  void SetCaptions();
  void BuildToolBar();
  void BuildPopupMenuMain();
  void BuildPopupMenuTrayIcon();
  void ShowModalDialog(const std::function<void()>& show);
  void SaveAfterDialog();
  void StopHeartBeatThread();
  void VisibilityChanged();
  // Ending: the runs unwind with their calls left behind, so what they would still write
  // into the drives' states is not known; the states at this moment are the ones saved.
  void KeepStatesAtEnd();

  std::vector<std::pair<std::string, TDriveState>> statesAtEnd_;
  bool configurationRead_ = false;  // nothing is saved over a file start-up did not read
  bool destroyed_ = false;
  bool terminated_ = false;
  std::string selectedDrive_;  // the drive the user selected, kept across rebuilt rows
};

// The welcome of the first run, fixed English.
std::string WelcomeText();

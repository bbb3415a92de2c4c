// The main window: start-up, shutdown, the window's states and the notification area.
// The action handlers are in MainActions.cpp.
#include "ui/Main.h"

#include <exception>

#include "base/AsciiText.h"
#include "base/ProductInfo.h"
#include "platform/Platform.h"
#include "platform/MyLibrary.h"

namespace {

constexpr uint32_t SC_MINIMIZE = 0xF020;
constexpr uint32_t SC_RESTORE = 0xF120;
constexpr uint32_t WA_ACTIVE = 1;

// One start-up block: an error ends the block where it stands and start-up goes on.
template <typename Block>
void Guarded(Block block) {
  try {
    block();
  } catch (...) {
  }
}

}  // namespace

std::string WelcomeText() {
  const std::string name = kProductName;
  return "Welcome to " + name + ".\r\n\r\nBy default " + name +
         " will start minimized in the system tray and during Windows logon it ensures that all network drives "
         "under control of " +
         name + " get connected and activated, where after they are kept alive to prevent deactivation.\r\n" +
         "You can change these settings in 'Tools | Preferences'.\r\n\r\nPlease note that " + name +
         " maintains its own list of network drives independently of Windows Explorer, therefore the list is "
         "initially empty. Use 'Tools | Import network drives...' to import any existing network drives.";
}

TMainForm::TMainForm(Platform& p, THtmlHelp& help)
    : platform(p),
      Help(help),
      Configuration(p, Language),
      Surfaces(p),
      Engine(p, Configuration, Language, Surfaces) {
  // A program that starts is not ending, whatever an earlier one on this machine left set.
  platform.ui.SetEnding(false);
  BindActions();
  TrayIcon.PopupMenu = &PopupActionMenuTrayIcon;
  TrayIcon.OnDblClick = [this] { TrayIconDblClick(); };
  Surfaces.OnDriveRowsRebuilt = [this] {
    // The drive the user selected stays selected while it is still listed, so that a
    // survey does not take the Drives menu's target away while the user reaches for it.
    Surfaces.SelectedDriveRow = -1;
    for (size_t row = 0; row < Surfaces.DriveRows.size() && !selectedDrive_.empty(); ++row)
      if (Surfaces.DriveRows[row].Drive && Surfaces.DriveRows[row].Drive->Drive == selectedDrive_)
        Surfaces.SelectedDriveRow = static_cast<int>(row);
    ListViewNetworkDrivesSelectItem();
    if (OnDriveRowsRebuilt) OnDriveRowsRebuilt();
  };
}

TMainForm::~TMainForm() {
  Surfaces.OnDriveRowsRebuilt = nullptr;
  // Reached only after the message loop, outside every keep-alive call.
  HeartBeatThread.reset();
}

void TMainForm::BindActions() {
  AMFileMinimizeRestore.OnExecute = [this] { ActionFileMinimizeRestoreExecute(); };
  AMFileExit.OnExecute = [this] { ActionFileExitExecute(); };
  AMDrivesConnectDrives.OnExecute = [this] { ActionDrivesConnectDrivesExecute(); };
  AMDrivesDisconnectDrives.OnExecute = [this] { ActionDrivesDisconnectDrivesExecute(); };
  AMDrivesConnectSelectedDrive.OnExecute = [this] { ActionDrivesConnectSelectedDriveExecute(); };
  AMDrivesDisconnectSelectedDrive.OnExecute = [this] { ActionDrivesDisconnectSelectedDriveExecute(); };
  AMDrivesAddNetworkDrive.OnExecute = [this] { ActionDrivesAddNetworkDriveExecute(); };
  AMDrivesRemoveNetworkDrive.OnExecute = [this] { ActionDrivesRemoveNetworkDriveExecute(); };
  AMDrivesRemoveAllNetworkDrives.OnExecute = [this] { AMDrivesRemoveAllNetworkDrivesExecute(); };
  AMDrivesNetworkDriveProperties.OnExecute = [this] { ActionDrivesNetworkDrivePropertiesExecute(); };
  AMDrivesOpenNetworkDrive.OnExecute = [this] { ActionDrivesOpenNetworkDriveExecute(); };
  AMToolsPreferences.OnExecute = [this] { ActionToolsPreferencesExecute(); };
  AMToolsImport.OnExecute = [this] { ActionToolsImportExecute(); };
  AMToolsTrueCrypt.OnExecute = [this] { ActionToolsTrueCryptExecute(); };
  AMHelpHelp.OnExecute = [this] { ActionHelpHelpExecute(); };
  AMHelpAbout.OnExecute = [this] { ActionHelpAboutExecute(); };
}

std::vector<TAction*> TMainForm::Actions() {
  return {&AMFileMinimizeRestore,        &AMFileExit,
          &AMDrivesConnectDrives,        &AMDrivesDisconnectDrives,
          &AMDrivesConnectSelectedDrive, &AMDrivesDisconnectSelectedDrive,
          &AMDrivesAddNetworkDrive,      &AMDrivesRemoveNetworkDrive,
          &AMDrivesRemoveAllNetworkDrives, &AMDrivesNetworkDriveProperties,
          &AMDrivesOpenNetworkDrive,     &AMToolsPreferences,
          &AMToolsImport,                &AMToolsTrueCrypt,
          &AMHelpHelp,                   &AMHelpAbout};
}

TAction* TMainForm::FindAction(const std::string& name) {
  for (TAction* action : Actions())
    if (action->Name == name) return action;
  return nullptr;
}

// --- Start-up ---

void TMainForm::FormCreate() {
  ApplicationTitle = Caption = kProductName;
  for (TAction* action : {&AMDrivesConnectSelectedDrive, &AMDrivesDisconnectSelectedDrive,
                          &AMDrivesRemoveNetworkDrive, &AMDrivesNetworkDriveProperties, &AMDrivesOpenNetworkDrive})
    action->Enabled = false;
  Engine.CurrentConnectionError = false;
  Engine.PreviousConnectionError = false;
  Engine.PreferencesHaveBeenChanged = false;
  Engine.WindowsIsShuttingDown = false;
  ExecutablePath = platform.environment.ExecutablePath();

  ImageListMain32b.Clear();
  ConvertImageListTo32Bit(&ImageListMain32b);
  for (int icon = 0; icon < MainImageCount; ++icon) ImageListMain32b.Add(icon);
  FontName = ActionMainMenuBar.FontName = UIFontName(platform);
  FontSize = ActionMainMenuBar.FontSize = UIFontSize(platform);
  HideApplicationTaskbarButton();
  Surfaces.SetTrayPicture(kImageUnknown);
  TrayIcon.Visible = true;

  ReadConfigurationAndTexts(Configuration, Language);
  configurationRead_ = true;
  Engine.SyncThreadValues();

  Guarded([this] { BuildMainMenu(); });
  Guarded([this] { SetCaptions(); });
  Guarded([this] { BuildToolBar(); });
  Guarded([this] { BuildPopupMenuMain(); });
  Guarded([this] { BuildPopupMenuTrayIcon(); });

  const TQbyPrefs& prefs = Configuration.Prefs;
  if (prefs.FirstTimeUsage) {
    RestoreFromSystemTray();
  } else if (prefs.MinimizeOnStartup) {
    MinimizeToSystemTray();
    ShowMainForm = false;
  } else {
    RestoreFromSystemTray();
  }

  if (terminated_) return;  // the session ended during a box of the reading
  HeartBeatThread = std::make_unique<THeartBeatThread>(platform, Engine);
  Engine.UpdateDriveStatus();
  // A question or a call of the steps below lets window messages run, and the session may
  // end meanwhile: the program has then been ended and saved, and starts nothing more.
  if (prefs.DisconnectForeignNetworkDrivesOnStartup) Engine.DisconnectForeignDrives(true);
  if (terminated_) return;
  if (prefs.ConnectNetworkDrivesOnStartup) {
    if (Engine.NrOfDrivesUnderQBYControl == 0) Engine.ImportNetworkDrives(true);
    if (terminated_) return;
    AddMessage(mkInformation, T(Engine.NrOfDrivesUnderQBYControl > 0 ? 10226 : 10304));
    Engine.ConnectDrives(false, "");
    if (terminated_) return;
    if (Engine.CurrentConnectionError) {
      AddMessage(mkInformation, T(10312));
      HeartBeatThread->StartShortInterval();
    }
  }
}

void TMainForm::BuildMainMenu() {
  ActionMainMenuBar.Clear();
  auto menu = [this](int textId, std::vector<TMenuItem> items) {
    TMenuItem title(T(textId));
    title.Items = std::move(items);
    ActionMainMenuBar.Items.push_back(std::move(title));
  };
  const TMenuItem separator = TMenuItem::Separator();
  menu(10100, {TMenuItem::For(AMFileMinimizeRestore), TMenuItem::For(AMFileExit)});
  menu(10023, {TMenuItem::For(AMDrivesConnectSelectedDrive), TMenuItem::For(AMDrivesConnectDrives), separator,
               TMenuItem::For(AMDrivesDisconnectSelectedDrive), TMenuItem::For(AMDrivesDisconnectDrives), separator,
               TMenuItem::For(AMDrivesAddNetworkDrive), TMenuItem::For(AMDrivesRemoveNetworkDrive),
               TMenuItem::For(AMDrivesRemoveAllNetworkDrives), separator,
               TMenuItem::For(AMDrivesNetworkDriveProperties), TMenuItem::For(AMDrivesOpenNetworkDrive)});
  menu(10140, {TMenuItem::For(AMToolsPreferences), TMenuItem::For(AMToolsImport), separator,
               TMenuItem::For(AMToolsTrueCrypt)});
  menu(10150, {TMenuItem::For(AMHelpHelp), separator, TMenuItem::For(AMHelpAbout)});
}

void TMainForm::SetCaptions() {
  ListViewNetworkDrives.Columns = {{WithoutTrailingBlanks(T(10022)), 72, false},  {T(10024), 130, false}, {T(10202), 170, false},
                                   {T(10203), 170, false}, {T(10204), 60, true}};
  ListViewMessages.Columns = {{T(10031), 510, false}, {T(10032), 80, false}};
  AMFileMinimizeRestore.Caption = T(Visible ? 10101 : 10007);
  AMFileExit.Caption = T(10102);
  AMDrivesConnectDrives.Caption = T(10121);
  AMDrivesDisconnectDrives.Caption = T(10122);
  AMDrivesConnectSelectedDrive.Caption = T(10123);
  AMDrivesDisconnectSelectedDrive.Caption = T(10124);
  AMDrivesAddNetworkDrive.Caption = T(10125);
  AMDrivesRemoveNetworkDrive.Caption = T(10126);
  AMDrivesRemoveAllNetworkDrives.Caption = T(10129);
  AMDrivesNetworkDriveProperties.Caption = T(10128) + "...";
  AMDrivesOpenNetworkDrive.Caption = T(10007) + "...";
  AMToolsPreferences.Caption = T(10141) + "...";
  AMToolsImport.Caption = T(10142);
  AMToolsTrueCrypt.Caption = T(10143);
  AMHelpHelp.Caption = T(10150);
  AMHelpAbout.Caption = T(10152) + "...";
}

void TMainForm::BuildToolBar() {
  ActionToolBar.Clear();
  ActionToolBar.Items = {TMenuItem::For(AMDrivesConnectSelectedDrive),    TMenuItem::For(AMDrivesConnectDrives),
                         TMenuItem::Separator(),
                         TMenuItem::For(AMDrivesDisconnectSelectedDrive), TMenuItem::For(AMDrivesDisconnectDrives),
                         TMenuItem::Separator(),
                         TMenuItem::For(AMDrivesAddNetworkDrive),         TMenuItem::For(AMDrivesRemoveNetworkDrive),
                         TMenuItem::For(AMDrivesRemoveAllNetworkDrives),  TMenuItem::Separator(),
                         TMenuItem::For(AMDrivesNetworkDriveProperties)};
}

void TMainForm::BuildPopupMenuMain() {
  PopupActionMenuMain.Clear();
  PopupActionMenuMain.Items = {TMenuItem::For(AMDrivesConnectSelectedDrive),
                               TMenuItem::For(AMDrivesDisconnectSelectedDrive),
                               TMenuItem::Separator(),
                               TMenuItem::For(AMDrivesAddNetworkDrive),
                               TMenuItem::For(AMDrivesRemoveNetworkDrive),
                               TMenuItem::Separator(),
                               TMenuItem::For(AMDrivesNetworkDriveProperties),
                               TMenuItem::For(AMDrivesOpenNetworkDrive)};
}

void TMainForm::BuildPopupMenuTrayIcon() {
  PopupActionMenuTrayIcon.Clear();
  PopupActionMenuTrayIcon.Items = {TMenuItem::For(AMDrivesConnectDrives), TMenuItem::For(AMDrivesDisconnectDrives),
                                   TMenuItem::Separator(), TMenuItem::For(AMFileMinimizeRestore),
                                   TMenuItem::For(AMFileExit)};
}

void TMainForm::FormActivate() {
  // The icon ignores the mouse while the welcome box is up, so a double-click cannot
  // hide the window under it.
  TrayIcon.Enabled = false;
  try {
    if (Configuration.Prefs.FirstTimeUsage) {
      Configuration.Prefs.FirstTimeUsage = false;
      platform.ui.MessageBox(WelcomeText(), kProductName, MessageBoxKind::Information);
    }
  } catch (...) {
    TrayIcon.Enabled = true;
    throw;
  }
  TrayIcon.Enabled = true;
}

// --- The window's states ---

void TMainForm::VisibilityChanged() {
  if (Site != nullptr) Site->VisibilityChanged();
}

void TMainForm::HideApplicationTaskbarButton() {
  // The main window carries the program's only taskbar button, shown only with it.
  ApplicationTaskbarButtonHidden = true;
}

void TMainForm::MinimizeToSystemTray() {
  Visible = false;
  AMFileMinimizeRestore.Caption = T(10007);
  VisibilityChanged();
}

void TMainForm::RestoreFromSystemTray() {
  if (WindowState == wsMinimized) WindowState = wsNormal;
  Visible = true;
  VisibilityChanged();
  if (Site != nullptr) Site->BringToFront();
  AMFileMinimizeRestore.Caption = T(10101);
}

void TMainForm::FormClose(TCloseAction& Action) {
  if (terminated_) {
    Action = caFree;
    return;
  }
  Action = caNone;
  MinimizeToSystemTray();
}

bool TMainForm::WMSysCommand(uint32_t Command) {
  switch (Command & 0xFFF0) {
    case SC_MINIMIZE:
      // To the taskbar button, not to the notification area.
      WindowState = wsMinimized;
      break;
    case SC_RESTORE:
      WindowState = wsNormal;
      break;
    default:
      return false;
  }
  VisibilityChanged();
  return true;
}

bool TMainForm::WMActivate(uint32_t State) {
  // While a modal dialog is open the window is disabled: the dialog comes to the front.
  return State == WA_ACTIVE && !Enabled;
}

void TMainForm::WMDeviceChange(const DeviceChange& change) { Engine.WMDeviceChange(change); }

// --- Shutdown ---

bool TMainForm::WMQueryEndSession() {
  Engine.WindowsIsShuttingDown = true;
  try {
    if (Configuration.Prefs.RemoveAllNetworkDrivesOnExit) Engine.RemoveDrives("");
  } catch (...) {
    // The program never holds the session up.
  }
  return true;
}

void TMainForm::WMEndSession(bool Ending) {
  if (!Ending) {
    // Another program cancelled the end of the session: a later Exit is a normal one.
    Engine.WindowsIsShuttingDown = false;
    return;
  }
  Engine.WindowsIsShuttingDown = true;
  terminated_ = true;
  KeepStatesAtEnd();
  platform.ui.SetEnding(true);
  FormDestroy();
  if (Site != nullptr) Site->Terminate();
}

void TMainForm::KeepStatesAtEnd() {
  if (!statesAtEnd_.empty()) return;
  for (const auto& drive : Configuration.NetworkDrives) statesAtEnd_.emplace_back(drive->Drive, drive->State);
}

void TMainForm::StopHeartBeatThread() {
  if (!HeartBeatThread) return;
  try {
    // From inside one of the thread's own calls it cannot be waited for (it waits for that
    // very call): it is only told to stop, and freed once the call has returned.
    if (HeartBeatThread->TerminateAndWait()) HeartBeatThread.reset();
  } catch (...) {
  }
}

void TMainForm::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  StopHeartBeatThread();
  if (!configurationRead_) return;  // start-up failed before the drives were read
  for (const auto& [letter, state] : statesAtEnd_)
    if (TNetworkDriveItem* drive = Configuration.NetworkDrives.FindDrive(letter)) drive->State = state;
  // After an Exit the runs have unwound by now: the shutdown's own calls wait as any do.
  if (!Engine.WindowsIsShuttingDown) platform.ui.SetEnding(false);
  const TQbyPrefs& prefs = Configuration.Prefs;
  try {
    if (prefs.RemoveAllNetworkDrivesOnExit && !Engine.WindowsIsShuttingDown) Engine.RemoveDrives("");
  } catch (...) {
  }
  try {
    if (prefs.DismountVolumesOnExit && !Engine.WindowsIsShuttingDown) Engine.DismountAllVolumes();
  } catch (...) {
  }
  try {
    if (Engine.WindowsIsShuttingDown)
      Configuration.SaveConfiguration();  // no box: the session is ending
    else
      Configuration.SaveConfigurationReportingErrors();
  } catch (...) {
  }
  TrayIcon.Visible = false;
  Surfaces.BalloonHintMessage.HideBalloon();
  // The files are let go now; the records, texts and surfaces go with the window, after
  // the last thing that could still read them (a run this may be nested in included).
  Configuration.DeploymentFile.reset();
  Language.LanguageFile.reset();
}

// The main window's actions, its selection and double-click rules.
#include <exception>

#include "platform/Platform.h"
#include "platform/WinTypes.h"
#include "ui/HtmlHelp.h"
#include "ui/Main.h"

void TMainForm::ListViewNetworkDrivesSelectItem() {
  for (TAction* action : {&AMDrivesConnectSelectedDrive, &AMDrivesDisconnectSelectedDrive,
                          &AMDrivesRemoveNetworkDrive, &AMDrivesNetworkDriveProperties, &AMDrivesOpenNetworkDrive})
    action->Enabled = false;
  const TNetworkDriveItem* drive = SelectedDrive();
  selectedDrive_ = drive ? drive->Drive : "";
  if (drive == nullptr) return;
  AMDrivesConnectSelectedDrive.Enabled = true;
  AMDrivesRemoveNetworkDrive.Enabled = true;
  AMDrivesNetworkDriveProperties.Enabled = true;
  AMDrivesOpenNetworkDrive.Enabled = drive->State == dsConnected;
  AMDrivesDisconnectSelectedDrive.Enabled = drive->State != dsDisconnected;
}

void TMainForm::SelectDriveRow(int row) {
  const bool inRange = row >= 0 && static_cast<size_t>(row) < Surfaces.DriveRows.size();
  Surfaces.SelectedDriveRow = inRange ? row : -1;
  ListViewNetworkDrivesSelectItem();
}

void TMainForm::ListViewNetworkDrivesDblClick() {
  if (SelectedDrive() == nullptr) return;
  if (Configuration.Prefs.DoubleClickIsExploreNetworkDrive)
    ActionDrivesOpenNetworkDriveExecute();
  else
    ActionDrivesNetworkDrivePropertiesExecute();
}

void TMainForm::TrayIconDblClick() { ActionFileMinimizeRestoreExecute(); }

void TMainForm::ActionFileMinimizeRestoreExecute() {
  // Minimized to the taskbar still counts as on screen.
  if (Visible)
    MinimizeToSystemTray();
  else
    RestoreFromSystemTray();
}

void TMainForm::ActionFileExitExecute() {
  // Only asks to end: a run this may be nested in finishes first, and the shutdown
  // follows once the message loop has unwound.
  terminated_ = true;
  // A call in flight is left behind, so the runs unwind without waiting for a server.
  KeepStatesAtEnd();
  platform.ui.SetEnding(true);
  if (Site != nullptr) Site->Terminate();
}

void TMainForm::ActionDrivesConnectDrivesExecute() { Engine.ActionDrivesConnectDrivesExecute(); }

void TMainForm::ActionDrivesDisconnectDrivesExecute() { Engine.ActionDrivesDisconnectDrivesExecute(); }

void TMainForm::ActionDrivesConnectSelectedDriveExecute() { Engine.ActionDrivesConnectSelectedDriveExecute(); }

void TMainForm::ActionDrivesDisconnectSelectedDriveExecute() { Engine.ActionDrivesDisconnectSelectedDriveExecute(); }

void TMainForm::ActionDrivesRemoveNetworkDriveExecute() { Engine.ActionDrivesRemoveNetworkDriveExecute(); }

void TMainForm::AMDrivesRemoveAllNetworkDrivesExecute() { Engine.AMDrivesRemoveAllNetworkDrivesExecute(); }

void TMainForm::ShowModalDialog(const std::function<void()>& show) {
  if (!show) return;
  Enabled = false;
  try {
    show();
  } catch (...) {
    Enabled = true;
    throw;
  }
  Enabled = true;
}

void TMainForm::SaveAfterDialog() {
  if (!Engine.PreferencesHaveBeenChanged) return;
  Configuration.SaveConfigurationReportingErrors();
  Engine.PreferencesHaveBeenChanged = false;
}

void TMainForm::ActionDrivesAddNetworkDriveExecute() {
  ShowModalDialog([this] {
    if (Dialogs.ShowNetworkDriveProperties) Dialogs.ShowNetworkDriveProperties("");
  });
  SaveAfterDialog();
}

void TMainForm::ActionDrivesNetworkDrivePropertiesExecute() {
  const TNetworkDriveItem* selected = SelectedDrive();
  if (selected == nullptr) return;
  const std::string drive = selected->Drive;
  ShowModalDialog([&] {
    if (Dialogs.ShowNetworkDriveProperties) Dialogs.ShowNetworkDriveProperties(drive);
  });
  SaveAfterDialog();
}

void TMainForm::ActionDrivesOpenNetworkDriveExecute() {
  const TNetworkDriveItem* selected = SelectedDrive();
  if (selected == nullptr) return;
  const std::string root = selected->Drive + "\\";
  // What the shell makes of it is its own business; nothing is reported.
  try {
    platform.shell.ShellExecute("open", root.c_str(), nullptr, win::SW_SHOWNORMAL);
  } catch (const std::exception&) {
  }
}

void TMainForm::ActionToolsPreferencesExecute() {
  ShowModalDialog(Dialogs.ShowPreferences);
  if (!Engine.PreferencesHaveBeenChanged) return;
  SaveAfterDialog();
  AddMessage(mkInformation, T(10313));
  // A changed reconnect interval applies at once (the dialog has handed it to the thread).
  if (HeartBeatThread) HeartBeatThread->StartLongInterval();
}

void TMainForm::ActionToolsImportExecute() { Engine.ImportNetworkDrives(false); }

void TMainForm::ActionToolsTrueCryptExecute() { Engine.StartTrueCrypt(); }

void TMainForm::ActionHelpHelpExecute() {
  if (Help.ShowHelp(T(10319)) == THtmlHelp::TShowResult::ViewerFailed) AddMessage(mkError, T(10318));
}

void TMainForm::ActionHelpAboutExecute() { ShowModalDialog(Dialogs.ShowAbout); }

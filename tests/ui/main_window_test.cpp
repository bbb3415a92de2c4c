// The main window as a user meets it: the selection steering the actions, double-clicks,
// the menus and their captions, hiding to the notification area, the dialogs it opens.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/Configuration.h"
#include "platform/WinTypes.h"
#include "support/MainWindowTest.h"
#include "support/TestApp.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

constexpr uint32_t SC_MINIMIZE = 0xF020;
constexpr uint32_t SC_RESTORE = 0xF120;
constexpr uint32_t SC_MAXIMIZE = 0xF030;

struct MainWindow : ::testing::Test, MainWindowTest {
  // Four drives: H: connects, K: the user disconnected, M: fails (no such share), P:
  // not yet examined.
  TMainForm& StartWithFourStates() {
    pc.AddShare(kMedia);
    pc.AddShare(kOffice);
    pc.AddShare(kMusic);
    WriteConfiguration(With([](TestPrefs& p) { p.ConnectNetworkDrivesOnStartup = false; }),
                       {{"H:", kMedia}, {"K:", kOffice}, {"M:", kPhotos}, {"P:", kMusic}});
    TMainForm& f = Start();
    f.Engine.ConnectDrives(true, "H:");
    f.Engine.ConnectDrives(true, "K:");
    f.Engine.DisconnectDrives(false, "K:");
    f.Engine.ConnectDrives(true, "M:");
    return f;
  }

  struct Enabled {
    bool connect, disconnect, remove, properties, open;
    bool operator==(const Enabled&) const = default;
  };
  Enabled SelectionActions() const {
    return {form->AMDrivesConnectSelectedDrive.Enabled, form->AMDrivesDisconnectSelectedDrive.Enabled,
            form->AMDrivesRemoveNetworkDrive.Enabled, form->AMDrivesNetworkDriveProperties.Enabled,
            form->AMDrivesOpenNetworkDrive.Enabled};
  }

  // Entries of a menu as action names, "-" for separators.
  static std::vector<std::string> Names(const std::vector<TMenuItem>& items) {
    std::vector<std::string> names;
    for (const TMenuItem& item : items) names.push_back(item.IsSeparator() ? "-" : item.Action->Name);
    return names;
  }
};

void PrintTo(const MainWindow::Enabled& e, std::ostream* os) {
  *os << "{connect " << e.connect << ", disconnect " << e.disconnect << ", remove " << e.remove
      << ", properties " << e.properties << ", open " << e.open << "}";
}

}  // namespace

TEST_F(MainWindow, SelectionEnablesWhatTheSelectedDrivesStateAllows) {
  TMainForm& f = StartWithFourStates();
  ASSERT_EQ(f.Engine.NrOfDrivesInError, 1);
  // Nothing selected at start: the five are off, and so is running one of them.
  EXPECT_EQ(SelectionActions(), (Enabled{false, false, false, false, false}));
  EXPECT_FALSE(f.AMDrivesOpenNetworkDrive.Execute());

  Select("H:");  // connected: all five
  EXPECT_EQ(SelectionActions(), (Enabled{true, true, true, true, true}));
  Select("K:");  // disconnected: neither open nor disconnect
  EXPECT_EQ(SelectionActions(), (Enabled{true, false, true, true, false}));
  Select("M:");  // in error: all but open
  EXPECT_EQ(SelectionActions(), (Enabled{true, true, true, true, false}));
  Select("P:");  // not examined yet: all but open
  EXPECT_EQ(SelectionActions(), (Enabled{true, true, true, true, false}));

  // A survey rebuilds the list and keeps the selected drive selected while it is listed
  // (rows before it may have gone); once it is no longer listed, the five go off again.
  Select("K:");
  f.Engine.NetworkDrives().FindDrive("H:")->QbyControl = false;
  f.Engine.UpdateDriveStatus();
  ASSERT_NE(f.SelectedDrive(), nullptr);
  EXPECT_EQ(f.SelectedDrive()->Drive, "K:");
  EXPECT_EQ(SelectionActions(), (Enabled{true, false, true, true, false}));
  f.Engine.NetworkDrives().FindDrive("K:")->QbyControl = false;
  f.Engine.UpdateDriveStatus();
  EXPECT_EQ(f.Surfaces.SelectedDriveRow, -1);
  EXPECT_EQ(SelectionActions(), (Enabled{false, false, false, false, false}));
  f.Engine.NetworkDrives().FindDrive("K:")->QbyControl = true;
  f.Engine.UpdateDriveStatus();
  EXPECT_EQ(f.Surfaces.SelectedDriveRow, -1) << "a drive listed again is not selected by itself";

  // The entries follow their actions, in every place they appear.
  Select("K:");
  EXPECT_FALSE(f.ActionMainMenuBar.Items[1].Items[3].ShownEnabled());  // Drives | Disconnect selected
  EXPECT_FALSE(f.PopupActionMenuMain.Items[1].ShownEnabled());
  EXPECT_TRUE(f.ActionToolBar.Items[0].ShownEnabled());                // Connect selected
}

TEST_F(MainWindow, ActionsOnTheSelectionWorkOnTheSelectedDriveOnly) {
  TMainForm& f = StartWithFourStates();
  Select("K:");
  NewMessages();
  ASSERT_TRUE(f.PopupActionMenuMain.Items[0].Click());  // Connect selected drive
  // (M: failed earlier; this run had no error, so the errors count as cleared.)
  EXPECT_THAT(NewMessages(), ElementsAre(T(10225) + "K:' ...", T(10300) + "K:'.", T(10308)));
  EXPECT_EQ(pc.MappingOf('K'), kOffice);
  EXPECT_EQ(pc.MappingOf('P'), "");

  // The survey after the run kept K: selected: the next entry works on it, and only on it.
  ASSERT_TRUE(f.PopupActionMenuMain.Items[1].Click());  // Disconnect selected drive
  EXPECT_EQ(pc.MappingOf('K'), "");
  EXPECT_EQ(pc.MappingOf('H'), kMedia);
  NewMessages();

  // Remove asks about the selected drive and removes it on Yes.
  Select("H:");
  pc.AnswerNext(win::IDYES);
  f.AMDrivesRemoveNetworkDrive.Execute();
  ASSERT_FALSE(pc.MessageBoxes.empty());
  EXPECT_EQ(pc.MessageBoxes.back().Text, T(10466) + "H:' ?");
  EXPECT_EQ(pc.MappingOf('H'), "");
  EXPECT_THAT(ConfigurationText(), Not(HasSubstr("[NetworkDrive_H:]")));
}

TEST_F(MainWindow, OpenShowsTheDrivesRootFolderInTheShell) {
  TMainForm& f = StartWithFourStates();
  Select("H:");
  pc.Starts.clear();
  ASSERT_TRUE(f.AMDrivesOpenNetworkDrive.Execute());
  ASSERT_EQ(pc.Starts.size(), 1u);
  EXPECT_EQ(pc.Starts[0].Verb, "open");
  EXPECT_EQ(pc.Starts[0].File, "H:\\");
  EXPECT_FALSE(pc.Starts[0].ParametersGiven);
  EXPECT_EQ(pc.Starts[0].ShowCommand, win::SW_SHOWNORMAL);

  // A shell that cannot open it reports nothing.
  pc.RefuseStart("H:\\");
  NewMessages();
  f.ActionDrivesOpenNetworkDriveExecute();
  EXPECT_TRUE(NewMessages().empty());
  EXPECT_TRUE(pc.MessageBoxes.empty());
}

TEST_F(MainWindow, DoubleClickOpensOrShowsPropertiesAsPreferred) {
  TMainForm& f = StartWithFourStates();
  std::vector<std::string> dialogDrives;
  bool disabledWhileOpen = false;
  f.Dialogs.ShowNetworkDriveProperties = [&](const std::string& drive) {
    dialogDrives.push_back(drive);
    disabledWhileOpen = !f.Enabled;
    f.Engine.PreferencesHaveBeenChanged = true;  // the user saved in the dialog
  };

  // Nothing selected: nothing happens.
  pc.Starts.clear();
  f.ListViewNetworkDrivesDblClick();
  EXPECT_TRUE(dialogDrives.empty());
  EXPECT_TRUE(pc.Starts.empty());

  // Properties by default, on the selected drive; the window saves after the dialog.
  Select("K:");
  const int saves = pc.ReplaceCount;
  f.ListViewNetworkDrivesDblClick();
  EXPECT_THAT(dialogDrives, ElementsAre("K:"));
  EXPECT_TRUE(disabledWhileOpen);
  EXPECT_TRUE(f.Enabled);
  EXPECT_EQ(pc.ReplaceCount, saves + 1);
  EXPECT_FALSE(f.Engine.PreferencesHaveBeenChanged);
  EXPECT_TRUE(pc.Starts.empty());

  // Exploring preferred: the drive's folder opens instead.
  f.Configuration.Prefs.DoubleClickIsExploreNetworkDrive = true;
  Select("H:");
  f.ListViewNetworkDrivesDblClick();
  ASSERT_EQ(pc.Starts.size(), 1u);
  EXPECT_EQ(pc.Starts[0].File, "H:\\");
  EXPECT_EQ(dialogDrives.size(), 1u);
}

TEST_F(MainWindow, AddAndAboutOpenTheirDialogsAndOnlyChangesAreSaved) {
  TMainForm& f = StartWithFourStates();
  std::vector<std::string> opened;
  f.Dialogs.ShowNetworkDriveProperties = [&](const std::string& drive) { opened.push_back("drive " + drive); };
  f.Dialogs.ShowAbout = [&] { opened.push_back("about"); };
  const int saves = pc.ReplaceCount;

  f.AMDrivesAddNetworkDrive.Execute();  // cancelled: nothing changed
  f.AMHelpAbout.Execute();
  EXPECT_THAT(opened, ElementsAre("drive ", "about"));
  EXPECT_EQ(pc.ReplaceCount, saves);

  // An escaping error leaves the window usable.
  f.Dialogs.ShowAbout = [] { throw std::runtime_error("dialog failed"); };
  EXPECT_THROW(f.ActionHelpAboutExecute(), std::runtime_error);
  EXPECT_TRUE(f.Enabled);
}

TEST_F(MainWindow, ConfirmedPreferencesAreSavedAndTheNewIntervalAppliesAtOnce) {
  WriteConfiguration(With([](TestPrefs& p) { p.ConnectNetworkDrivesOnStartup = false; }), {});
  TMainForm& f = Start();
  // As the dialog confirms: through the engine, which hands the interval to the thread.
  f.Dialogs.ShowPreferences = [&] {
    TQbyPrefs prefs = f.Configuration.Prefs;
    prefs.LongReconnectInterval = 5;
    f.Engine.StorePreferences(prefs);
    f.Engine.PreferencesHaveBeenChanged = true;
  };
  pc.Advance(30000);  // half of the first minute
  NewMessages();

  f.AMToolsPreferences.Execute();

  EXPECT_THAT(NewMessages(), ElementsAre(T(10313)));
  EXPECT_THAT(ConfigurationText(), HasSubstr("LongReconnectInterval=5"));
  EXPECT_FALSE(f.Engine.PreferencesHaveBeenChanged);
  EXPECT_EQ(f.HeartBeatThread->DueMs(), pc.NowMs() + 5 * 60000);

  // Cancelled: nothing written, no line.
  f.Dialogs.ShowPreferences = [] {};
  const int saves = pc.ReplaceCount;
  f.AMToolsPreferences.Execute();
  EXPECT_TRUE(NewMessages().empty());
  EXPECT_EQ(pc.ReplaceCount, saves);
}

TEST_F(MainWindow, MinimizeRestoreCaptionNamesTheNextStepInBothMenus) {
  WriteConfiguration(With([](TestPrefs& p) { p.MinimizeOnStartup = false; p.ConnectNetworkDrivesOnStartup = false; }), {});
  TMainForm& f = Start();
  TMenuItem& fileEntry = f.ActionMainMenuBar.Items[0].Items[0];
  TMenuItem& trayEntry = f.PopupActionMenuTrayIcon.Items[3];
  ASSERT_EQ(fileEntry.Action, &f.AMFileMinimizeRestore);
  ASSERT_EQ(trayEntry.Action, &f.AMFileMinimizeRestore);
  ASSERT_NE(T(10101), T(10007));

  EXPECT_TRUE(f.Visible);
  EXPECT_EQ(fileEntry.ShownCaption(), T(10101));
  EXPECT_EQ(trayEntry.ShownCaption(), T(10101));

  // The title bar's minimize button: to the taskbar, still on screen.
  EXPECT_TRUE(f.WMSysCommand(SC_MINIMIZE | 0x2));
  EXPECT_EQ(f.WindowState, wsMinimized);
  EXPECT_TRUE(f.Visible);
  EXPECT_EQ(trayEntry.ShownCaption(), T(10101));

  // The tray menu's entry hides even the minimized window.
  ASSERT_TRUE(trayEntry.Click());
  EXPECT_FALSE(f.Visible);
  EXPECT_EQ(fileEntry.ShownCaption(), T(10007));
  EXPECT_EQ(trayEntry.ShownCaption(), T(10007));

  // A double-click on the icon brings it back, normal and in front.
  const int fronts = site.BroughtToFront;
  f.TrayIcon.DblClick();
  EXPECT_TRUE(f.Visible);
  EXPECT_EQ(f.WindowState, wsNormal);
  EXPECT_EQ(site.BroughtToFront, fronts + 1);
  EXPECT_EQ(fileEntry.ShownCaption(), T(10101));

  // The close box hides; the program and its icon stay.
  TCloseAction action = caFree;
  f.FormClose(action);
  EXPECT_EQ(action, caNone);
  EXPECT_FALSE(f.Visible);
  EXPECT_TRUE(f.TrayIcon.Visible);
  EXPECT_FALSE(f.Terminated());
  EXPECT_EQ(trayEntry.ShownCaption(), T(10007));

  // Other system commands take the default path.
  f.RestoreFromSystemTray();
  EXPECT_TRUE(f.WMSysCommand(SC_MINIMIZE));
  EXPECT_TRUE(f.WMSysCommand(SC_RESTORE));
  EXPECT_EQ(f.WindowState, wsNormal);
  EXPECT_FALSE(f.WMSysCommand(SC_MAXIMIZE));
}

TEST_F(MainWindow, ActivationGoesToAnOpenModalDialog) {
  WriteConfiguration(With([](TestPrefs& p) { p.MinimizeOnStartup = false; p.ConnectNetworkDrivesOnStartup = false; }), {});
  TMainForm& f = Start();
  std::vector<bool> handled;
  f.Dialogs.ShowAbout = [&] {
    handled.push_back(f.WMActivate(1));  // from the taskbar or Alt+Tab
    handled.push_back(f.WMActivate(2));  // a click goes where it was aimed
  };
  f.ActionHelpAboutExecute();
  EXPECT_THAT(handled, ElementsAre(true, false));
  EXPECT_FALSE(f.WMActivate(1));
}

TEST_F(MainWindow, MenusToolBarAndPopupsHoldTheirActionsInOrder) {
  WriteConfiguration(With([](TestPrefs& p) { p.ConnectNetworkDrivesOnStartup = false; }), {});
  TMainForm& f = Start();

  ASSERT_EQ(f.ActionMainMenuBar.Items.size(), 4u);
  EXPECT_EQ(f.ActionMainMenuBar.Items[0].Caption, T(10100));
  EXPECT_EQ(f.ActionMainMenuBar.Items[1].Caption, T(10023));
  EXPECT_EQ(f.ActionMainMenuBar.Items[2].Caption, T(10140));
  EXPECT_EQ(f.ActionMainMenuBar.Items[3].Caption, T(10150));
  EXPECT_THAT(Names(f.ActionMainMenuBar.Items[0].Items), ElementsAre("AMFileMinimizeRestore", "AMFileExit"));
  EXPECT_THAT(Names(f.ActionMainMenuBar.Items[1].Items),
              ElementsAre("AMDrivesConnectSelectedDrive", "AMDrivesConnectDrives", "-",
                          "AMDrivesDisconnectSelectedDrive", "AMDrivesDisconnectDrives", "-",
                          "AMDrivesAddNetworkDrive", "AMDrivesRemoveNetworkDrive", "AMDrivesRemoveAllNetworkDrives",
                          "-", "AMDrivesNetworkDriveProperties", "AMDrivesOpenNetworkDrive"));
  EXPECT_THAT(Names(f.ActionMainMenuBar.Items[2].Items),
              ElementsAre("AMToolsPreferences", "AMToolsImport", "-", "AMToolsTrueCrypt"));
  EXPECT_THAT(Names(f.ActionMainMenuBar.Items[3].Items), ElementsAre("AMHelpHelp", "-", "AMHelpAbout"));
  EXPECT_THAT(Names(f.ActionToolBar.Items),
              ElementsAre("AMDrivesConnectSelectedDrive", "AMDrivesConnectDrives", "-",
                          "AMDrivesDisconnectSelectedDrive", "AMDrivesDisconnectDrives", "-",
                          "AMDrivesAddNetworkDrive", "AMDrivesRemoveNetworkDrive", "AMDrivesRemoveAllNetworkDrives",
                          "-", "AMDrivesNetworkDriveProperties"));
  EXPECT_FALSE(f.ActionToolBar.ShowCaptions);
  EXPECT_THAT(Names(f.PopupActionMenuMain.Items),
              ElementsAre("AMDrivesConnectSelectedDrive", "AMDrivesDisconnectSelectedDrive", "-",
                          "AMDrivesAddNetworkDrive", "AMDrivesRemoveNetworkDrive", "-",
                          "AMDrivesNetworkDriveProperties", "AMDrivesOpenNetworkDrive"));
  EXPECT_THAT(Names(f.PopupActionMenuTrayIcon.Items),
              ElementsAre("AMDrivesConnectDrives", "AMDrivesDisconnectDrives", "-", "AMFileMinimizeRestore",
                          "AMFileExit"));
  EXPECT_EQ(f.TrayIcon.PopupMenu, &f.PopupActionMenuTrayIcon);

  // Captions with the "..." the program adds, images of the roles, F1 for help.
  EXPECT_EQ(f.AMDrivesNetworkDriveProperties.Caption, T(10128) + "...");
  EXPECT_EQ(f.AMDrivesOpenNetworkDrive.Caption, T(10007) + "...");
  EXPECT_EQ(f.AMToolsPreferences.Caption, T(10141) + "...");
  EXPECT_EQ(f.AMHelpAbout.Caption, T(10152) + "...");
  EXPECT_EQ(f.AMDrivesAddNetworkDrive.Caption, T(10125));
  EXPECT_EQ(f.ActionToolBar.Items[8].ShownImage(), 22);
  EXPECT_EQ(f.AMHelpHelp.ShortCut, "F1");
  EXPECT_EQ(f.ListViewNetworkDrives.Columns.size(), 5u);
  EXPECT_TRUE(f.ListViewNetworkDrives.Columns[4].RightAligned);
  EXPECT_EQ(f.ListViewMessages.Columns[1].Caption, T(10032));
  EXPECT_EQ(f.ImageListMain32b.Count(), 23);
  EXPECT_EQ(f.ImageListMain32b.ColorDepth, 32);
}

TEST_F(MainWindow, WithoutALanguageFileEveryCaptionShowsItsPlaceholderAndExitItsName) {
  pc.RemoveFile(ExecutableFolder(pc.platform()) + "Languages.ini");
  WriteConfiguration(With([](TestPrefs& p) { p.ConnectNetworkDrivesOnStartup = false; }), {});
  TMainForm& f = Start();
  EXPECT_EQ(f.AMFileExit.Caption, "Exit");
  EXPECT_EQ(f.AMDrivesConnectDrives.Caption, "<Translation error for ID 10121>");
  EXPECT_EQ(f.AMHelpAbout.Caption, "<Translation error for ID 10152>...");
  EXPECT_EQ(f.ActionMainMenuBar.Items.size(), 4u);
}

TEST_F(MainWindow, RemoveAllAndTheConnectAllEntriesOfTheTrayMenu) {
  TMainForm& f = StartWithFourStates();
  NewMessages();
  ASSERT_TRUE(f.PopupActionMenuTrayIcon.Items[0].Click());  // Connect all drives
  const std::vector<std::string> lines = NewMessages();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), T(10226));
  EXPECT_EQ(pc.MappingOf('K'), kOffice);  // also the one the user disconnected

  // Remove all asks first; No keeps everything.
  f.AMDrivesRemoveAllNetworkDrives.Execute();
  EXPECT_EQ(pc.MessageBoxes.back().Text, T(10467) + " ?");
  EXPECT_EQ(f.Engine.NrOfDrivesUnderQBYControl, 4);
  pc.AnswerNext(win::IDYES);
  f.AMDrivesRemoveAllNetworkDrives.Execute();
  EXPECT_EQ(f.Engine.NrOfDrivesUnderQBYControl, 0);
  EXPECT_TRUE(f.Surfaces.DriveRows.empty());
}

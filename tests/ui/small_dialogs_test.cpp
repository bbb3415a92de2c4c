// The program and volume dialogs, the preferences and the about dialog, driven like a user.
#include "DialogsFixture.h"

#include <algorithm>

#include "data/Languages.h"
#include "engine/HeartBeatThread.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

TEST_F(Dialogs, RunProgramOkFollowsTheProgramBoxAndBrowseFillsIt) {
  StartWith({});
  runProgram->EditRunProgram.SetText("");
  pc.WhenModal([&] {
    EXPECT_EQ(runProgram->ActiveControl(), &runProgram->EditRunProgram);
    EXPECT_FALSE(runProgram->ButtonOK.Enabled());
    runProgram->EditRunProgram.Type(" ");
    EXPECT_TRUE(runProgram->ButtonOK.Enabled()) << "a blank counts as a character";
    runProgram->EditRunProgram.Type("");
    EXPECT_FALSE(runProgram->ButtonOK.Enabled());
    runProgram->PressEnter();
    EXPECT_FALSE(runProgram->ModalEnded()) << "Enter does nothing while OK is disabled";

    runProgram->EditRunProgram.Type("kept.exe");
    runProgram->EditParameters.Type("-x");
    runProgram->ButtonBrowse.Click();  // cancelled
    EXPECT_EQ(runProgram->EditRunProgram.Text(), "kept.exe");
    pc.ChooseFile("C:\\Program Files\\Tool\\tool.exe");
    runProgram->ButtonBrowse.Click();
    EXPECT_EQ(runProgram->EditRunProgram.Text(), "C:\\Program Files\\Tool\\tool.exe");
    EXPECT_EQ(runProgram->EditParameters.Text(), "-x");
    runProgram->PressEscape();
  });
  EXPECT_EQ(runProgram->ShowModal(), mrCancel);
  ASSERT_EQ(pc.OpenFileRequests.size(), 2u);
  EXPECT_EQ(pc.OpenFileRequests[0].Filter, "Programs|*.exe;*.com;*.bat;|All files|*.*");
  EXPECT_EQ(pc.OpenFileRequests[0].InitialDir, "C:\\");
  EXPECT_EQ(runProgram->Caption(), app.T(10410));
  EXPECT_EQ(runProgram->LabelOpen.Caption(), app.T(10007) + ":");
}

TEST_F(Dialogs, VolumeDialogOffersFreeLettersButNeverTheDrivesOwnAndKeepsTheEditedLetter) {
  pc.SetLocalDrive('M', win::DRIVE_FIXED);  // the volume is mounted on M: now
  pc.SetLocalDrive('E', win::DRIVE_CDROM);
  StartWith({});
  volume->CurrentDrive = "F:";  // a network drive that is not connected: F: is free
  volume->TrueCryptDrive = "";
  volume->EditVolume.SetText("");
  pc.WhenModal([&] {
    const std::vector<std::string>& offered = volume->ComboBoxDrive.Items();
    EXPECT_EQ(offered.front(), "Z:");
    EXPECT_EQ(std::count(offered.begin(), offered.end(), "F:"), 0);
    EXPECT_EQ(std::count(offered.begin(), offered.end(), "M:"), 0);
    EXPECT_EQ(std::count(offered.begin(), offered.end(), "E:"), 0);
    EXPECT_EQ(std::count(offered.begin(), offered.end(), "C:"), 0);
    EXPECT_EQ(offered.size(), 26u - 4u);
    EXPECT_EQ(volume->ComboBoxDrive.ItemIndex(), -1);
    volume->EditVolume.Type("\\\\nas\\vault.tc");
    EXPECT_FALSE(volume->ButtonOK.Enabled()) << "a letter is needed too";
    volume->ComboBoxDrive.Select(0);
    EXPECT_TRUE(volume->ButtonOK.Enabled());
    volume->EditVolume.Type("");
    EXPECT_FALSE(volume->ButtonOK.Enabled());
    volume->ButtonCancel.Click();
  });
  volume->ShowModal();

  volume->TrueCryptDrive = "M:";
  volume->EditVolume.SetText("D:\\Secret.TC");
  pc.WhenModal([&] {
    EXPECT_EQ(volume->ComboBoxDrive.Text(), "M:") << "the edited letter is offered though in use";
    EXPECT_TRUE(volume->ButtonOK.Enabled());
    volume->PressEnter();
  });
  EXPECT_EQ(volume->ShowModal(), mrOk);
  EXPECT_EQ(volume->SelectedDrive(), "M:");
  EXPECT_EQ(volume->EditVolume.Text(), "D:\\Secret.TC");

  pc.SetLocalDrive('F', win::DRIVE_REMOTE);  // the network drive is connected now
  volume->TrueCryptDrive = "F:";
  pc.WhenModal([&] { EXPECT_EQ(volume->ComboBoxDrive.Text(), "F:"); });
  volume->ShowModal();
}

TEST_F(Dialogs, VolumeDialogNoteBrowseAndPasswordBox) {
  StartWith({});
  EXPECT_EQ(volume->LabelDrive.Caption(), "Drive:") << "no blank before the colon";
  EXPECT_EQ(volume->EditPassword.PasswordChar, '*');
  volume->LabelImportantNote.MouseEnter();
  EXPECT_TRUE(pc.HandCursor());
  volume->LabelImportantNote.Click();
  volume->LabelImportantNote.MouseLeave();
  EXPECT_FALSE(pc.HandCursor());
  ASSERT_EQ(pc.MessageBoxes.size(), 1u);
  const std::string note = pc.MessageBoxes[0].Text;
  EXPECT_EQ(note.find("Important note about mounting TrueCrypt volumes by Quillbay.\r\n\r\nThe volume password"), 0u);
  EXPECT_NE(note.find("\r\n\r\nTrueCrypt is free disk encryption software and can be obtained at "), std::string::npos);
  EXPECT_EQ(note.back(), '.');

  pc.ChooseFile("C:\\vaults\\Big.TC");
  volume->ButtonBrowse.Click();
  EXPECT_EQ(volume->EditVolume.Text(), "C:\\vaults\\Big.TC");
  EXPECT_EQ(pc.OpenFileRequests.back().Filter, "All files|*.*");
}

// --- Preferences ---

TEST_F(Dialogs, PreferencesOpenOnTheFirstTabWithApplyDisabledAndApplyFollowsTheRules) {
  StartWith({});
  pc.WhenModal([&] {
    TPreferencesForm& form = *preferences;
    EXPECT_EQ(form.PageControl1.ActivePageIndex(), 0);
    EXPECT_FALSE(form.ButtonApply.Enabled()) << "filling the controls is not a change";
    EXPECT_TRUE(form.CheckBoxMinimizeOnStartup.Checked());
    EXPECT_EQ(form.EditDelayVolumeMount.Text(), "5");
    form.EditLongReconnectInterval.Type("30");
    EXPECT_FALSE(form.ButtonApply.Enabled()) << "numbers do not enable Apply";
    form.CheckBoxUseForcedDisconnect.Click();
    EXPECT_TRUE(form.ButtonApply.Enabled());
    form.ButtonApply.Click();
    EXPECT_FALSE(form.ButtonApply.Enabled());
    EXPECT_FALSE(form.ModalEnded());
    EXPECT_TRUE(app.configuration.Prefs.UseForcedDisconnect);
    EXPECT_EQ(app.configuration.Prefs.LongReconnectInterval, 30);
    form.CheckBoxDisableBalloonMessages.Click();
    form.PageControl1.SelectPage(3);
    form.PressEscape();
  });
  preferences->ShowModal();
  EXPECT_TRUE(app.configuration.Prefs.UseForcedDisconnect) << "Cancel keeps what Apply stored";
  EXPECT_FALSE(app.configuration.Prefs.DisableBalloonMessages) << "Cancel drops what was not applied";
  EXPECT_TRUE(app.engine.PreferencesHaveBeenChanged);

  pc.WhenModal([&] { EXPECT_EQ(preferences->PageControl1.ActivePageIndex(), 0); });
  preferences->ShowModal();
}

TEST_F(Dialogs, PreferencesOkStoresEveryFieldEvenWithoutAChange) {
  StartWith({});
  pc.WhenModal([&] { preferences->ButtonOK.Click(); });
  EXPECT_EQ(preferences->ShowModal(), mrOk);
  EXPECT_TRUE(app.engine.PreferencesHaveBeenChanged);
  EXPECT_TRUE(pc.MessageBoxes.empty());

  app.engine.PreferencesHaveBeenChanged = false;
  pc.WhenModal([&] {
    TPreferencesForm& form = *preferences;
    for (TCheckBox* box : {&form.CheckBoxMinimizeOnStartup, &form.CheckBoxConnectNetworkDrivesOnStartup,
                           &form.CheckBoxStartAutomaticallyByWindows, &form.CheckBoxDisableBalloonMessages,
                           &form.CheckBoxDoubleClickIsExploreNetworkDrive, &form.CheckBoxDismountVolumesOnExit,
                           &form.CheckBoxUseAlternativeConnectionMethod, &form.CheckBoxUseForcedDisconnect,
                           &form.CheckBoxDisconnectForeignNetworkDrivesOnStartup,
                           &form.CheckBoxRemoveAllNetworkDrivesOnExit})
      box->Click();
    form.EditTrueCryptProgramLocation.Type("D:\\TC\\TrueCrypt.exe");
    form.UpDownDelayVolumeMount.ClickUp();
    form.EditMaxNrOfShortReconnectAttempts.Type("7");
    form.PressEnter();
  });
  preferences->ShowModal();
  const TQbyPrefs& p = app.configuration.Prefs;
  EXPECT_FALSE(p.MinimizeOnStartup);
  EXPECT_FALSE(p.ConnectNetworkDrivesOnStartup);
  EXPECT_FALSE(p.StartAutomaticallyByWindows);
  EXPECT_TRUE(p.DisableBalloonMessages);
  EXPECT_TRUE(p.DoubleClickIsExploreNetworkDrive);
  EXPECT_FALSE(p.DismountVolumesOnExit);
  EXPECT_TRUE(p.UseAlternativeConnectionMethod);
  EXPECT_TRUE(p.UseForcedDisconnect);
  EXPECT_TRUE(p.DisconnectForeignNetworkDrivesOnStartup);
  EXPECT_TRUE(p.RemoveAllNetworkDrivesOnExit);
  EXPECT_EQ(p.TrueCryptProgramLocation, "D:\\TC\\TrueCrypt.exe");
  EXPECT_EQ(p.DelayVolumeMount, 6);
  EXPECT_EQ(p.MaxNrOfShortReconnectAttempts, 7);
  EXPECT_EQ(app.engine.MaxNrOfShortReconnectAttempts.load(), 7) << "the keep-alive thread sees it at once";
}

TEST_F(Dialogs, PreferenceNumbersStopAtTheirRangesAndIgnoreBadEntries) {
  StartWith({});
  app.configuration.Prefs.LongReconnectInterval = 0;  // outside the range: shown as the nearest
  app.configuration.Prefs.MaxNrOfShortReconnectAttempts = 20;
  pc.WhenModal([&] {
    TPreferencesForm& form = *preferences;
    EXPECT_EQ(form.EditLongReconnectInterval.Text(), "1");
    for (int i = 0; i < 70; ++i) form.UpDownDelayVolumeMount.ClickUp();
    EXPECT_EQ(form.UpDownDelayVolumeMount.Position(), 60);
    for (int i = 0; i < 70; ++i) form.UpDownDelayVolumeMount.ClickDown();
    EXPECT_EQ(form.UpDownDelayVolumeMount.Position(), 0);
    form.EditLongReconnectInterval.Type("999");
    EXPECT_EQ(form.UpDownLongReconnectInterval.Position(), 1);
    form.UpDownLongReconnectInterval.SetPosition(1000);
    EXPECT_EQ(form.EditLongReconnectInterval.Text(), "360");
    form.EditMaxNrOfShortReconnectAttempts.Type("61");
    EXPECT_EQ(form.UpDownMaxNrOfShortReconnectAttempts.Position(), 20);
    form.EditMaxNrOfShortReconnectAttempts.Type("abc");
    form.ButtonOK.Click();
  });
  preferences->ShowModal();
  EXPECT_EQ(app.configuration.Prefs.LongReconnectInterval, 360);
  EXPECT_EQ(app.configuration.Prefs.MaxNrOfShortReconnectAttempts, 20) << "a bad entry keeps the last number";
  EXPECT_EQ(app.configuration.Prefs.DelayVolumeMount, 0);
}

TEST_F(Dialogs, LanguageListMatchesWithoutCaseButTheMessageComparesExactly) {
  StartWith({});
  const std::string message = app.T(10711) + "\r\n\r\n" + app.T(10712) + "support@quillbay.example!";
  std::vector<std::string> expected = {"English", "Dansk", "Deutsch", "Espa\xF1ol", "Fran\xE7" "ais",
                                       "Italiano", "Nederlands", "Svenska"};
  EXPECT_THAT(preferences->ComboBoxLanguages.Items(), ElementsAreArray(expected));
  EXPECT_EQ(preferences->ComboBoxLanguages.ItemImages, (std::vector<int>{0, 9, 3, 6, 4, 5, 2, 7}));

  app.configuration.Prefs.Language = "deutsch";
  pc.WhenModal([&] {
    EXPECT_EQ(preferences->ComboBoxLanguages.Text(), "Deutsch");
    EXPECT_FALSE(preferences->ButtonApply.Enabled());
    preferences->ButtonOK.Click();
  });
  preferences->ShowModal();
  EXPECT_THAT(NewBoxes(), ElementsAre(message));
  EXPECT_EQ(app.configuration.Prefs.Language, "Deutsch");

  pc.WhenModal([&] {
    preferences->ComboBoxLanguages.Select(preferences->ComboBoxLanguages.IndexOf("Svenska"));
    EXPECT_TRUE(preferences->ButtonApply.Enabled());
    preferences->ButtonOK.Click();
  });
  preferences->ShowModal();
  EXPECT_THAT(NewBoxes(), ElementsAre(message));
  pc.WhenModal([&] { preferences->ButtonOK.Click(); });
  preferences->ShowModal();
  EXPECT_TRUE(NewBoxes().empty()) << "the same language a second time says nothing";

  app.configuration.Prefs.Language = "Klingon";
  pc.WhenModal([&] {
    EXPECT_EQ(preferences->ComboBoxLanguages.Text(), "English");
    preferences->ButtonOK.Click();
  });
  preferences->ShowModal();
  EXPECT_THAT(NewBoxes(), ElementsAre(message));
  EXPECT_EQ(app.configuration.Prefs.Language, "English");
}

TEST_F(Dialogs, TrueCryptBrowseReplacesTheLocationOnlyWhenAFileIsChosen) {
  StartWith({});
  app.configuration.Prefs.TrueCryptProgramLocation = "C:\\old\\TrueCrypt.exe";
  pc.WhenModal([&] {
    preferences->BitBtnOpenDialog.Click();
    EXPECT_EQ(preferences->EditTrueCryptProgramLocation.Text(), "C:\\old\\TrueCrypt.exe");
    EXPECT_FALSE(preferences->ButtonApply.Enabled());
    pc.ChooseFile("C:\\new\\TrueCrypt.exe");
    preferences->BitBtnOpenDialog.Click();
    EXPECT_TRUE(preferences->ButtonApply.Enabled());
    preferences->ButtonOK.Click();
  });
  preferences->ShowModal();
  EXPECT_EQ(app.configuration.Prefs.TrueCryptProgramLocation, "C:\\new\\TrueCrypt.exe");
  EXPECT_EQ(pc.OpenFileRequests[0].Filter, "Programs|*.exe|All files|*.*");
}

// A changed interval reaches the keep-alive thread without anyone remembering to tell it.
TEST_F(Dialogs, ChangedLongIntervalIsUsedByTheNextLongInterval) {
  StartWith({{"H:", kMedia}});
  app.engine.ConnectDrives(false, "");
  THeartBeatThread keepAlive(pc.platform(), app.engine);
  pc.WhenModal([&] {
    preferences->EditLongReconnectInterval.Type("5");
    preferences->ButtonOK.Click();
  });
  preferences->ShowModal();
  keepAlive.StartLongInterval();  // the main window restarts the timer after the dialog
  const int64_t start = pc.NowMs();
  EXPECT_EQ(keepAlive.DueMs(), start + 5 * 60000);
  app.NewMessages();
  pc.Advance(5 * 60000 - 1);
  EXPECT_TRUE(app.NewMessages().empty());
  pc.Advance(1);
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10226)));
}

// --- About ---

TEST_F(Dialogs, AboutShowsTranslatedCaptionVersionAndOpensBothLinks) {
  StartWith({});
  EXPECT_EQ(about->Caption(), app.T(10152));
  EXPECT_EQ(about->LabelVersion.Caption(), app.T(10043) + " 2.8.0");
  EXPECT_EQ(about->LabelContactInformation.Caption(), app.T(10812));
  EXPECT_EQ(about->LabelProductName.Caption(), "Quillbay");
  EXPECT_FALSE(about->LabelEmail.ShowAccelChar);
  EXPECT_EQ(about->LabelInternet.Caption().find(".example"), about->LabelInternet.Caption().size() - 9);

  about->LabelEmail.MouseEnter();
  EXPECT_TRUE(pc.HandCursor());
  about->LabelEmail.Click();
  about->LabelEmail.MouseLeave();
  EXPECT_FALSE(pc.HandCursor());
  about->LabelInternet.Click();
  ASSERT_EQ(pc.Starts.size(), 2u);
  EXPECT_EQ(pc.Starts[0].Verb, "open");
  EXPECT_EQ(pc.Starts[0].File, "mailto:support@quillbay.example?subject=Quillbay v2.8.0");
  EXPECT_FALSE(pc.Starts[0].ParametersGiven);
  EXPECT_EQ(pc.Starts[0].ShowCommand, win::SW_SHOWNORMAL);
  EXPECT_EQ(pc.Starts[1].File, about->LabelInternet.Caption());

  pc.WhenModal([&] { about->PressEnter(); });
  EXPECT_EQ(about->ShowModal(), mrOk);
  pc.WhenModal([&] { about->PressEscape(); });
  about->ShowModal();
  EXPECT_EQ(pc.ModalsLeftOpen, 0);
}

TEST_F(Dialogs, AboutCaptionWithTheTextMissingShowsThePlaceholder) {
  std::string languages = ReadSourceFile("resources/Languages.ini");
  const size_t line = languages.find("10152=");
  ASSERT_NE(line, std::string::npos);
  languages.replace(line, 2, ";;");  // the first section is English
  pc.WriteFile(ExecutableFolder(pc.platform()) + "Languages.ini", languages);
  StartWith({});
  EXPECT_EQ(about->Caption(), "<Translation error for ID 10152>");
  TMyAboutForm plain(pc.platform());
  EXPECT_EQ(plain.Caption(), "About Quillbay");
  EXPECT_EQ(plain.LabelVersion.Caption(), "Version 2.8.0");
}

}  // namespace

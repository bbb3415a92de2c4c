// The drive properties dialog, driven like a user: pick a letter, fill the boxes, edit the
// program and volume lists, save, and see what reaches the live drives and the network.
#include "DialogsFixture.h"

#include "data/StoredLimits.h"
#include "engine/HeartBeatThread.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {
const std::string kYes = "yes";

TEST_F(Dialogs, EditingADriveOpensOnItsEntryAndSavingConnectsTheNewLocation) {
  StartWith({{"H:", kMedia, "bob", "s3cret", "Media"}});
  pc.AddShare(kOffice);
  app.engine.ConnectDrives(false, "");
  ASSERT_EQ(pc.MappingOf('H'), kMedia);
  app.NewMessages();

  EditDrive("H:", [&](TAddNetworkDriveForm& form) {
    EXPECT_EQ(form.PageControl1.ActivePageIndex(), 0);
    EXPECT_EQ(form.ComboBoxDrive.Text(), "H:  " + kMedia);
    EXPECT_EQ(form.ComboBoxNetworkLocationHistoryList.Text(), kMedia);
    EXPECT_EQ(form.EditNetworkName.Text(), "Media");
    EXPECT_EQ(form.EditUserName.Text(), "bob");
    EXPECT_EQ(form.EditPassword.Text(), "s3cret");
    EXPECT_EQ(form.EditPassword.PasswordChar, '*');
    EXPECT_FALSE(form.ButtonApply.Enabled()) << "filling the boxes must not count as an edit";
    form.ComboBoxNetworkLocationHistoryList.Type(kOffice);
    EXPECT_TRUE(form.ButtonApply.Enabled());
    form.ButtonOK.Click();
  });

  EXPECT_FALSE(properties->Showing());
  TNetworkDriveItem& h = app.Drive("H:");
  EXPECT_EQ(h.NetworkLocation, kOffice);
  EXPECT_EQ(h.Password, "s3cret") << "kept plain in memory";
  EXPECT_EQ(pc.MappingOf('H'), kOffice) << "the old mapping is cancelled and the new one made";
  EXPECT_TRUE(app.engine.PreferencesHaveBeenChanged);
  EXPECT_EQ(app.configuration.NetworkLocationHistoryList.front(), kOffice);
  std::vector<std::string> lines = app.NewMessages();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), app.T(10225) + "H: ...");
  EXPECT_TRUE(properties->Drive.empty()) << "the next showing starts in add mode";
  EXPECT_EQ(properties->NetworkDrives, nullptr) << "the working copy is gone with the dialog";
}

TEST_F(Dialogs, AddingADriveStartsOnTheHighestFreeLetterAndTakesOverADeploymentDrive) {
  StartWith({{"Z:", kMedia}});
  app.Drive("Z:").DeploymentDrive = true;
  pc.AddShare(kOffice);

  EditDrive("", [&](TAddNetworkDriveForm& form) {
    EXPECT_EQ(form.ComboBoxDrive.Text(), "Y:");
    EXPECT_EQ(form.ComboBoxDrive.Items()[0], "Z:  " + kMedia);
    EXPECT_EQ(form.ComboBoxNetworkLocationHistoryList.Text(), "");
    form.ComboBoxNetworkLocationHistoryList.Type(kOffice);
    form.EditNetworkName.Type("Office");
    form.EditUserName.Type("carol");
    form.EditPassword.Type("pa\"ss'word");
    form.ButtonOK.Click();
  });
  TNetworkDriveItem& y = app.Drive("Y:");
  EXPECT_TRUE(y.QbyControl);
  EXPECT_FALSE(y.DeploymentDrive);
  EXPECT_EQ(y.NetworkName, "Office");
  EXPECT_EQ(y.Username, "carol");
  EXPECT_EQ(y.Password, "pa\"ss'word");
  EXPECT_EQ(pc.MappingOf('Y'), kOffice);
  EXPECT_TRUE(app.Drive("Z:").DeploymentDrive) << "only the saved drive changes its origin";

  EditDrive("Z:", [&](TAddNetworkDriveForm& form) { form.ButtonOK.Click(); });
  EXPECT_FALSE(app.Drive("Z:").DeploymentDrive) << "a saved deployment drive becomes the user's own";
}

TEST_F(Dialogs, EmptyLocationIsRefusedAndTheDialogStaysOpenUntilItIsFilledOrCancelled) {
  StartWith({});
  EditDrive("", [&](TAddNetworkDriveForm& form) {
    form.ButtonOK.Click();
    EXPECT_THAT(NewBoxes(), ElementsAre(app.T(10462) + "\r\n" + app.T(10463)));
    EXPECT_FALSE(form.ModalEnded());
    form.Close();  // the close box
    EXPECT_FALSE(form.ModalEnded()) << "closing is refused while the last save was refused";
    form.ComboBoxNetworkLocationHistoryList.Type("   ");  // blanks are a location
    form.ButtonOK.Click();
    EXPECT_TRUE(form.ModalEnded());
  });
  EXPECT_EQ(app.Drive("Z:").NetworkLocation, "   ");
  EXPECT_EQ(pc.ModalsLeftOpen, 0);
}

TEST_F(Dialogs, NoFreeLetterLeftShowsTheErrorAndNothingCanBeSaved) {
  for (char letter = 'A'; letter <= 'Z'; ++letter)
    if (letter != 'C') pc.SetLocalDrive(letter, letter < 'C' ? win::DRIVE_REMOVABLE : win::DRIVE_FIXED);
  StartWith({});
  EditDrive("", [&](TAddNetworkDriveForm& form) {
    EXPECT_THAT(NewBoxes(), ElementsAre(app.T(10455)));
    ASSERT_FALSE(pc.MessageBoxes.empty());
    EXPECT_EQ(pc.MessageBoxes.back().Kind, MessageBoxKind::Error);
    EXPECT_EQ(form.ComboBoxDrive.ItemIndex(), -1);
    EXPECT_EQ(form.NetworkDriveItem, nullptr);
    form.ComboBoxNetworkLocationHistoryList.Type(kMedia);
    form.ButtonOK.Click();
    EXPECT_THAT(NewBoxes(), ElementsAre(app.T(10462) + "\r\n" + app.T(10463)));
    form.PressEscape();
    EXPECT_TRUE(form.ModalEnded()) << "Escape always closes";
  });
  EXPECT_TRUE(app.MessageTexts().empty()) << "nothing was saved or connected";
}

TEST_F(Dialogs, EditingADriveWhoseLetterIsNowALocalDiskShowsNothingUntilALetterIsPicked) {
  StartWith({{"H:", kMedia}});
  pc.SetLocalDrive('H', win::DRIVE_REMOVABLE);
  EditDrive("H:", [&](TAddNetworkDriveForm& form) {
    EXPECT_EQ(form.ComboBoxDrive.ItemIndex(), -1);
    EXPECT_EQ(form.NetworkDriveItem, nullptr);
    EXPECT_EQ(form.ComboBoxNetworkLocationHistoryList.Text(), "");
    form.ButtonOK.Click();
    EXPECT_FALSE(form.ModalEnded());
    form.ComboBoxDrive.Select(0);
    EXPECT_EQ(form.ComboBoxDrive.Text(), "Z:");
    form.ComboBoxNetworkLocationHistoryList.Type(kMedia);
    form.ButtonOK.Click();
    EXPECT_TRUE(form.ModalEnded());
  });
  EXPECT_TRUE(app.Drive("Z:").QbyControl);
}

// A user name is the drive's whether or not a password goes with it, or one this account
// can read: it shows, and OK keeps it together with the password stored for another account.
TEST_F(Dialogs, CredentialsShowAsStoredAndAUserNameWithoutAReadablePasswordSurvivesTheSave) {
  StartWith({{"H:", kMedia, "bob", ""}, {"K:", kOffice, "carol", ""}});
  app.Drive("K:").UnreadablePassword = "!protected:elsewhere";
  EditDrive("H:", [&](TAddNetworkDriveForm& form) {
    EXPECT_EQ(form.EditUserName.Text(), "bob");
    EXPECT_EQ(form.EditPassword.Text(), "");
    form.EditNetworkName.Type("x");
    form.ButtonOK.Click();
  });
  EXPECT_EQ(app.Drive("H:").Username, "bob");
  EditDrive("K:", [&](TAddNetworkDriveForm& form) {
    EXPECT_EQ(form.EditUserName.Text(), "carol");
    EXPECT_EQ(form.EditPassword.Text(), "");
    form.EditNetworkName.Type("Office");
    form.ButtonOK.Click();
  });
  EXPECT_EQ(app.Drive("K:").Username, "carol");
  EXPECT_EQ(app.Drive("K:").UnreadablePassword, "!protected:elsewhere");
  EXPECT_EQ(app.Drive("K:").NetworkName, "Office");
}

TEST_F(Dialogs, LocationHistoryMovesKnownEntriesUpWithTheirSpellingAndKeepsTwelve) {
  StartWith({{"H:", kMedia}});
  auto& history = app.configuration.NetworkLocationHistoryList;
  for (int i = 1; i <= 12; ++i) history.push_back("\\\\srv\\share" + std::to_string(i));

  EditDrive("H:", [&](TAddNetworkDriveForm& form) {
    EXPECT_EQ(form.ComboBoxNetworkLocationHistoryList.Items().size(), 12u);
    form.ComboBoxNetworkLocationHistoryList.Type("\\\\SRV\\Share7");
    form.ButtonApply.Click();
    EXPECT_EQ(form.ComboBoxNetworkLocationHistoryList.Items().front(), "\\\\srv\\share7");
    EXPECT_EQ(form.ComboBoxNetworkLocationHistoryList.Text(), "\\\\SRV\\Share7");
    EXPECT_FALSE(form.ButtonApply.Enabled());
    EXPECT_EQ(form.ComboBoxDrive.Text(), "H:  \\\\SRV\\Share7") << "the entry shows the saved location";
    form.ComboBoxNetworkLocationHistoryList.Type("\\\\new\\one");
    form.ButtonOK.Click();
  });
  EXPECT_EQ(app.Drive("H:").NetworkLocation, "\\\\new\\one");
  ASSERT_EQ(history.size(), 12u);
  EXPECT_EQ(history[0], "\\\\new\\one");
  EXPECT_EQ(history[1], "\\\\srv\\share7");
  EXPECT_EQ(history[2], "\\\\srv\\share1");
  EXPECT_EQ(history[11], "\\\\srv\\share11") << "the oldest entry, share12, is dropped";
}

TEST_F(Dialogs, SwitchingLettersWithUnsavedEditsAsksAndKeepsListEditsButDropsBoxEdits) {
  StartWith({{"H:", kMedia}, {"G:", kOffice}});
  EditDrive("H:", [&](TAddNetworkDriveForm& form) {
    form.EditNetworkName.Type("never saved");
    pc.WhenModal([&] {
      runProgram->EditRunProgram.Type("C:\\tools\\sync.exe");
      runProgram->ButtonOK.Click();
    });
    form.ButtonProgramAdd.Click();
    pc.AnswerNext(win::IDNO);
    form.ComboBoxDrive.Select(form.ComboBoxDrive.IndexOf("G:  " + kOffice));
    EXPECT_THAT(NewBoxes(), ElementsAre(app.T(10456) + "H:' ?"));
    EXPECT_EQ(form.ComboBoxNetworkLocationHistoryList.Text(), kOffice);
    EXPECT_FALSE(form.ButtonApply.Enabled());
    form.EditNetworkName.Type("Office");
    form.ButtonOK.Click();
  });
  EXPECT_EQ(app.Drive("G:").NetworkName, "Office");
  EXPECT_EQ(app.Drive("H:").NetworkName, "") << "box edits of H: were dropped";
  ASSERT_EQ(app.Drive("H:").RunProgramsList.size(), 1u) << "list edits of H: went along with the save of G:";
  EXPECT_EQ(app.Drive("H:").RunProgramsList[0]->Program, "C:\\tools\\sync.exe");
}

TEST_F(Dialogs, SwitchingLettersAnsweredYesSavesFirstOrStaysWhenTheSaveIsRefused) {
  StartWith({{"H:", kMedia}, {"G:", kOffice}});
  EditDrive("H:", [&](TAddNetworkDriveForm& form) {
    form.EditNetworkName.Type("Media");
    pc.AnswerNext(win::IDYES);
    form.ComboBoxDrive.Select(form.ComboBoxDrive.IndexOf("G:  " + kOffice));
    EXPECT_EQ(app.Drive("H:").NetworkName, "Media") << "Yes saved H: before G: was loaded";
    EXPECT_EQ(form.NetworkDriveItem->Drive, "G:");

    form.ComboBoxNetworkLocationHistoryList.Type("");
    NewBoxes();
    pc.AnswerNext(win::IDYES);
    form.ComboBoxDrive.Select(form.ComboBoxDrive.IndexOf("H:  " + kMedia));
    EXPECT_THAT(NewBoxes(), ElementsAre(app.T(10456) + "G:' ?", app.T(10462) + "\r\n" + app.T(10463)));
    EXPECT_EQ(form.ComboBoxDrive.Text(), "G:  " + kOffice) << "the selector returns to the edited drive";
    EXPECT_EQ(form.NetworkDriveItem->Drive, "G:");
    EXPECT_TRUE(form.ButtonApply.Enabled()) << "the edits stay";
    form.ButtonCancel.Click();
  });
  EXPECT_EQ(app.Drive("G:").NetworkLocation, kOffice);
}

TEST_F(Dialogs, CancelAfterApplyKeepsWhatApplySaved) {
  StartWith({{"H:", kMedia}});
  EditDrive("H:", [&](TAddNetworkDriveForm& form) {
    form.EditNetworkName.Type("Applied");
    form.ButtonApply.Click();
    EXPECT_FALSE(form.ModalEnded());
    form.EditNetworkName.Type("Dropped");
    form.ButtonCancel.Click();
  });
  EXPECT_EQ(app.Drive("H:").NetworkName, "Applied");
  EXPECT_TRUE(app.engine.PreferencesHaveBeenChanged);
  EXPECT_EQ(pc.MappingOf('H'), kMedia) << "Apply connected the drive";
}

TEST_F(Dialogs, ProgramListTakesFiveProgramsAndOrdersThem) {
  StartWith({{"H:", kMedia}});
  EditDrive("H:", [&](TAddNetworkDriveForm& form) {
    for (const char* program : {"A.exe", "B.exe", "C.exe", "D.exe", "E.exe"}) {
      pc.WhenModal([&, program] {
        EXPECT_FALSE(runProgram->ButtonOK.Enabled());
        runProgram->EditRunProgram.Type(program);
        runProgram->PressEnter();
      });
      form.ButtonProgramAdd.Click();
    }
    EXPECT_THAT(Rows(form.ListViewRunPrograms), ElementsAre("A.exe ", "B.exe ", "C.exe ", "D.exe ", "E.exe "));
    const int shown = pc.ModalShowings;
    form.ButtonProgramAdd.Click();
    EXPECT_EQ(pc.ModalShowings, shown) << "a sixth program is refused before the dialog opens";
    EXPECT_EQ(NewBoxes().back(), app.T(10457) + "5." + "\r\n" + app.T(10458));

    form.ListViewRunPrograms.Select(1);
    EXPECT_TRUE(form.BitBtnMoveProgramUp.Enabled());
    EXPECT_TRUE(form.BitBtnMoveProgramDown.Enabled());
    EXPECT_TRUE(form.ButtonProgramEdit.Enabled());
    form.BitBtnMoveProgramUp.Click();
    EXPECT_THAT(Rows(form.ListViewRunPrograms), ElementsAre("B.exe ", "A.exe ", "C.exe ", "D.exe ", "E.exe "));
    EXPECT_EQ(form.ListViewRunPrograms.Selected(), 0);
    EXPECT_FALSE(form.BitBtnMoveProgramUp.Enabled());
    EXPECT_TRUE(form.BitBtnMoveProgramDown.Enabled());
    form.ListViewRunPrograms.Select(4);
    EXPECT_TRUE(form.BitBtnMoveProgramUp.Enabled());
    EXPECT_FALSE(form.BitBtnMoveProgramDown.Enabled());
    form.BitBtnMoveProgramDown.Click();  // the enabling rule aside, the end cannot be passed
    EXPECT_EQ(Rows(form.ListViewRunPrograms).back(), "E.exe ");

    pc.AnswerNext(win::IDYES);
    form.ButtonProgramRemove.Click();
    EXPECT_EQ(NewBoxes().back(), app.T(10459) + "E.exe' ?");
    EXPECT_EQ(form.ListViewRunPrograms.Count(), 4);
    form.ButtonProgramRemove.Click();  // no row is selected any more: nothing happens
    EXPECT_EQ(form.ListViewRunPrograms.Count(), 4);

    form.ListViewRunPrograms.Select(0);
    pc.WhenModal([&] {
      EXPECT_EQ(runProgram->EditRunProgram.Text(), "B.exe");
      EXPECT_TRUE(runProgram->ButtonOK.Enabled());
      runProgram->EditParameters.Type("/quiet");
      runProgram->ButtonOK.Click();
    });
    form.ListViewRunPrograms.DblClick();
    EXPECT_EQ(Rows(form.ListViewRunPrograms).front(), "B.exe /quiet");
    form.ButtonOK.Click();
  });
  std::vector<std::string> programs;
  for (const auto& p : app.Drive("H:").RunProgramsList) programs.push_back(p->Program + " " + p->Parameters);
  EXPECT_THAT(programs, ElementsAre("B.exe /quiet", "A.exe ", "C.exe ", "D.exe "));
}

TEST_F(Dialogs, ASingleProgramEnablesNoOrderButton) {
  StartWith({{"H:", kMedia}});
  auto program = std::make_unique<TRunProgramItem>();
  program->Program = "only.exe";
  app.Drive("H:").RunProgramsList.push_back(std::move(program));
  EditDrive("H:", [&](TAddNetworkDriveForm& form) {
    form.ListViewRunPrograms.Select(0);
    EXPECT_FALSE(form.BitBtnMoveProgramUp.Enabled());
    EXPECT_FALSE(form.BitBtnMoveProgramDown.Enabled());
    pc.WhenModal([&] { runProgram->ButtonCancel.Click(); });
    form.ButtonProgramEdit.Click();
    EXPECT_FALSE(form.ButtonApply.Enabled()) << "a cancelled edit changes nothing";
  });
}

// While a question or a nested dialog is open, the user may act in the dialog behind it
// (a second Remove, a Remove of the entry being edited, another Add): afterwards each
// handler finds its entry again, so nothing is erased twice or written through.
TEST_F(Dialogs, HandlersFindTheirEntryAgainAfterAQuestionOrANestedDialog) {
  StartWith({{"H:", kMedia}});
  for (const char* name : {"A.exe", "B.exe", "C.exe"}) {
    auto program = std::make_unique<TRunProgramItem>();
    program->Program = name;
    app.Drive("H:").RunProgramsList.push_back(std::move(program));
  }
  for (const char* path : {"v0", "v1"}) {
    auto v = std::make_unique<TTrueCryptVolumeItem>();
    v->Drive = "T:";
    v->Volume = path;
    app.Drive("H:").TrueCryptVolumesList.push_back(std::move(v));
  }
  EditDrive("H:", [&](TAddNetworkDriveForm& form) {
    // Remove, and while its question is open Remove again; both answered Yes.
    form.ListViewRunPrograms.Select(2);
    pc.AnswerNext(win::IDYES);
    pc.WhileAsking([&] {
      pc.AnswerNext(win::IDYES);
      form.ButtonProgramRemove.Click();
    });
    form.ButtonProgramRemove.Click();
    EXPECT_THAT(Rows(form.ListViewRunPrograms), ElementsAre("A.exe ", "B.exe "));
    for (TButton* button : {&form.ButtonProgramRemove, &form.ButtonProgramEdit, &form.BitBtnMoveProgramUp})
      EXPECT_FALSE(button->Enabled()) << "nothing is selected after a Remove";

    // Edit A; while its dialog is open, A is removed behind it; then OK.
    form.ListViewRunPrograms.Select(0);
    pc.WhenModal([&] {
      pc.AnswerNext(win::IDYES);
      form.ButtonProgramRemove.Click();
      const int shown = pc.ModalShowings;
      form.ButtonProgramAdd.Click();
      EXPECT_EQ(pc.ModalShowings, shown) << "a window already showing is not shown again";
      runProgram->EditRunProgram.Type("X.exe");
      runProgram->ButtonOK.Click();
    });
    form.ButtonProgramEdit.Click();
    EXPECT_THAT(Rows(form.ListViewRunPrograms), ElementsAre("B.exe "));

    // The same for the volumes.
    form.ListViewTrueCryptVolumes.Select(0);
    pc.AnswerNext(win::IDYES);
    pc.WhileAsking([&] {
      pc.AnswerNext(win::IDYES);
      form.ButtonVolumeRemove.Click();
    });
    form.ButtonVolumeRemove.Click();
    EXPECT_THAT(Rows(form.ListViewTrueCryptVolumes), ElementsAre("T:|v1"));
    EXPECT_FALSE(form.ButtonVolumeRemove.Enabled());
    form.ListViewTrueCryptVolumes.Select(0);
    pc.WhenModal([&] {
      pc.AnswerNext(win::IDYES);
      form.ButtonVolumeRemove.Click();
      volume->EditVolume.Type("w9");
      volume->ButtonOK.Click();
    });
    form.ButtonVolumeEdit.Click();
    EXPECT_EQ(form.ListViewTrueCryptVolumes.Count(), 0);
    form.ButtonOK.Click();
  });
  ASSERT_EQ(app.Drive("H:").RunProgramsList.size(), 1u);
  EXPECT_EQ(app.Drive("H:").RunProgramsList[0]->Program, "B.exe");
  EXPECT_TRUE(app.Drive("H:").TrueCryptVolumesList.empty());
}

TEST_F(Dialogs, RunProgramsNowRunsTheUnsavedListAndSaysSoWhenItIsEmpty) {
  StartWith({{"H:", kMedia}});
  EditDrive("H:", [&](TAddNetworkDriveForm& form) {
    form.LabelRunProgramsNow.Click();
    EXPECT_THAT(NewBoxes(), ElementsAre(app.T(10464)));
    form.LabelMountVolumesNow.Click();
    EXPECT_THAT(NewBoxes(), ElementsAre(app.T(10465)));
    pc.WhenModal([&] {
      runProgram->EditRunProgram.Type("C:\\new.exe");
      runProgram->ButtonOK.Click();
    });
    form.ButtonProgramAdd.Click();
    form.LabelRunProgramsNow.MouseEnter();
    EXPECT_TRUE(pc.HandCursor());
    form.LabelRunProgramsNow.Click();
    form.LabelRunProgramsNow.MouseLeave();
    EXPECT_FALSE(pc.HandCursor());
    form.ButtonCancel.Click();
  });
  ASSERT_FALSE(pc.Starts.empty());
  EXPECT_EQ(pc.Starts.back().File, "C:\\new.exe");
  EXPECT_TRUE(app.Drive("H:").RunProgramsList.empty()) << "Cancel dropped the unsaved program";
}

TEST_F(Dialogs, ProgramsRunNowAreNotStartedAgainByTheConnectAfterTheSave) {
  StartWith({});
  pc.AddShare(kMedia);
  EditDrive("", [&](TAddNetworkDriveForm& form) {
    form.ComboBoxNetworkLocationHistoryList.Type(kMedia);
    pc.WhenModal([&] {
      runProgram->EditRunProgram.Type("C:\\sync.exe");
      runProgram->ButtonOK.Click();
    });
    form.ButtonProgramAdd.Click();
    form.LabelRunProgramsNow.Click();
    ASSERT_EQ(pc.Starts.size(), 1u);
    form.ButtonOK.Click();  // saves and connects the new drive
  });
  EXPECT_EQ(pc.MappingOf('Z'), kMedia);
  EXPECT_EQ(pc.Starts.size(), 1u) << "the connect after the save does not start it again";
  EXPECT_TRUE(app.Drive("Z:").ProgramsHaveBeenRunned);
}

TEST_F(Dialogs, VolumeListShowsPathsInLowerCaseButKeepsThemAsTyped) {
  StartWith({{"H:", kMedia}});
  EditDrive("H:", [&](TAddNetworkDriveForm& form) {
    form.PageControl1.SelectPage(1);
    pc.WhenModal([&] {
      EXPECT_EQ(volume->CurrentDrive, "H:");
      EXPECT_EQ(volume->TrueCryptDrive, "");
      volume->EditVolume.Type("H:\\Vaults\\Work.TC");
      volume->ComboBoxDrive.Select(volume->ComboBoxDrive.IndexOf("T:"));
      volume->EditPassword.Type("vault pw");
      volume->ButtonOK.Click();
    });
    form.ButtonVolumeAdd.Click();
    EXPECT_THAT(Rows(form.ListViewTrueCryptVolumes), ElementsAre("T:|h:\\vaults\\work.tc"));
    form.ListViewTrueCryptVolumes.Select(0);
    pc.AnswerNext(win::IDNO);
    form.ButtonVolumeRemove.Click();
    EXPECT_EQ(NewBoxes().back(), app.T(10461) + "H:\\Vaults\\Work.TC' ?");
    EXPECT_EQ(form.ListViewTrueCryptVolumes.Count(), 1);
    form.ButtonOK.Click();
  });
  ASSERT_EQ(app.Drive("H:").TrueCryptVolumesList.size(), 1u);
  const TTrueCryptVolumeItem& v = *app.Drive("H:").TrueCryptVolumesList[0];
  EXPECT_EQ(v.Volume, "H:\\Vaults\\Work.TC");
  EXPECT_EQ(v.Drive, "T:");
  EXPECT_EQ(v.Password, "vault pw");
}

TEST_F(Dialogs, ASixthVolumeIsRefused) {
  StartWith({{"H:", kMedia}});
  const char* letters[] = {"P:", "Q:", "R:", "S:", "T:"};
  const char* paths[] = {"v0", "v1", "v2", "v3", "v4"};
  for (int i = 0; i < 5; ++i) {
    auto v = std::make_unique<TTrueCryptVolumeItem>();
    v->Drive = letters[i];
    v->Volume = paths[i];
    app.Drive("H:").TrueCryptVolumesList.push_back(std::move(v));
  }
  EditDrive("H:", [&](TAddNetworkDriveForm& form) {
    EXPECT_EQ(form.ListViewTrueCryptVolumes.Count(), 5);
    form.ButtonVolumeAdd.Click();
    EXPECT_EQ(NewBoxes().back(), app.T(10460) + "5." + "\r\n" + app.T(10458));
    form.ListViewTrueCryptVolumes.Select(2);
    form.BitBtnMoveVolumeDown.Click();
    EXPECT_EQ(Rows(form.ListViewTrueCryptVolumes)[3], "R:|v2");
    form.ButtonOK.Click();
  });
  EXPECT_EQ(pc.ModalShowings, 1);
  EXPECT_EQ(app.Drive("H:").TrueCryptVolumesList[3]->Volume, "v2");
}

TEST_F(Dialogs, BoxesTakeNoMoreThanTheConfigurationFileGivesBack) {
  StartWith({{"H:", kMedia}});
  EditDrive("H:", [&](TAddNetworkDriveForm& form) {
    form.ComboBoxNetworkLocationHistoryList.Type("\\\\" + std::string(3000, 'l'));
    form.EditNetworkName.Type(std::string(3000, 'n'));
    form.EditUserName.Type(std::string(3000, 'u'));
    form.EditPassword.Type(std::string(3000, 'p'));
    form.ButtonOK.Click();
  });
  const TNetworkDriveItem& h = app.Drive("H:");
  EXPECT_EQ(h.NetworkLocation.size(), MaxStoredValueLength);
  EXPECT_EQ(h.NetworkName.size(), MaxStoredValueLength);
  EXPECT_EQ(h.Username.size(), MaxStoredValueLength);
  EXPECT_EQ(h.Password.size(), MaxPasswordLength);
  // What was kept reads back whole after a save and a new start.
  app.configuration.SaveConfiguration();
  TestApp again(pc);
  again.Start();
  EXPECT_EQ(again.Drive("H:").Password, h.Password);
  EXPECT_EQ(again.Drive("H:").NetworkLocation, h.NetworkLocation);
}

// The keep-alive timer connects G: and starts its program while the user edits H:. The
// save of H: must not turn G: back to the state it had when the dialog opened, or its
// program would start a second time.
TEST_F(Dialogs, SavingWhileTheKeepAliveTimerConnectedAnotherDriveKeepsThatDrivesState) {
  StartWith({{"H:", kMedia}, {"G:", kOffice}});
  auto program = std::make_unique<TRunProgramItem>();
  program->Program = "C:\\tools\\office-sync.exe";
  app.Drive("G:").RunProgramsList.push_back(std::move(program));
  pc.SetServerReachable("nas", false);
  app.engine.ConnectDrives(false, "");
  ASSERT_EQ(app.Drive("G:").State, dsError);
  TNetworkDriveItem* liveG = &app.Drive("G:");
  THeartBeatThread keepAlive(pc.platform(), app.engine);

  EditDrive("H:", [&](TAddNetworkDriveForm& form) {
    form.EditNetworkName.Type("Media");
    pc.SetServerReachable("nas", true);
    pc.Advance(60000);  // the keep-alive run is served while the dialog is modal
    ASSERT_EQ(app.Drive("G:").State, dsConnected);
    ASSERT_TRUE(app.Drive("G:").ProgramsHaveBeenRunned);
    form.ButtonOK.Click();
  });

  EXPECT_EQ(&app.Drive("G:"), liveG) << "live records are updated in place";
  EXPECT_EQ(app.Drive("G:").State, dsConnected);
  EXPECT_TRUE(app.Drive("G:").ProgramsHaveBeenRunned);
  EXPECT_EQ(app.Drive("H:").NetworkName, "Media");
  pc.Advance(60000);
  int starts = 0;
  for (const SimProcessStart& start : pc.Starts) starts += start.File == "C:\\tools\\office-sync.exe";
  EXPECT_EQ(starts, 1) << "the program of G: started once";
}

}  // namespace

// The dialog opened and saved while a run's call waits on its server: the edit is taken
// at once; its connect would run inside that call, so it waits for the call and its run
// to end. A drive the run reaches after the save is connected as saved by the run itself,
// and nothing more follows; the drive whose call was in flight is connected again with
// what was saved once the run is over, once.
TEST_F(Dialogs, SavingADriveWhileACallWaitsKeepsTheEditAndConnectsItOnceTheRunHasEnded) {
  const std::string archive = R"(\\nas\archive)";
  StartWith({{"H:", kMedia}, {"K:", kOffice}});
  pc.AddShare(archive);
  pc.FindShare(kMedia)->DelayMs = 12000;
  app.NewMessages();
  bool edited = false;
  pc.OnProcessMessages = [&] {
    if (edited || !app.engine.WaitingOnServer()) return;
    edited = true;
    EditDrive("H:", [&](TAddNetworkDriveForm& form) {
      form.ComboBoxNetworkLocationHistoryList.Type(archive);
      form.ButtonApply.Click();
      form.EditNetworkName.Type("Archive");
      form.ButtonOK.Click();  // a second save of the same drive: still one line, one connect
    });
    EditDrive("K:", [&](TAddNetworkDriveForm& form) {
      form.EditNetworkName.Type("Office");
      form.ButtonOK.Click();
    });
  };

  app.engine.ActionDrivesConnectDrivesExecute();
  pc.OnProcessMessages = nullptr;

  ASSERT_TRUE(edited);
  EXPECT_FALSE(properties->Showing());
  EXPECT_EQ(app.Drive("K:").NetworkName, "Office");
  EXPECT_EQ(app.Drive("H:").NetworkLocation, archive);
  EXPECT_TRUE(app.engine.PreferencesHaveBeenChanged);
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10226), app.T(10850) + "H:'.", app.T(10850) + "K:'.", app.T(10300) + "H:'.", app.T(10300) + "K:'."));
  EXPECT_EQ(pc.MappingOf('H'), kMedia) << "the run in flight finishes as it began";
  EXPECT_FALSE(app.engine.WaitingOnServer());

  pc.Advance(1000);  // the run is over: the saved drive connects
  EXPECT_THAT(app.NewMessages(), ElementsAre(app.T(10225) + "H: ...", app.T(10229) + "H:' ...",
                                             app.T(10300) + "H:'."));
  EXPECT_EQ(pc.MappingOf('H'), archive);
  EXPECT_EQ(app.Drive("H:").State, dsConnected);
  EXPECT_EQ(CountCalls(pc, "AddConnection2", "H:"), 2);  // the run's, then the save's
  EXPECT_EQ(CountCalls(pc, "AddConnection2", "K:"), 1);  // by the run, once
  EXPECT_EQ(app.Drive("K:").State, dsConnected);

  pc.Advance(5 * 60000);
  EXPECT_THAT(app.NewMessages(), IsEmpty()) << "nothing is done twice";
  EXPECT_EQ(CountCalls(pc, "AddConnection2", "H:"), 2);
}

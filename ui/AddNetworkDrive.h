#pragma once
#include <memory>
#include <string>
#include <vector>

#include "data/NetworkDrives.h"
#include "ui/Form.h"

class TEngine;
class TAddRunProgramForm;
class TAddTrueCryptVolumeForm;

// Adds or changes a network drive: letter, location, name, credentials, the programs to
// run and the volumes to mount after it has connected. It edits a working copy of the
// drives taken at each showing; a save puts the configuration back into the live drives
// and connects the drive.
class TAddNetworkDriveForm : public TForm {
 public:
  TAddNetworkDriveForm(TEngine& engine, TAddRunProgramForm& runProgramForm,
                       TAddTrueCryptVolumeForm& trueCryptVolumeForm);

  std::string Drive;  // the drive to edit; empty: add a drive
  std::unique_ptr<TNetworkDriveItems> NetworkDrives;  // the working copy while shown
  TNetworkDriveItem* NetworkDriveItem = nullptr;       // the record the controls show
  std::vector<std::string> NetworkDriveList;
  bool FormDataValid = true;
  bool PreferencesHaveBeenChanged = false;

  TPageControl PageControl1;
  TTabSheet TabSheetNetworkDrive, TabSheetAdvancedDriveProperties;
  // First tab.
  TLabel LabelMapNetworkDrive, LabelNetworkDrive, LabelNetworkLocation, LabelNetworkName,
      LabelConnectWithUsername, LabelShowUsername, LabelEnterUsernameAndPassword, LabelUsername, LabelPassword;
  TSeparator Panel1, Panel2, Panel3, Panel4;
  TImage Image1, Image2, Image3, Image4;
  TComboBox ComboBoxDrive, ComboBoxNetworkLocationHistoryList;
  TEdit EditNetworkName, EditUserName, EditPassword;
  // Second tab.
  TLabel LabelRunPrograms, LabelRunTheFollowingPrograms, LabelTrueCryptIntegration, LabelMountTheFollowingVolumes;
  TLinkLabel LabelRunProgramsNow, LabelMountVolumesNow;
  TListView ListViewRunPrograms, ListViewTrueCryptVolumes;
  TButton ButtonProgramAdd, ButtonProgramRemove, ButtonProgramEdit, BitBtnMoveProgramUp, BitBtnMoveProgramDown;
  TButton ButtonVolumeAdd, ButtonVolumeRemove, ButtonVolumeEdit, BitBtnMoveVolumeUp, BitBtnMoveVolumeDown;
  // Under the tabs.
  TButton ButtonOK, ButtonCancel, ButtonApply;

  void FormCreate();
  void FormShow() override;
  void FormHide() override;
  bool FormCloseQuery() override { return FormDataValid; }
  void ComboBoxDriveChange();
  void ControlChanged();
  bool SaveDriveProperties();
  void ButtonOKClick();
  void ButtonApplyClick();
  void ButtonCancelClick();

  void FillRunProgramsList();
  void ButtonProgramAddClick();
  void ButtonProgramEditClick();
  void ButtonProgramRemoveClick();
  void BitBtnMoveProgramUpClick();
  void BitBtnMoveProgramDownClick();
  void ListViewRunProgramsChange(int row);
  void ListViewRunProgramsSelectItem();

  void FillTrueCryptVolumesList();
  void ButtonVolumeAddClick();
  void ButtonVolumeEditClick();
  void ButtonVolumeRemoveClick();
  void BitBtnMoveVolumeUpClick();
  void BitBtnMoveVolumeDownClick();
  void ListViewTrueCryptVolumesChange(int row);
  void ListViewTrueCryptVolumesSelectItem();

  void LabelRunProgramsNowClick();
  void LabelMountVolumesNowClick();
  void LabelRunProgramsNowMouseEnter();
  void LabelRunProgramsNowMouseLeave();

 private:
  void Layout();
  void Register();
  void Bind();
  void EmptyControls();
  void FillDriveSelector();
  // The position in the record's list of the item a row shows, -1 when none.
  int ProgramPosition(int row) const;
  int VolumePosition(int row) const;
  void MoveProgram(int step);
  void MoveVolume(int step);
  void KeepOnceOnlyFlags();
  int Ask(const std::string& text);
  void Tell(const std::string& text, MessageBoxKind kind = MessageBoxKind::Information);

  TEngine& engine_;
  TAddRunProgramForm& runProgramForm_;
  TAddTrueCryptVolumeForm& trueCryptVolumeForm_;
};

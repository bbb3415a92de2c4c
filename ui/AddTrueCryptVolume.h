#pragma once
#include <string>
#include <vector>

#include "ui/Form.h"

class TEngine;

// Edits one TrueCrypt volume to mount after a drive has connected. The caller sets the
// two letters and fills the boxes before showing it, and reads them back on OK.
class TAddTrueCryptVolumeForm : public TForm {
 public:
  explicit TAddTrueCryptVolumeForm(TEngine& engine);

  std::string CurrentDrive;    // the network drive the volume belongs to
  std::string TrueCryptDrive;  // the volume's letter when editing; empty when adding
  std::vector<std::string> NetworkDriveList;

  TImage Image1;
  TLabel LabelHelpMsg1, LabelHelpMsg2, LabelVolume, LabelDrive, LabelPassword, LabelTcCommandlineOptions;
  TLinkLabel LabelImportantNote;
  TEdit EditVolume, EditPassword, EditCommandlineOptions;
  TComboBox ComboBoxDrive;
  TButton ButtonOK, ButtonCancel, ButtonBrowse;

  void FormCreate();
  void FormShow() override;
  void EditVolumeChange();
  void ComboBoxDriveChange();
  void ButtonBrowseClick();
  std::string BrowseForVolume();
  void LabelImportantNoteClick();
  void LabelImportantNoteMouseEnter();
  void LabelImportantNoteMouseLeave();
  // The letter chosen, "" when none.
  std::string SelectedDrive() const;

 private:
  void UpdateOK();
  TEngine& engine_;
};

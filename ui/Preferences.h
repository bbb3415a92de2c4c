#pragma once
#include <string>

#include "ui/Form.h"

class TEngine;

// The preferences: filled from the program's preferences at each showing, stored back by
// OK and Apply.
class TPreferencesForm : public TForm {
 public:
  explicit TPreferencesForm(TEngine& engine);

  TPageControl PageControl1;
  TTabSheet TabSheetGeneral, TabSheetLanguage, TabSheetTrueCrypt, TabSheetAdvanced;
  TImage ImageGeneral, ImageLanguage, ImageTrueCrypt, ImageAdvanced;
  TCheckBox CheckBoxMinimizeOnStartup, CheckBoxConnectNetworkDrivesOnStartup, CheckBoxStartAutomaticallyByWindows,
      CheckBoxDisableBalloonMessages, CheckBoxDoubleClickIsExploreNetworkDrive;
  TLabel LabelLanguage;
  TComboBox ComboBoxLanguages;
  TLabel LabelTrueCryptProgramLocation;
  TEdit EditTrueCryptProgramLocation;
  TButton BitBtnOpenDialog;
  TCheckBox CheckBoxDismountVolumesOnExit;
  TSeparator BevelTrueCrypt, BevelAdvanced;
  TLabel LabelDelayVolumeMount;
  TEdit EditDelayVolumeMount;
  TUpDown UpDownDelayVolumeMount;
  TCheckBox CheckBoxUseAlternativeConnectionMethod, CheckBoxUseForcedDisconnect,
      CheckBoxDisconnectForeignNetworkDrivesOnStartup, CheckBoxRemoveAllNetworkDrivesOnExit;
  TLabel LabelLongReconnectInterval, LabelMaxNrOfShortReconnectAttempts;
  TEdit EditLongReconnectInterval, EditMaxNrOfShortReconnectAttempts;
  TUpDown UpDownLongReconnectInterval, UpDownMaxNrOfShortReconnectAttempts;
  TButton ButtonOK, ButtonCancel, ButtonApply;

  void FormCreate();
  void FormShow() override;
  void ControlChanged();
  void BitBtnOpenDialogClick();
  void StorePreferences();
  void ButtonOKClick();
  void ButtonApplyClick();
  void AMHelpHelpExecute();
  void FormHelp() override { AMHelpHelpExecute(); }
  // The main window's Help, run by F1.
  std::function<void()> OnHelp;

 private:
  void Layout();
  TEngine& engine_;
};

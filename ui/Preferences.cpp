#include "ui/Preferences.h"

#include <utility>

#include "base/AsciiText.h"
#include "base/ProductInfo.h"
#include "data/StoredLimits.h"
#include "engine/Engine.h"
#include "platform/Platform.h"
#include "ui/Layout.h"
#include "resources/ResourceIds.h"

namespace {
// The languages offered, with their pictures; the caption names the language file's section.
const std::pair<const char*, int> kLanguages[] = {
    {"English", 0}, {"Dansk", 9},         {"Deutsch", 3},    {"Espa\xF1ol", 6},
    {"Fran\xE7" "ais", 4}, {"Italiano", 5}, {"Nederlands", 2}, {"Svenska", 7},
};
}  // namespace

TPreferencesForm::TPreferencesForm(TEngine& engine) : TForm(engine.platform()), engine_(engine) {
  ClientWidth = 480;
  ClientHeight = 246;
  Layout();

  TTabSheet* general = &TabSheetGeneral;
  TTabSheet* language = &TabSheetLanguage;
  TTabSheet* trueCrypt = &TabSheetTrueCrypt;
  TTabSheet* advanced = &TabSheetAdvanced;
  Add(PageControl1);
  for (TControl* control : std::initializer_list<TControl*>{
           &ImageGeneral, &CheckBoxMinimizeOnStartup, &CheckBoxConnectNetworkDrivesOnStartup,
           &CheckBoxStartAutomaticallyByWindows, &CheckBoxDisableBalloonMessages,
           &CheckBoxDoubleClickIsExploreNetworkDrive})
    Add(*control, general);
  for (TControl* control : std::initializer_list<TControl*>{&ImageLanguage, &LabelLanguage, &ComboBoxLanguages})
    Add(*control, language);
  for (TControl* control : std::initializer_list<TControl*>{
           &ImageTrueCrypt, &LabelTrueCryptProgramLocation, &EditTrueCryptProgramLocation, &BitBtnOpenDialog,
           &CheckBoxDismountVolumesOnExit, &BevelTrueCrypt, &LabelDelayVolumeMount, &EditDelayVolumeMount,
           &UpDownDelayVolumeMount})
    Add(*control, trueCrypt);
  for (TControl* control : std::initializer_list<TControl*>{
           &ImageAdvanced, &CheckBoxUseAlternativeConnectionMethod, &CheckBoxUseForcedDisconnect,
           &CheckBoxDisconnectForeignNetworkDrivesOnStartup, &CheckBoxRemoveAllNetworkDrivesOnExit, &BevelAdvanced,
           &LabelLongReconnectInterval, &EditLongReconnectInterval, &UpDownLongReconnectInterval,
           &LabelMaxNrOfShortReconnectAttempts, &EditMaxNrOfShortReconnectAttempts,
           &UpDownMaxNrOfShortReconnectAttempts})
    Add(*control, advanced);
  Add(ButtonOK);
  Add(ButtonCancel);
  Add(ButtonApply);

  for (TCheckBox* box : {&CheckBoxMinimizeOnStartup, &CheckBoxConnectNetworkDrivesOnStartup,
                         &CheckBoxStartAutomaticallyByWindows, &CheckBoxDisableBalloonMessages,
                         &CheckBoxDoubleClickIsExploreNetworkDrive, &CheckBoxDismountVolumesOnExit,
                         &CheckBoxUseAlternativeConnectionMethod, &CheckBoxUseForcedDisconnect,
                         &CheckBoxDisconnectForeignNetworkDrivesOnStartup, &CheckBoxRemoveAllNetworkDrivesOnExit})
    box->OnClick = [this] { ControlChanged(); };
  ComboBoxLanguages.OnChange = [this] { ControlChanged(); };
  EditTrueCryptProgramLocation.OnChange = [this] { ControlChanged(); };
  BitBtnOpenDialog.OnClick = [this] { BitBtnOpenDialogClick(); };
  ButtonOK.OnClick = [this] { ButtonOKClick(); };
  ButtonApply.OnClick = [this] { ButtonApplyClick(); };
  FormCreate();
}

void TPreferencesForm::Layout() {
  PageControl1.SetBounds(8, 8, 464, 198);
  for (TTabSheet* sheet : {&TabSheetGeneral, &TabSheetLanguage, &TabSheetTrueCrypt, &TabSheetAdvanced})
    PageControl1.AddPage(*sheet);
  const std::pair<TImage*, int> pictures[] = {{&ImageGeneral, IDI_TAB_GENERAL},
                                                {&ImageLanguage, IDI_TAB_LANGUAGE},
                                                {&ImageTrueCrypt, IDI_TAB_TRUECRYPT},
                                                {&ImageAdvanced, IDI_TAB_ADVANCED}};
  for (auto [image, picture] : pictures) {
    image->SetBounds(12, 12, 32, 32);
    image->Picture = picture;
  }
  int top = 12;
  for (TCheckBox* box : {&CheckBoxMinimizeOnStartup, &CheckBoxConnectNetworkDrivesOnStartup,
                         &CheckBoxStartAutomaticallyByWindows, &CheckBoxDisableBalloonMessages,
                         &CheckBoxDoubleClickIsExploreNetworkDrive}) {
    box->SetBounds(56, top, 390, 19);
    top += 22;
  }
  LabelLanguage.SetBounds(56, 12, 390, 15);
  ComboBoxLanguages.SetBounds(56, 32, 200, 22);
  ComboBoxLanguages.Style = TComboBoxStyle::DropDownList;
  ComboBoxLanguages.DropDownCount = 8;
  ComboBoxLanguages.ItemHeight = 16;
  ComboBoxLanguages.Images = kLanguageImages;
  std::vector<std::string> names;
  for (auto [name, picture] : kLanguages) {
    names.push_back(name);
    ComboBoxLanguages.ItemImages.push_back(picture);
  }
  ComboBoxLanguages.SetItems(names);

  LabelTrueCryptProgramLocation.SetBounds(56, 12, 390, 15);
  EditTrueCryptProgramLocation.SetBounds(56, 30, 358, 21);
  EditTrueCryptProgramLocation.SetMaxLength(MaxStoredValueLength);
  BitBtnOpenDialog.SetBounds(418, 29, 28, 23);
  BitBtnOpenDialog.SetCaption("...");
  BitBtnOpenDialog.Picture = IDI_BROWSE;
  CheckBoxDismountVolumesOnExit.SetBounds(56, 60, 390, 19);
  BevelTrueCrypt.SetBounds(56, 88, 390, 2);
  LabelDelayVolumeMount.SetBounds(56, 98, 320, 44);
  EditDelayVolumeMount.SetBounds(384, 98, 45, 21);
  UpDownDelayVolumeMount.SetBounds(429, 98, 17, 21);

  top = 12;
  for (TCheckBox* box : {&CheckBoxUseAlternativeConnectionMethod, &CheckBoxUseForcedDisconnect,
                         &CheckBoxDisconnectForeignNetworkDrivesOnStartup, &CheckBoxRemoveAllNetworkDrivesOnExit}) {
    box->SetBounds(56, top, 390, 19);
    top += 20;
  }
  BevelAdvanced.SetBounds(56, 96, 390, 2);
  LabelLongReconnectInterval.SetBounds(56, 104, 320, 28);
  EditLongReconnectInterval.SetBounds(384, 104, 45, 21);
  UpDownLongReconnectInterval.SetBounds(429, 104, 17, 21);
  LabelMaxNrOfShortReconnectAttempts.SetBounds(56, 134, 320, 28);
  EditMaxNrOfShortReconnectAttempts.SetBounds(384, 134, 45, 21);
  UpDownMaxNrOfShortReconnectAttempts.SetBounds(429, 134, 17, 21);
  for (TLabel* label : {&LabelDelayVolumeMount, &LabelLongReconnectInterval, &LabelMaxNrOfShortReconnectAttempts})
    label->WordWrap = true;

  const struct {
    TUpDown* spin;
    TEdit* field;
    int min, max, design;
  } numbers[] = {{&UpDownDelayVolumeMount, &EditDelayVolumeMount, 0, 60, 0},
                 {&UpDownLongReconnectInterval, &EditLongReconnectInterval, 1, 360, 1},
                 {&UpDownMaxNrOfShortReconnectAttempts, &EditMaxNrOfShortReconnectAttempts, 1, 60, 10}};
  for (const auto& number : numbers) {
    number.spin->SetAssociate(*number.field);
    number.spin->SetRange(number.min, number.max);
    number.spin->SetPosition(number.design);
    number.field->SetMaxLength(3);
  }

  PlaceButtonRow({&ButtonOK, &ButtonCancel, &ButtonApply}, ButtonRowLeft(3, 472), 213);
  ButtonOK.SetCaption("&OK");
  ButtonOK.Default = true;
  ButtonCancel.SetCaption("&Cancel");
  ButtonCancel.Cancel = true;
  ButtonCancel.ModalResult = mrCancel;
  ButtonApply.SetCaption("&Apply");
  ButtonApply.SetEnabled(false);
}

void TPreferencesForm::FormCreate() {
  UseSystemFont();
  SetCaption("Preferences");
  try {
    SetCaption(engine_.T(10141));
    TabSheetGeneral.SetCaption(engine_.T(10041));
    TabSheetLanguage.SetCaption(engine_.T(10042));
    TabSheetTrueCrypt.SetCaption(engine_.T(10026));
    TabSheetAdvanced.SetCaption(engine_.T(10040));
    CheckBoxMinimizeOnStartup.SetCaption(engine_.T(10701));
    CheckBoxConnectNetworkDrivesOnStartup.SetCaption(engine_.T(10702));
    CheckBoxStartAutomaticallyByWindows.SetCaption(engine_.T(10703));
    CheckBoxDisableBalloonMessages.SetCaption(engine_.T(10704));
    CheckBoxDoubleClickIsExploreNetworkDrive.SetCaption(engine_.T(10716));
    LabelLanguage.SetCaption(engine_.T(10710));
    LabelTrueCryptProgramLocation.SetCaption(engine_.T(10707));
    CheckBoxDismountVolumesOnExit.SetCaption(engine_.T(10708));
    LabelDelayVolumeMount.SetCaption(engine_.T(10709));
    CheckBoxUseAlternativeConnectionMethod.SetCaption(engine_.T(10713));
    CheckBoxUseForcedDisconnect.SetCaption(engine_.T(10714));
    CheckBoxDisconnectForeignNetworkDrivesOnStartup.SetCaption(engine_.T(10715));
    CheckBoxRemoveAllNetworkDrivesOnExit.SetCaption(engine_.T(10717));
    LabelLongReconnectInterval.SetCaption(engine_.T(10705));
    LabelMaxNrOfShortReconnectAttempts.SetCaption(engine_.T(10706));
    ButtonApply.SetCaption(engine_.T(10002));
    ButtonCancel.SetCaption(engine_.T(10001));
  } catch (...) {
    // The remaining captions keep their design values.
  }
}

void TPreferencesForm::FormShow() {
  // The main window turns to the first tab too; the dialog does not rely on it.
  PageControl1.SetActivePageIndex(0);
  const TQbyPrefs& prefs = engine_.Prefs();
  CheckBoxMinimizeOnStartup.SetChecked(prefs.MinimizeOnStartup);
  CheckBoxConnectNetworkDrivesOnStartup.SetChecked(prefs.ConnectNetworkDrivesOnStartup);
  CheckBoxStartAutomaticallyByWindows.SetChecked(prefs.StartAutomaticallyByWindows);
  CheckBoxDisableBalloonMessages.SetChecked(prefs.DisableBalloonMessages);
  CheckBoxDoubleClickIsExploreNetworkDrive.SetChecked(prefs.DoubleClickIsExploreNetworkDrive);
  CheckBoxDismountVolumesOnExit.SetChecked(prefs.DismountVolumesOnExit);
  CheckBoxUseAlternativeConnectionMethod.SetChecked(prefs.UseAlternativeConnectionMethod);
  CheckBoxUseForcedDisconnect.SetChecked(prefs.UseForcedDisconnect);
  CheckBoxDisconnectForeignNetworkDrivesOnStartup.SetChecked(prefs.DisconnectForeignNetworkDrivesOnStartup);
  CheckBoxRemoveAllNetworkDrivesOnExit.SetChecked(prefs.RemoveAllNetworkDrivesOnExit);

  int language = 0;
  for (int i = 0; i < static_cast<int>(ComboBoxLanguages.Items().size()); ++i)
    if (SameTextAscii(ComboBoxLanguages.Items()[static_cast<size_t>(i)], prefs.Language)) language = i;
  ComboBoxLanguages.SetItemIndex(language);
  EditTrueCryptProgramLocation.SetText(prefs.TrueCryptProgramLocation);
  // A stored number outside the range shows the nearest number within it.
  UpDownDelayVolumeMount.SetPosition(prefs.DelayVolumeMount);
  UpDownLongReconnectInterval.SetPosition(prefs.LongReconnectInterval);
  UpDownMaxNrOfShortReconnectAttempts.SetPosition(prefs.MaxNrOfShortReconnectAttempts);
  ButtonApply.SetEnabled(false);
}

void TPreferencesForm::ControlChanged() { ButtonApply.SetEnabled(true); }

void TPreferencesForm::BitBtnOpenDialogClick() {
  std::string fileName;
  if (platform_.ui.OpenFileDialog({"Programs|*.exe|All files|*.*", "C:\\"}, fileName))
    EditTrueCryptProgramLocation.SetText(fileName);
}

void TPreferencesForm::StorePreferences() {
  engine_.PreferencesHaveBeenChanged = true;
  TQbyPrefs prefs = engine_.Prefs();
  prefs.MinimizeOnStartup = CheckBoxMinimizeOnStartup.Checked();
  prefs.ConnectNetworkDrivesOnStartup = CheckBoxConnectNetworkDrivesOnStartup.Checked();
  prefs.StartAutomaticallyByWindows = CheckBoxStartAutomaticallyByWindows.Checked();
  prefs.DisableBalloonMessages = CheckBoxDisableBalloonMessages.Checked();
  prefs.DoubleClickIsExploreNetworkDrive = CheckBoxDoubleClickIsExploreNetworkDrive.Checked();
  const std::string language = ComboBoxLanguages.Text();
  if (language != prefs.Language) {
    platform_.ui.MessageBox(engine_.T(10711) + "\r\n\r\n" + engine_.T(10712) + kSupportAddress + "!", kProductName,
                            MessageBoxKind::Information);
    prefs.Language = language;
  }
  prefs.TrueCryptProgramLocation = EditTrueCryptProgramLocation.Text();
  prefs.DismountVolumesOnExit = CheckBoxDismountVolumesOnExit.Checked();
  prefs.DelayVolumeMount = UpDownDelayVolumeMount.Position();
  prefs.UseAlternativeConnectionMethod = CheckBoxUseAlternativeConnectionMethod.Checked();
  prefs.UseForcedDisconnect = CheckBoxUseForcedDisconnect.Checked();
  prefs.DisconnectForeignNetworkDrivesOnStartup = CheckBoxDisconnectForeignNetworkDrivesOnStartup.Checked();
  prefs.RemoveAllNetworkDrivesOnExit = CheckBoxRemoveAllNetworkDrivesOnExit.Checked();
  prefs.LongReconnectInterval = UpDownLongReconnectInterval.Position();
  prefs.MaxNrOfShortReconnectAttempts = UpDownMaxNrOfShortReconnectAttempts.Position();
  engine_.StorePreferences(prefs);
}

void TPreferencesForm::ButtonOKClick() {
  StorePreferences();
  SetModalResult(mrOk);
}

void TPreferencesForm::ButtonApplyClick() {
  StorePreferences();
  ButtonApply.SetEnabled(false);
}

void TPreferencesForm::AMHelpHelpExecute() {
  if (OnHelp) OnHelp();
}

#include "ui/AddTrueCryptVolume.h"

#include "base/AsciiText.h"
#include "base/ProductInfo.h"
#include "data/StoredLimits.h"
#include "engine/Engine.h"
#include "platform/Platform.h"
#include "platform/WinTypes.h"
#include "ui/Layout.h"
#include "resources/ResourceIds.h"

namespace {
constexpr const char* kTrueCryptWebAddress = "https://truecrypt.example/";
}

TAddTrueCryptVolumeForm::TAddTrueCryptVolumeForm(TEngine& engine) : TForm(engine.platform()), engine_(engine) {
  ClientWidth = 399;
  ClientHeight = 362;
  Image1.SetBounds(12, 12, 32, 32);
  Image1.Picture = IDI_DIALOG_TRUECRYPT_VOLUME;
  LabelHelpMsg1.SetBounds(56, 12, 331, 58);  // four lines in the longest language
  LabelHelpMsg2.SetBounds(56, 74, 331, 44);
  LabelImportantNote.SetBounds(56, 122, 331, 30);
  for (TLabel* label : {&LabelHelpMsg1, &LabelHelpMsg2, static_cast<TLabel*>(&LabelImportantNote)})
    label->WordWrap = true;
  LabelVolume.SetBounds(12, 156, 375, 15);
  EditVolume.SetBounds(12, 173, 375, 21);
  LabelDrive.SetBounds(12, 202, 80, 15);
  ComboBoxDrive.SetBounds(12, 219, 80, 21);
  LabelPassword.SetBounds(100, 202, 287, 15);
  EditPassword.SetBounds(100, 219, 287, 21);
  LabelTcCommandlineOptions.SetBounds(12, 248, 375, 15);
  EditCommandlineOptions.SetBounds(12, 265, 375, 21);
  PlaceButtonRow({&ButtonOK, &ButtonCancel, &ButtonBrowse}, 12, 326);

  ComboBoxDrive.Style = TComboBoxStyle::DropDownList;
  ComboBoxDrive.DropDownCount = 26;
  ComboBoxDrive.FontName = "Courier New";
  EditPassword.PasswordChar = '*';
  EditVolume.SetMaxLength(MaxStoredValueLength);
  EditPassword.SetMaxLength(MaxPasswordLength);
  EditCommandlineOptions.SetMaxLength(MaxStoredValueLength);
  SetUpOkCancel(ButtonOK, ButtonCancel);

  Add(Image1);
  Add(LabelHelpMsg1);
  Add(LabelHelpMsg2);
  Add(LabelImportantNote);
  Add(LabelVolume);
  Add(EditVolume);
  Add(LabelDrive);
  Add(ComboBoxDrive);
  Add(LabelPassword);
  Add(EditPassword);
  Add(LabelTcCommandlineOptions);
  Add(EditCommandlineOptions);
  Add(ButtonOK);
  Add(ButtonCancel);
  Add(ButtonBrowse);

  EditVolume.OnChange = [this] { EditVolumeChange(); };
  ComboBoxDrive.OnChange = [this] { ComboBoxDriveChange(); };
  ButtonBrowse.OnClick = [this] { ButtonBrowseClick(); };
  LabelImportantNote.OnClick = [this] { LabelImportantNoteClick(); };
  LabelImportantNote.OnMouseEnter = [this] { LabelImportantNoteMouseEnter(); };
  LabelImportantNote.OnMouseLeave = [this] { LabelImportantNoteMouseLeave(); };
  FormCreate();
}

void TAddTrueCryptVolumeForm::FormCreate() {
  UseSystemFont();
  LabelImportantNote.FontName = FontName;
  LabelImportantNote.FontSize = FontSize;
  try {
    SetCaption(engine_.T(10413));
    LabelHelpMsg1.SetCaption(engine_.T(10452));
    LabelHelpMsg2.SetCaption(engine_.T(10453));
    LabelImportantNote.SetCaption(engine_.T(10454));
    LabelVolume.SetCaption(engine_.T(10027) + ":");
    LabelDrive.SetCaption(WithoutTrailingBlanks(engine_.T(10022)) + ":");
    LabelPassword.SetCaption(engine_.T(10038) + ":");
    LabelTcCommandlineOptions.SetCaption(engine_.T(10451) + ":");
    ButtonCancel.SetCaption(engine_.T(10001));
    ButtonBrowse.SetCaption(engine_.T(10006));
  } catch (...) {
    // The window still works with the captions it has.
  }
}

void TAddTrueCryptVolumeForm::FormShow() {
  NetworkDriveList.clear();
  for (char letter = 'Z'; letter >= 'A'; --letter) {
    const std::string drive = std::string(1, letter) + ":";
    const std::string root = drive + "\\";
    const uint32_t type = platform_.drives.GetDriveType(root.c_str());
    const bool free = type == win::DRIVE_NO_ROOT_DIR || type > win::DRIVE_RAMDISK;
    if (free ? drive != CurrentDrive : drive == TrueCryptDrive) NetworkDriveList.push_back(drive);
  }
  ComboBoxDrive.SetItems(NetworkDriveList);
  if (!TrueCryptDrive.empty()) ComboBoxDrive.SetItemIndex(ComboBoxDrive.IndexOf(TrueCryptDrive));
  UpdateOK();
  SetFocus(EditVolume);
}

void TAddTrueCryptVolumeForm::EditVolumeChange() { UpdateOK(); }

void TAddTrueCryptVolumeForm::ComboBoxDriveChange() { UpdateOK(); }

void TAddTrueCryptVolumeForm::UpdateOK() {
  ButtonOK.SetEnabled(!EditVolume.Text().empty() && ComboBoxDrive.ItemIndex() >= 0);
}

std::string TAddTrueCryptVolumeForm::SelectedDrive() const {
  const int index = ComboBoxDrive.ItemIndex();
  return index >= 0 ? ComboBoxDrive.Items()[static_cast<size_t>(index)] : "";
}

void TAddTrueCryptVolumeForm::ButtonBrowseClick() {
  const std::string volume = BrowseForVolume();
  if (!volume.empty()) EditVolume.SetText(volume);
}

std::string TAddTrueCryptVolumeForm::BrowseForVolume() {
  std::string fileName;
  if (!platform_.ui.OpenFileDialog({"All files|*.*", "C:\\"}, fileName)) return "";
  return fileName;
}

void TAddTrueCryptVolumeForm::LabelImportantNoteClick() {
  const std::string name = kProductName;
  const std::string gap = "\r\n\r\n";
  platform_.ui.MessageBox(
      "Important note about mounting TrueCrypt volumes by " + name + "." + gap +
          "The volume password is being encrypted by " + name +
          " and stored on harddisk. Note that this encryption method is less secure than e.g. AES or "
          "Blowfish algorithms, however it is considered sufficient for most purposes." +
          gap +
          "If you omit the volume password the TrueCrypt program will ask you for the password at mounting "
          "the volume. Consult the TrueCrypt users guide for detailed information such as command line "
          "options." +
          gap + "TrueCrypt is free disk encryption software and can be obtained at " + kTrueCryptWebAddress + ".",
      name, MessageBoxKind::Information);
}

void TAddTrueCryptVolumeForm::LabelImportantNoteMouseEnter() { platform_.ui.SetHandCursor(true); }

void TAddTrueCryptVolumeForm::LabelImportantNoteMouseLeave() { platform_.ui.SetHandCursor(false); }

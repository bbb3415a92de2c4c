#include "ui/AddNetworkDrive.h"

#include <algorithm>
#include <utility>

#include "base/AsciiText.h"
#include "base/ProductInfo.h"
#include "data/StoredLimits.h"
#include "engine/Engine.h"
#include "platform/Platform.h"
#include "platform/WinTypes.h"
#include "ui/AddRunProgram.h"
#include "ui/AddTrueCryptVolume.h"
#include "ui/Layout.h"
#include "resources/ResourceIds.h"

namespace {
constexpr size_t kMaxProgramsPerDrive = 5;
constexpr size_t kMaxVolumesPerDrive = 5;
constexpr int kRightEdge = 356;  // where the section lines end; their pictures follow, inside the page

// Up and Down enabled for the selected row of a list of count rows.
void EnableOrderButtons(TButton& up, TButton& down, int selected, int count) {
  up.SetEnabled(false);
  down.SetEnabled(false);
  if (selected < 0) return;
  if (selected == 0) {
    down.SetEnabled(count >= 2);
  } else if (selected == count - 1) {
    up.SetEnabled(true);
  } else {
    up.SetEnabled(true);
    down.SetEnabled(true);
  }
}

int RowOf(const TListView& list, const void* item) {
  for (int row = 0; row < list.Count(); ++row)
    if (list.Items()[static_cast<size_t>(row)].Data == item) return row;
  return -1;
}

// Where an entry stands in its list now; -1 once it has gone. Handlers look their entry up
// again after every question or nested dialog, during which the list may have changed.
template <typename Entries>
int IndexOfEntry(const Entries& entries, const void* entry) {
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].get() == entry) return static_cast<int>(i);
  return -1;
}

// The same after a question or nested dialog: -1 as well when the dialog has moved on to
// another drive meanwhile.
template <typename Entries>
int IndexAfterwards(const TNetworkDriveItem* shown, const TNetworkDriveItem* drive, const Entries& entries,
                    const void* entry) {
  return shown == drive ? IndexOfEntry(entries, entry) : -1;
}

// Where the entry a row refers to stands in its list (rows skip entries with empty fields).
template <typename Entries>
int PositionOf(const TListView& view, int row, const Entries& entries) {
  if (row < 0 || row >= view.Count()) return -1;
  return IndexOfEntry(entries, view.Items()[static_cast<size_t>(row)].Data);
}

// Swaps the selected entry with its neighbour and keeps it selected; false when it cannot move.
template <typename Entries, typename Refill>
bool MoveSelected(TListView& view, Entries& entries, int step, Refill refill) {
  const int position = PositionOf(view, view.Selected(), entries);
  const int target = position + step;
  if (position < 0 || target < 0 || target >= static_cast<int>(entries.size())) return false;
  std::swap(entries[static_cast<size_t>(position)], entries[static_cast<size_t>(target)]);
  const void* moved = entries[static_cast<size_t>(target)].get();
  refill();
  view.Select(RowOf(view, moved));
  return true;
}
}  // namespace

TAddNetworkDriveForm::TAddNetworkDriveForm(TEngine& engine, TAddRunProgramForm& runProgramForm,
                                           TAddTrueCryptVolumeForm& trueCryptVolumeForm)
    : TForm(engine.platform()),
      engine_(engine),
      runProgramForm_(runProgramForm),
      trueCryptVolumeForm_(trueCryptVolumeForm) {
  ClientWidth = 401;
  ClientHeight = 462;
  Layout();
  Register();
  Bind();
  FormCreate();
}

void TAddNetworkDriveForm::Layout() {
  PageControl1.SetBounds(8, 8, 385, 414);
  Image1.Picture = IDI_SECTION_MAP_DRIVE;
  Image2.Picture = IDI_SECTION_USER_NAME;
  Image3.Picture = IDI_SECTION_RUN_PROGRAMS;
  Image4.Picture = IDI_SECTION_TRUECRYPT;
  PageControl1.AddPage(TabSheetNetworkDrive);
  PageControl1.AddPage(TabSheetAdvancedDriveProperties);

  // First tab; positions inside the page.
  PlaceHeading(LabelMapNetworkDrive, Panel1, Image1, 12, 8, kRightEdge);
  LabelNetworkDrive.SetBounds(12, 32, 350, 15);
  ComboBoxDrive.SetBounds(12, 49, 350, 21);
  LabelNetworkLocation.SetBounds(12, 78, 350, 15);
  ComboBoxNetworkLocationHistoryList.SetBounds(12, 95, 350, 21);
  LabelNetworkName.SetBounds(12, 124, 350, 15);
  EditNetworkName.SetBounds(12, 141, 350, 21);
  PlaceHeading(LabelConnectWithUsername, Panel2, Image2, 12, 176, kRightEdge);
  LabelShowUsername.SetBounds(12, 198, 350, 30);
  LabelEnterUsernameAndPassword.SetBounds(12, 232, 350, 44);
  LabelUsername.SetBounds(12, 287, 110, 15);
  EditUserName.SetBounds(126, 284, 236, 21);
  LabelPassword.SetBounds(12, 316, 110, 15);
  EditPassword.SetBounds(126, 313, 236, 21);
  LabelShowUsername.WordWrap = true;
  LabelEnterUsernameAndPassword.WordWrap = true;

  // Second tab.
  PlaceHeading(LabelRunPrograms, Panel3, Image3, 12, 8, kRightEdge);
  LabelRunTheFollowingPrograms.SetBounds(12, 28, 350, 30);
  LabelRunProgramsNow.SetBounds(12, 60, 350, 15);
  ListViewRunPrograms.SetBounds(12, 78, 318, 82);
  BitBtnMoveProgramUp.SetBounds(338, 78, 24, 24);
  BitBtnMoveProgramDown.SetBounds(338, 106, 24, 24);
  PlaceButtonRow({&ButtonProgramAdd, &ButtonProgramRemove, &ButtonProgramEdit}, 12, 166);
  PlaceHeading(LabelTrueCryptIntegration, Panel4, Image4, 12, 202, kRightEdge);
  LabelMountTheFollowingVolumes.SetBounds(12, 222, 350, 30);
  LabelMountVolumesNow.SetBounds(12, 254, 350, 15);
  ListViewTrueCryptVolumes.SetBounds(12, 272, 318, 58);
  BitBtnMoveVolumeUp.SetBounds(338, 272, 24, 24);
  BitBtnMoveVolumeDown.SetBounds(338, 300, 24, 24);
  PlaceButtonRow({&ButtonVolumeAdd, &ButtonVolumeRemove, &ButtonVolumeEdit}, 12, 336);
  LabelRunTheFollowingPrograms.WordWrap = true;
  LabelMountTheFollowingVolumes.WordWrap = true;

  PlaceButtonRow({&ButtonOK, &ButtonCancel, &ButtonApply}, ButtonRowLeft(3, 393), 430);

  for (TComboBox* box : {&ComboBoxDrive, &ComboBoxNetworkLocationHistoryList}) box->FontName = "Courier New";
  ComboBoxDrive.Style = TComboBoxStyle::DropDownList;
  ComboBoxDrive.DropDownCount = 26;
  ComboBoxNetworkLocationHistoryList.DropDownCount = 12;
  ComboBoxNetworkLocationHistoryList.SetMaxLength(MaxStoredValueLength);
  EditNetworkName.SetMaxLength(MaxStoredValueLength);
  EditUserName.SetMaxLength(MaxStoredValueLength);
  EditPassword.SetMaxLength(MaxPasswordLength);
  EditPassword.PasswordChar = '*';

  ListViewRunPrograms.SetColumns({{"Programs", 250, true}});
  ListViewTrueCryptVolumes.SetColumns({{"Drive", 72}, {"Volume", 178, true}});
  for (TListView* list : {&ListViewRunPrograms, &ListViewTrueCryptVolumes}) list->Images = kMainImages;
  for (TButton* button : {&ButtonProgramRemove, &ButtonProgramEdit, &ButtonVolumeRemove, &ButtonVolumeEdit,
                          &BitBtnMoveProgramUp, &BitBtnMoveProgramDown, &BitBtnMoveVolumeUp, &BitBtnMoveVolumeDown})
    button->SetEnabled(false);
  BitBtnMoveProgramUp.Hint = BitBtnMoveProgramDown.Hint = "Change the start sequence of the selected program";
  BitBtnMoveVolumeUp.Hint = BitBtnMoveVolumeDown.Hint = "Change the start sequence of the selected volume";
  for (TButton* up : {&BitBtnMoveProgramUp, &BitBtnMoveVolumeUp}) {
    up->SetCaption("^");
    up->Picture = IDI_MOVE_UP;
  }
  for (TButton* down : {&BitBtnMoveProgramDown, &BitBtnMoveVolumeDown}) {
    down->SetCaption("v");
    down->Picture = IDI_MOVE_DOWN;
  }

  ButtonOK.SetCaption("&OK");
  ButtonOK.Default = true;
  ButtonCancel.Cancel = true;
  ButtonApply.SetEnabled(false);
}

void TAddNetworkDriveForm::Register() {
  TTabSheet* first = &TabSheetNetworkDrive;
  TTabSheet* second = &TabSheetAdvancedDriveProperties;
  Add(PageControl1);
  for (TControl* control : std::initializer_list<TControl*>{
           &LabelMapNetworkDrive, &Panel1, &Image1, &LabelNetworkDrive, &ComboBoxDrive, &LabelNetworkLocation,
           &ComboBoxNetworkLocationHistoryList, &LabelNetworkName, &EditNetworkName, &LabelConnectWithUsername,
           &Panel2, &Image2, &LabelShowUsername, &LabelEnterUsernameAndPassword, &LabelUsername, &EditUserName,
           &LabelPassword, &EditPassword})
    Add(*control, first);
  for (TControl* control : std::initializer_list<TControl*>{
           &LabelRunPrograms, &Panel3, &Image3, &LabelRunTheFollowingPrograms, &LabelRunProgramsNow,
           &ListViewRunPrograms, &BitBtnMoveProgramUp, &BitBtnMoveProgramDown, &ButtonProgramAdd,
           &ButtonProgramRemove, &ButtonProgramEdit, &LabelTrueCryptIntegration, &Panel4, &Image4,
           &LabelMountTheFollowingVolumes, &LabelMountVolumesNow, &ListViewTrueCryptVolumes, &BitBtnMoveVolumeUp,
           &BitBtnMoveVolumeDown, &ButtonVolumeAdd, &ButtonVolumeRemove, &ButtonVolumeEdit})
    Add(*control, second);
  Add(ButtonOK);
  Add(ButtonCancel);
  Add(ButtonApply);
}

void TAddNetworkDriveForm::Bind() {
  ComboBoxDrive.OnChange = [this] { ComboBoxDriveChange(); };
  ComboBoxNetworkLocationHistoryList.OnChange = [this] { ControlChanged(); };
  for (TEdit* edit : {&EditNetworkName, &EditUserName, &EditPassword}) edit->OnChange = [this] { ControlChanged(); };
  ButtonOK.OnClick = [this] { ButtonOKClick(); };
  ButtonApply.OnClick = [this] { ButtonApplyClick(); };
  ButtonCancel.OnClick = [this] { ButtonCancelClick(); };

  ButtonProgramAdd.OnClick = [this] { ButtonProgramAddClick(); };
  ButtonProgramEdit.OnClick = [this] { ButtonProgramEditClick(); };
  ButtonProgramRemove.OnClick = [this] { ButtonProgramRemoveClick(); };
  BitBtnMoveProgramUp.OnClick = [this] { BitBtnMoveProgramUpClick(); };
  BitBtnMoveProgramDown.OnClick = [this] { BitBtnMoveProgramDownClick(); };
  ListViewRunPrograms.OnChange = [this](int row) { ListViewRunProgramsChange(row); };
  ListViewRunPrograms.OnSelectItem = [this](int, bool) { ListViewRunProgramsSelectItem(); };
  ListViewRunPrograms.OnDblClick = [this] { ButtonProgramEditClick(); };

  ButtonVolumeAdd.OnClick = [this] { ButtonVolumeAddClick(); };
  ButtonVolumeEdit.OnClick = [this] { ButtonVolumeEditClick(); };
  ButtonVolumeRemove.OnClick = [this] { ButtonVolumeRemoveClick(); };
  BitBtnMoveVolumeUp.OnClick = [this] { BitBtnMoveVolumeUpClick(); };
  BitBtnMoveVolumeDown.OnClick = [this] { BitBtnMoveVolumeDownClick(); };
  ListViewTrueCryptVolumes.OnChange = [this](int row) { ListViewTrueCryptVolumesChange(row); };
  ListViewTrueCryptVolumes.OnSelectItem = [this](int, bool) { ListViewTrueCryptVolumesSelectItem(); };
  ListViewTrueCryptVolumes.OnDblClick = [this] { ButtonVolumeEditClick(); };

  LabelRunProgramsNow.OnClick = [this] { LabelRunProgramsNowClick(); };
  LabelMountVolumesNow.OnClick = [this] { LabelMountVolumesNowClick(); };
  for (TLinkLabel* link : {&LabelRunProgramsNow, &LabelMountVolumesNow}) {
    link->OnMouseEnter = [this] { LabelRunProgramsNowMouseEnter(); };
    link->OnMouseLeave = [this] { LabelRunProgramsNowMouseLeave(); };
  }
}

void TAddNetworkDriveForm::FormCreate() {
  UseSystemFont();
  for (TLinkLabel* link : {&LabelRunProgramsNow, &LabelMountVolumesNow}) {
    link->FontName = FontName;
    link->FontSize = FontSize;
  }
  std::string userName, computerName;
  platform_.environment.GetVariable("Username", userName);
  platform_.environment.GetVariable("ComputerName", computerName);
  try {
    SetCaption(engine_.T(10127));
    TabSheetNetworkDrive.SetCaption(engine_.T(10020));
    LabelMapNetworkDrive.SetCaption(engine_.T(10020));
    LabelNetworkDrive.SetCaption(engine_.T(10406) + ":");
    LabelNetworkLocation.SetCaption(engine_.T(10401));
    LabelNetworkName.SetCaption(engine_.T(10402));
    LabelConnectWithUsername.SetCaption(engine_.T(10403));
    LabelShowUsername.SetCaption(!userName.empty() && !computerName.empty()
                                     ? engine_.T(10404) + computerName + "\\" + userName + "."
                                     : engine_.T(10404) + "UNKNOWN.");
    LabelEnterUsernameAndPassword.SetCaption(engine_.T(10405));
    LabelUsername.SetCaption(engine_.T(10039) + ":");
    LabelPassword.SetCaption(engine_.T(10038) + ":");
    TabSheetAdvancedDriveProperties.SetCaption(engine_.T(10040));
    LabelRunPrograms.SetCaption(engine_.T(10410));
    LabelRunTheFollowingPrograms.SetCaption(engine_.T(10411));
    LabelRunProgramsNow.SetCaption(engine_.T(10412));
    ListViewRunPrograms.SetColumnCaption(0, engine_.T(10036));
    LabelTrueCryptIntegration.SetCaption(engine_.T(10413));
    LabelMountTheFollowingVolumes.SetCaption(engine_.T(10414));
    LabelMountVolumesNow.SetCaption(engine_.T(10415));
    ListViewTrueCryptVolumes.SetColumnCaption(0, WithoutTrailingBlanks(engine_.T(10022)));
    ListViewTrueCryptVolumes.SetColumnCaption(1, engine_.T(10027));
    for (TButton* button : {&ButtonProgramAdd, &ButtonVolumeAdd}) button->SetCaption(engine_.T(10003));
    for (TButton* button : {&ButtonProgramRemove, &ButtonVolumeRemove}) button->SetCaption(engine_.T(10004));
    for (TButton* button : {&ButtonProgramEdit, &ButtonVolumeEdit}) button->SetCaption(engine_.T(10005));
    ButtonCancel.SetCaption(engine_.T(10001));
    ButtonApply.SetCaption(engine_.T(10002));
  } catch (...) {
    // The window still works with the captions it has.
  }
}

void TAddNetworkDriveForm::FormShow() {
  PageControl1.SetActivePageIndex(0);
  NetworkDrives = std::make_unique<TNetworkDriveItems>();
  NetworkDriveList.clear();
  PreferencesHaveBeenChanged = false;
  ButtonApply.SetEnabled(false);
  FormDataValid = true;
  SetFocus(ComboBoxNetworkLocationHistoryList);
  NetworkDrives->Assign(engine_.NetworkDrives());
  ComboBoxNetworkLocationHistoryList.SetItems(engine_.configuration().NetworkLocationHistoryList);
  ComboBoxDrive.Clear();
  FillDriveSelector();

  TNetworkDriveItem* start = NetworkDrives->FindDrive(Drive.empty() ? engine_.LastFreeDrive : Drive);
  if (start) {
    ComboBoxDrive.SetItemIndex(
        ComboBoxDrive.IndexOf(Drive.empty() ? start->Drive : start->Drive + "  " + start->NetworkLocation));
    ComboBoxDriveChange();
  } else {
    NetworkDriveItem = nullptr;
    EmptyControls();
    Tell(engine_.T(10455), MessageBoxKind::Error);
  }
  for (TButton* button : {&BitBtnMoveProgramUp, &BitBtnMoveProgramDown, &BitBtnMoveVolumeUp, &BitBtnMoveVolumeDown})
    button->SetEnabled(false);
}

void TAddNetworkDriveForm::FormHide() {
  // The rows point into the working copy, which goes now.
  ListViewRunPrograms.Clear();
  ListViewTrueCryptVolumes.Clear();
  NetworkDriveList.clear();
  NetworkDriveItem = nullptr;
  NetworkDrives.reset();
  Drive.clear();
}

void TAddNetworkDriveForm::FillDriveSelector() {
  NetworkDriveList.clear();
  engine_.FillDriveList(NetworkDriveList);
  ComboBoxDrive.SetItems(NetworkDriveList);
}

void TAddNetworkDriveForm::EmptyControls() {
  ComboBoxNetworkLocationHistoryList.SetText("");
  EditNetworkName.SetText("");
  EditUserName.SetText("");
  EditPassword.SetText("");
  ListViewRunPrograms.Clear();
  ListViewTrueCryptVolumes.Clear();
}

void TAddNetworkDriveForm::ComboBoxDriveChange() {
  if (PreferencesHaveBeenChanged && NetworkDriveItem) {
    if (Ask(engine_.T(10456) + NetworkDriveItem->Drive + "' ?") == win::IDYES && !SaveDriveProperties()) {
      const std::string edited = NetworkDriveItem->Drive;
      for (int i = 0; i < static_cast<int>(ComboBoxDrive.Items().size()); ++i)
        if (ComboBoxDrive.Items()[static_cast<size_t>(i)].compare(0, 2, edited) == 0) ComboBoxDrive.SetItemIndex(i);
      return;
    }
  }
  EmptyControls();
  NetworkDriveItem = NetworkDrives ? NetworkDrives->FindDrive(ComboBoxDrive.Text().substr(0, 2)) : nullptr;
  if (NetworkDriveItem && NetworkDriveItem->QbyControl) {
    ComboBoxNetworkLocationHistoryList.SetText(NetworkDriveItem->NetworkLocation);
    EditNetworkName.SetText(NetworkDriveItem->NetworkName);
    // Each as it is stored: a user name whose password this account cannot read (or that
    // has none) is still the drive's, and OK writes back what the boxes show.
    EditUserName.SetText(NetworkDriveItem->Username);
    EditPassword.SetText(NetworkDriveItem->Password);
    FillRunProgramsList();
    FillTrueCryptVolumesList();
  }
  PreferencesHaveBeenChanged = false;
  ButtonApply.SetEnabled(false);
}

void TAddNetworkDriveForm::ControlChanged() {
  PreferencesHaveBeenChanged = true;
  ButtonApply.SetEnabled(true);
}

bool TAddNetworkDriveForm::SaveDriveProperties() {
  const std::string location = ComboBoxNetworkLocationHistoryList.Text();
  if (!NetworkDriveItem || location.empty()) {
    Tell(engine_.T(10462) + "\r\n" + engine_.T(10463));
    FormDataValid = false;
    return false;
  }
  engine_.PreferencesHaveBeenChanged = true;
  TNetworkDriveItem& item = *NetworkDriveItem;
  item.NetworkLocation = location;
  item.NetworkName = EditNetworkName.Text();
  item.Username = EditUserName.Text();
  item.Password = EditPassword.Text();
  item.QbyControl = true;
  item.DeploymentDrive = false;

  engine_.configuration().RememberNetworkLocation(location);

  // The engine may have connected drives and started their programs while the dialog was
  // open; only what the user configures goes back, so that no state is turned back.
  engine_.NetworkDrives().AssignConfiguration(*NetworkDrives);

  const int selected = ComboBoxDrive.ItemIndex();
  FillDriveSelector();
  ComboBoxDrive.SetItemIndex(selected);
  ComboBoxNetworkLocationHistoryList.SetItems(engine_.configuration().NetworkLocationHistoryList);

  FormDataValid = true;
  PreferencesHaveBeenChanged = false;
  ButtonApply.SetEnabled(false);

  engine_.ConnectSavedDrive(item.Drive);
  return true;
}

void TAddNetworkDriveForm::ButtonOKClick() {
  SaveDriveProperties();
  SetModalResult(mrOk);
}

void TAddNetworkDriveForm::ButtonApplyClick() { SaveDriveProperties(); }

void TAddNetworkDriveForm::ButtonCancelClick() {
  FormDataValid = true;
  SetModalResult(mrCancel);
}

// --- Programs ---

void TAddNetworkDriveForm::FillRunProgramsList() {
  if (!NetworkDriveItem) return;
  ListViewRunPrograms.BeginUpdate();
  ListViewRunPrograms.Clear();
  for (const auto& program : NetworkDriveItem->RunProgramsList)
    if (!program->Program.empty())
      ListViewRunPrograms.AddItem({program->Program + " " + program->Parameters, {}, mkProgram, program.get()});
  ListViewRunPrograms.EndUpdate();
  // A refilled list has no selection, and a refill reports none: the buttons follow here
  // (the order buttons once the caller has selected again, or not).
  ListViewRunProgramsChange(ListViewRunPrograms.Selected());
}

int TAddNetworkDriveForm::ProgramPosition(int row) const {
  return NetworkDriveItem ? PositionOf(ListViewRunPrograms, row, NetworkDriveItem->RunProgramsList) : -1;
}

void TAddNetworkDriveForm::ButtonProgramAddClick() {
  TNetworkDriveItem* drive = NetworkDriveItem;
  if (!drive) return;
  if (drive->RunProgramsList.size() >= kMaxProgramsPerDrive) {
    Tell(engine_.T(10457) + std::to_string(kMaxProgramsPerDrive) + "." + "\r\n" + engine_.T(10458));
  } else {
    runProgramForm_.EditRunProgram.SetText("");
    runProgramForm_.EditParameters.SetText("");
    if (runProgramForm_.ShowModal() == mrOk && NetworkDriveItem == drive &&
        drive->RunProgramsList.size() < kMaxProgramsPerDrive) {
      auto program = std::make_unique<TRunProgramItem>();
      program->Program = runProgramForm_.EditRunProgram.Text();
      program->Parameters = runProgramForm_.EditParameters.Text();
      drive->RunProgramsList.push_back(std::move(program));
      ControlChanged();
    }
  }
  FillRunProgramsList();
}

void TAddNetworkDriveForm::ButtonProgramEditClick() {
  const int position = ProgramPosition(ListViewRunPrograms.Selected());
  if (position < 0) return;
  TNetworkDriveItem* drive = NetworkDriveItem;
  const TRunProgramItem* edited = drive->RunProgramsList[static_cast<size_t>(position)].get();
  runProgramForm_.EditRunProgram.SetText(edited->Program);
  runProgramForm_.EditParameters.SetText(edited->Parameters);
  if (runProgramForm_.ShowModal() != mrOk) return;
  const int now = IndexAfterwards(NetworkDriveItem, drive, drive->RunProgramsList, edited);
  if (now < 0) return;  // removed meanwhile: there is nothing left to change
  TRunProgramItem& program = *drive->RunProgramsList[static_cast<size_t>(now)];
  program.Program = runProgramForm_.EditRunProgram.Text();
  program.Parameters = runProgramForm_.EditParameters.Text();
  FillRunProgramsList();
  ControlChanged();
}

void TAddNetworkDriveForm::ButtonProgramRemoveClick() {
  const int position = ProgramPosition(ListViewRunPrograms.Selected());
  if (position < 0) return;
  TNetworkDriveItem* drive = NetworkDriveItem;
  const TRunProgramItem* doomed = drive->RunProgramsList[static_cast<size_t>(position)].get();
  if (Ask(engine_.T(10459) + doomed->Program + "' ?") != win::IDYES) return;
  const int now = IndexAfterwards(NetworkDriveItem, drive, drive->RunProgramsList, doomed);
  if (now < 0) return;  // already removed while the question was open
  drive->RunProgramsList.erase(drive->RunProgramsList.begin() + now);
  FillRunProgramsList();
  ListViewRunProgramsSelectItem();
  ControlChanged();
}

void TAddNetworkDriveForm::MoveProgram(int step) {
  if (NetworkDriveItem &&
      MoveSelected(ListViewRunPrograms, NetworkDriveItem->RunProgramsList, step, [this] { FillRunProgramsList(); }))
    ControlChanged();
}

void TAddNetworkDriveForm::BitBtnMoveProgramUpClick() { MoveProgram(-1); }

void TAddNetworkDriveForm::BitBtnMoveProgramDownClick() { MoveProgram(+1); }

void TAddNetworkDriveForm::ListViewRunProgramsChange(int row) {
  const bool selected = row >= 0 && row == ListViewRunPrograms.Selected();
  ButtonProgramRemove.SetEnabled(selected);
  ButtonProgramEdit.SetEnabled(selected);
}

void TAddNetworkDriveForm::ListViewRunProgramsSelectItem() {
  EnableOrderButtons(BitBtnMoveProgramUp, BitBtnMoveProgramDown, ListViewRunPrograms.Selected(),
                     ListViewRunPrograms.Count());
}

// --- Volumes ---

void TAddNetworkDriveForm::FillTrueCryptVolumesList() {
  if (!NetworkDriveItem) return;
  ListViewTrueCryptVolumes.BeginUpdate();
  ListViewTrueCryptVolumes.Clear();
  for (const auto& volume : NetworkDriveItem->TrueCryptVolumesList)
    if (!volume->Volume.empty() && !volume->Drive.empty())
      ListViewTrueCryptVolumes.AddItem({volume->Drive, {LowerAscii(volume->Volume)}, mkVolume, volume.get()});
  ListViewTrueCryptVolumes.EndUpdate();
  ListViewTrueCryptVolumesChange(ListViewTrueCryptVolumes.Selected());
}

int TAddNetworkDriveForm::VolumePosition(int row) const {
  return NetworkDriveItem ? PositionOf(ListViewTrueCryptVolumes, row, NetworkDriveItem->TrueCryptVolumesList) : -1;
}

void TAddNetworkDriveForm::ButtonVolumeAddClick() {
  TNetworkDriveItem* drive = NetworkDriveItem;
  if (!drive) return;
  if (drive->TrueCryptVolumesList.size() >= kMaxVolumesPerDrive) {
    Tell(engine_.T(10460) + std::to_string(kMaxVolumesPerDrive) + "." + "\r\n" + engine_.T(10458));
  } else {
    trueCryptVolumeForm_.CurrentDrive = drive->Drive;
    trueCryptVolumeForm_.TrueCryptDrive.clear();
    trueCryptVolumeForm_.EditVolume.SetText("");
    trueCryptVolumeForm_.EditPassword.SetText("");
    trueCryptVolumeForm_.EditCommandlineOptions.SetText("");
    if (trueCryptVolumeForm_.ShowModal() == mrOk && NetworkDriveItem == drive &&
        drive->TrueCryptVolumesList.size() < kMaxVolumesPerDrive) {
      auto volume = std::make_unique<TTrueCryptVolumeItem>();
      volume->Drive = trueCryptVolumeForm_.SelectedDrive();
      volume->Volume = trueCryptVolumeForm_.EditVolume.Text();
      volume->Password = trueCryptVolumeForm_.EditPassword.Text();
      volume->Options = trueCryptVolumeForm_.EditCommandlineOptions.Text();
      drive->TrueCryptVolumesList.push_back(std::move(volume));
      ControlChanged();
    }
  }
  FillTrueCryptVolumesList();
}

void TAddNetworkDriveForm::ButtonVolumeEditClick() {
  const int position = VolumePosition(ListViewTrueCryptVolumes.Selected());
  if (position < 0) return;
  TNetworkDriveItem* drive = NetworkDriveItem;
  const TTrueCryptVolumeItem* edited = drive->TrueCryptVolumesList[static_cast<size_t>(position)].get();
  trueCryptVolumeForm_.CurrentDrive = drive->Drive;
  trueCryptVolumeForm_.TrueCryptDrive = edited->Drive;
  trueCryptVolumeForm_.EditVolume.SetText(edited->Volume);
  trueCryptVolumeForm_.EditPassword.SetText(edited->Password);
  trueCryptVolumeForm_.EditCommandlineOptions.SetText(edited->Options);
  if (trueCryptVolumeForm_.ShowModal() != mrOk) return;
  const int now = IndexAfterwards(NetworkDriveItem, drive, drive->TrueCryptVolumesList, edited);
  if (now < 0) return;  // removed meanwhile: there is nothing left to change
  TTrueCryptVolumeItem& volume = *drive->TrueCryptVolumesList[static_cast<size_t>(now)];
  volume.Drive = trueCryptVolumeForm_.SelectedDrive();
  volume.Volume = trueCryptVolumeForm_.EditVolume.Text();
  volume.Password = trueCryptVolumeForm_.EditPassword.Text();
  volume.Options = trueCryptVolumeForm_.EditCommandlineOptions.Text();
  FillTrueCryptVolumesList();
  ControlChanged();
}

void TAddNetworkDriveForm::ButtonVolumeRemoveClick() {
  const int position = VolumePosition(ListViewTrueCryptVolumes.Selected());
  if (position < 0) return;
  TNetworkDriveItem* drive = NetworkDriveItem;
  const TTrueCryptVolumeItem* doomed = drive->TrueCryptVolumesList[static_cast<size_t>(position)].get();
  if (Ask(engine_.T(10461) + doomed->Volume + "' ?") != win::IDYES) return;
  const int now = IndexAfterwards(NetworkDriveItem, drive, drive->TrueCryptVolumesList, doomed);
  if (now < 0) return;  // already removed while the question was open
  drive->TrueCryptVolumesList.erase(drive->TrueCryptVolumesList.begin() + now);
  FillTrueCryptVolumesList();
  ListViewTrueCryptVolumesSelectItem();
  ControlChanged();
}

void TAddNetworkDriveForm::MoveVolume(int step) {
  if (NetworkDriveItem && MoveSelected(ListViewTrueCryptVolumes, NetworkDriveItem->TrueCryptVolumesList, step,
                                       [this] { FillTrueCryptVolumesList(); }))
    ControlChanged();
}

void TAddNetworkDriveForm::BitBtnMoveVolumeUpClick() { MoveVolume(-1); }

void TAddNetworkDriveForm::BitBtnMoveVolumeDownClick() { MoveVolume(+1); }

void TAddNetworkDriveForm::ListViewTrueCryptVolumesChange(int row) {
  const bool selected = row >= 0 && row == ListViewTrueCryptVolumes.Selected();
  ButtonVolumeRemove.SetEnabled(selected);
  ButtonVolumeEdit.SetEnabled(selected);
}

void TAddNetworkDriveForm::ListViewTrueCryptVolumesSelectItem() {
  EnableOrderButtons(BitBtnMoveVolumeUp, BitBtnMoveVolumeDown, ListViewTrueCryptVolumes.Selected(),
                     ListViewTrueCryptVolumes.Count());
}

// --- Links ---

void TAddNetworkDriveForm::LabelRunProgramsNowClick() {
  if (!NetworkDriveItem) return;
  if (NetworkDriveItem->RunProgramsList.empty())
    Tell(engine_.T(10464));
  else
    engine_.RunPrograms(*NetworkDriveItem, true);
  KeepOnceOnlyFlags();
}

void TAddNetworkDriveForm::LabelMountVolumesNowClick() {
  if (!NetworkDriveItem) return;
  if (NetworkDriveItem->TrueCryptVolumesList.empty())
    Tell(engine_.T(10465));
  else
    engine_.MountVolumes(*NetworkDriveItem, true);
  KeepOnceOnlyFlags();
}

// A run from here marks the working copy; the live drive is marked as well, since a save
// copies only the configuration back and its connect would otherwise start them again.
void TAddNetworkDriveForm::KeepOnceOnlyFlags() {
  if (!NetworkDriveItem) return;
  TNetworkDriveItem* live = engine_.NetworkDrives().FindDrive(NetworkDriveItem->Drive);
  if (!live) return;
  live->ProgramsHaveBeenRunned = live->ProgramsHaveBeenRunned || NetworkDriveItem->ProgramsHaveBeenRunned;
  live->VolumesHaveBeenMounted = live->VolumesHaveBeenMounted || NetworkDriveItem->VolumesHaveBeenMounted;
}

void TAddNetworkDriveForm::LabelRunProgramsNowMouseEnter() { platform_.ui.SetHandCursor(true); }

void TAddNetworkDriveForm::LabelRunProgramsNowMouseLeave() { platform_.ui.SetHandCursor(false); }

int TAddNetworkDriveForm::Ask(const std::string& text) {
  return platform_.ui.MessageBox(text, kProductName, MessageBoxKind::Question);
}

void TAddNetworkDriveForm::Tell(const std::string& text, MessageBoxKind kind) {
  platform_.ui.MessageBox(text, kProductName, kind);
}

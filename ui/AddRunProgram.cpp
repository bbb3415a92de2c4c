#include "ui/AddRunProgram.h"

#include "data/StoredLimits.h"
#include "engine/Engine.h"
#include "platform/Platform.h"
#include "ui/Layout.h"
#include "resources/ResourceIds.h"

TAddRunProgramForm::TAddRunProgramForm(TEngine& engine) : TForm(engine.platform()), engine_(engine) {
  ClientWidth = 399;
  ClientHeight = 188;
  Image1.SetBounds(12, 12, 32, 32);
  Image1.Picture = IDI_DIALOG_RUN_PROGRAM;
  LabelHelpMsg.SetBounds(56, 12, 331, 44);
  LabelHelpMsg.WordWrap = true;
  LabelOpen.SetBounds(12, 64, 375, 15);
  EditRunProgram.SetBounds(12, 81, 375, 21);
  LabelProgramParameters.SetBounds(12, 110, 375, 15);
  EditParameters.SetBounds(12, 127, 375, 21);
  PlaceButtonRow({&ButtonOK, &ButtonCancel, &ButtonBrowse}, 12, 155);
  EditRunProgram.SetMaxLength(MaxStoredValueLength);
  EditParameters.SetMaxLength(MaxStoredValueLength);
  SetUpOkCancel(ButtonOK, ButtonCancel);

  Add(Image1);
  Add(LabelHelpMsg);
  Add(LabelOpen);
  Add(EditRunProgram);
  Add(LabelProgramParameters);
  Add(EditParameters);
  Add(ButtonOK);
  Add(ButtonCancel);
  Add(ButtonBrowse);

  EditRunProgram.OnChange = [this] { EditRunProgramChange(); };
  ButtonBrowse.OnClick = [this] { ButtonBrowseClick(); };
  FormCreate();
}

void TAddRunProgramForm::FormCreate() {
  UseSystemFont();
  try {
    SetCaption(engine_.T(10410));
    LabelHelpMsg.SetCaption(engine_.T(10450));
    LabelOpen.SetCaption(engine_.T(10007) + ":");
    LabelProgramParameters.SetCaption(engine_.T(10451) + ":");
    ButtonCancel.SetCaption(engine_.T(10001));
    ButtonBrowse.SetCaption(engine_.T(10006));
  } catch (...) {
    // The window still works with the captions it has.
  }
}

void TAddRunProgramForm::FormShow() { SetFocus(EditRunProgram); }

void TAddRunProgramForm::EditRunProgramChange() { ButtonOK.SetEnabled(!EditRunProgram.Text().empty()); }

void TAddRunProgramForm::ButtonBrowseClick() {
  const std::string program = BrowseForProgram();
  if (!program.empty()) EditRunProgram.SetText(program);
}

std::string TAddRunProgramForm::BrowseForProgram() {
  std::string fileName;
  if (!platform_.ui.OpenFileDialog({"Programs|*.exe;*.com;*.bat;|All files|*.*", "C:\\"}, fileName)) return "";
  return fileName;
}

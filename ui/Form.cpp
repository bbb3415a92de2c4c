#include "ui/Form.h"

#include "platform/Platform.h"
#include "platform/MyLibrary.h"

TForm::TForm(Platform& platform) : platform_(platform) {}

int TForm::ShowModal() {
  // A window already on screen is not shown a second time over itself.
  if (showing_) return mrCancel;
  return platform_.ui.ShowModal(*this);
}

void TForm::SetModalResult(int result) {
  if (result == mrNone) {
    modalResult_ = mrNone;
    return;
  }
  if (!FormCloseQuery()) return;
  modalResult_ = result;
  if (showing_) ended_ = true;
}

void TForm::PressEnter() {
  if (TButton* button = FindButton(true)) button->Click();
}

void TForm::PressEscape() {
  if (TButton* button = FindButton(false))
    button->Click();
  else
    Close();
}

void TForm::ModalShow() {
  showing_ = true;
  ended_ = false;
  modalResult_ = mrNone;
  FormShow();
}

void TForm::ModalHide() {
  showing_ = false;
  FormHide();
}

void TForm::Add(TControl& control, TTabSheet* sheet) {
  control.Sheet = sheet;
  controls_.push_back(&control);
  if (control.Kind == TControlKind::Button) {
    static_cast<TButton&>(control).OnModalResult = [this](int result) { SetModalResult(result); };
  }
}

void TForm::UseSystemFont() {
  FontName = UIFontName(platform_);
  FontSize = UIFontSize(platform_);
}

TButton* TForm::FindButton(bool isDefault) const {
  for (TControl* control : controls_) {
    if (control->Kind != TControlKind::Button) continue;
    auto* button = static_cast<TButton*>(control);
    if (isDefault ? button->Default : button->Cancel) return button;
  }
  return nullptr;
}

#include "ui/controls/StdControls.h"

void TLabel::SetCaption(const std::string& caption) {
  if (caption_ == caption) return;
  caption_ = caption;
  Changed();
}

void TLinkLabel::Click() {
  if (Enabled() && OnClick) OnClick();
}

void TLinkLabel::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter();
}

void TLinkLabel::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave();
}

void TEdit::SetText(const std::string& text) {
  text_ = text;
  Changed();
  if (OnChange) OnChange();
}

void TEdit::Type(const std::string& text) {
  if (!Enabled()) return;
  SetText(maxLength_ && text.size() > maxLength_ ? text.substr(0, maxLength_) : text);
}

void TEdit::SetMaxLength(std::size_t maxLength) {
  maxLength_ = maxLength;
  Changed();
}

void TCheckBox::SetCaption(const std::string& caption) {
  if (caption_ == caption) return;
  caption_ = caption;
  Changed();
}

void TCheckBox::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  Changed();
  if (OnClick) OnClick();
}

void TCheckBox::Click() {
  if (Enabled()) SetChecked(!checked_);
}

void TButton::SetCaption(const std::string& caption) {
  if (caption_ == caption) return;
  caption_ = caption;
  Changed();
}

void TButton::Click() {
  if (!Enabled()) return;
  if (ModalResult && OnModalResult) OnModalResult(ModalResult);
  if (OnClick) OnClick();
}

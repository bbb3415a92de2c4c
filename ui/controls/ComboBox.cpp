#include "ui/controls/ComboBox.h"

#include <algorithm>

void TComboBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  itemIndex_ = -1;
  if (Style == TComboBoxStyle::DropDownList) text_.clear();
  Changed();
}

void TComboBox::Clear() { SetItems({}); }

void TComboBox::SetItemIndex(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) index = -1;
  itemIndex_ = index;
  if (index >= 0)
    text_ = items_[static_cast<size_t>(index)];
  else if (Style == TComboBoxStyle::DropDownList)
    text_.clear();
  Changed();
}

void TComboBox::Select(int index) {
  if (!Enabled()) return;
  SetItemIndex(index);
  if (OnChange) OnChange();
}

int TComboBox::IndexOf(const std::string& text) const {
  auto found = std::find(items_.begin(), items_.end(), text);
  return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

void TComboBox::SetText(const std::string& text) {
  if (Style == TComboBoxStyle::DropDownList) {
    SetItemIndex(IndexOf(text));
    return;
  }
  text_ = text;
  itemIndex_ = IndexOf(text);
  Changed();
  if (OnChange) OnChange();
}

void TComboBox::Type(const std::string& text) {
  if (!Enabled() || Style == TComboBoxStyle::DropDownList) return;
  SetText(maxLength_ && text.size() > maxLength_ ? text.substr(0, maxLength_) : text);
}

void TComboBox::SetMaxLength(std::size_t maxLength) {
  maxLength_ = maxLength;
  Changed();
}

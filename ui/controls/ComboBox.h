#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "ui/controls/Control.h"

enum class TComboBoxStyle {
  DropDown,      // a text box with a list to pick from; any text may be typed
  DropDownList,  // only the entries can be picked
};

// A combo box. Entries may carry a picture (ItemImages, from the image list named by
// Images). Setting the selection from code reports nothing, as with the real box; a pick
// by the user and every change of an editable box's text are reported through OnChange.
class TComboBox : public TControl {
 public:
  TComboBox() : TControl(TControlKind::ComboBox) {}
  TComboBoxStyle Style = TComboBoxStyle::DropDown;
  int DropDownCount = 8;
  int ItemHeight = 0;  // 0: the font's
  std::string Images;
  std::vector<int> ItemImages;  // one per entry, or empty

  const std::vector<std::string>& Items() const { return items_; }
  // New entries; nothing is selected afterwards. An editable box keeps its text.
  void SetItems(std::vector<std::string> items);
  void Clear();
  int ItemIndex() const { return itemIndex_; }
  // Selects an entry (-1: none) and shows its text.
  void SetItemIndex(int index);
  // The user picks an entry.
  void Select(int index);
  int IndexOf(const std::string& text) const;  // exact; -1 when absent

  const std::string& Text() const { return text_; }
  // The text of an editable box; the selection follows an entry of exactly this text.
  void SetText(const std::string& text);
  // The user types into an editable box; it takes no more than MaxLength characters.
  void Type(const std::string& text);
  void SetMaxLength(std::size_t maxLength);
  std::size_t MaxLength() const { return maxLength_; }

  std::function<void()> OnChange;

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  std::string text_;
  std::size_t maxLength_ = 0;
};

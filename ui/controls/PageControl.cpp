#include "ui/controls/PageControl.h"

void TTabSheet::SetCaption(const std::string& caption) {
  if (caption_ == caption) return;
  caption_ = caption;
  if (PageControl) PageControl->PageChanged();
}

void TPageControl::AddPage(TTabSheet& sheet) {
  sheet.PageControl = this;
  pages_.push_back(&sheet);
  if (active_ < 0) active_ = 0;
  Changed();
}

void TPageControl::SetActivePageIndex(int index) {
  if (index < 0 || index >= static_cast<int>(pages_.size()) || index == active_) return;
  active_ = index;
  Changed();
}

void TPageControl::SelectPage(int index) {
  if (!Enabled() || index == active_) return;
  SetActivePageIndex(index);
  if (OnChange) OnChange();
}

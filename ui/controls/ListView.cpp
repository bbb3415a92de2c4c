#include "ui/controls/ListView.h"

void TListView::SetColumns(std::vector<TListColumn> columns) {
  columns_ = std::move(columns);
  Report();
}

void TListView::SetColumnCaption(int column, const std::string& caption) {
  if (column < 0 || column >= static_cast<int>(columns_.size())) return;
  columns_[static_cast<size_t>(column)].Caption = caption;
  Report();
}

int TListView::AddItem(TListItem item) {
  items_.push_back(std::move(item));
  Report();
  return Count() - 1;
}

void TListView::Clear() {
  items_.clear();
  selected_ = -1;
  Report();
}

void TListView::SetItem(int index, TListItem item) {
  if (index < 0 || index >= Count()) return;
  items_[static_cast<size_t>(index)] = std::move(item);
  Report();
}

void TListView::Select(int index) {
  if (index < -1 || index >= Count()) index = -1;
  if (index == selected_) return;
  const int old = selected_;
  selected_ = index;
  Report();
  if (old >= 0) {
    if (OnChange) OnChange(old);
    if (OnSelectItem) OnSelectItem(old, false);
  }
  if (index >= 0) {
    if (OnChange) OnChange(index);
    if (OnSelectItem) OnSelectItem(index, true);
  }
}

void TListView::DblClick() {
  if (Enabled() && OnDblClick) OnDblClick();
}

void TListView::EndUpdate() {
  if (updating_ > 0 && --updating_ == 0) Changed();
}

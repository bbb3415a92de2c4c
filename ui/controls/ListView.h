#pragma once
#include <functional>
#include <string>
#include <vector>

#include "ui/controls/Control.h"

struct TListColumn {
  std::string Caption;
  int Width = 50;
  bool AutoSize = false;  // takes what the other columns leave of the list's width
};

struct TListItem {
  std::string Caption;
  std::vector<std::string> SubItems;
  int ImageIndex = -1;
  void* Data = nullptr;  // the record the row shows
};

// A report-style list: columns, rows with a picture, a caption, sub-items and a
// reference to their record, one selected row. While updates are suspended a view is
// told nothing; it is told once when they resume.
class TListView : public TControl {
 public:
  TListView() : TControl(TControlKind::ListView) {}
  std::string Images;  // the image list the row pictures come from
  bool RowSelect = true;
  bool ReadOnly = true;
  bool HideSelection = false;

  const std::vector<TListColumn>& Columns() const { return columns_; }
  void SetColumns(std::vector<TListColumn> columns);
  void SetColumnCaption(int column, const std::string& caption);

  const std::vector<TListItem>& Items() const { return items_; }
  int Count() const { return static_cast<int>(items_.size()); }
  int AddItem(TListItem item);
  // Every row goes; the selection with them, without a report (the real list tells
  // nothing either).
  void Clear();
  void SetItem(int index, TListItem item);

  int Selected() const { return selected_; }
  // Selects a row (-1: none), by code or by the user alike. The row that loses the
  // selection is reported first, then the row that gains it, each through OnChange and
  // OnSelectItem.
  void Select(int index);
  void DblClick();

  void BeginUpdate() { ++updating_; }
  void EndUpdate();
  bool Updating() const { return updating_ > 0; }

  std::function<void(int row)> OnChange;
  std::function<void(int row, bool selected)> OnSelectItem;
  std::function<void()> OnDblClick;

 private:
  void Report() const {
    if (!updating_) Changed();
  }
  std::vector<TListColumn> columns_;
  std::vector<TListItem> items_;
  int selected_ = -1;
  int updating_ = 0;
};

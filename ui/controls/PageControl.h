#pragma once
#include <functional>
#include <string>
#include <vector>

#include "ui/controls/Control.h"

class TPageControl;

// One tab of a page control; the controls on it name it as their Sheet.
class TTabSheet {
 public:
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  TPageControl* PageControl = nullptr;

 private:
  std::string caption_;
};

// Tabs with one page each; the active page's controls are the ones shown.
class TPageControl : public TControl {
 public:
  TPageControl() : TControl(TControlKind::PageControl) {}
  void AddPage(TTabSheet& sheet);
  const std::vector<TTabSheet*>& Pages() const { return pages_; }
  int ActivePageIndex() const { return active_; }
  TTabSheet* ActivePage() const { return active_ >= 0 ? pages_[static_cast<size_t>(active_)] : nullptr; }
  // Code turns the page: nothing is reported.
  void SetActivePageIndex(int index);
  // The user picks a tab.
  void SelectPage(int index);
  std::function<void()> OnChange;
  void PageChanged() const { Changed(); }

 private:
  std::vector<TTabSheet*> pages_;
  int active_ = -1;
};

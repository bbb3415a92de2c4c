#pragma once
#include <functional>
#include <string>

class TTabSheet;

enum class TControlKind {
  Label, LinkLabel, Edit, CheckBox, Button, ComboBox, ListView, PageControl, UpDown, Image, Separator
};

// What every control of a window has: where it lies, whether it is enabled and visible,
// its hint, and a way for a view to follow its state.
class TControl {
 public:
  explicit TControl(TControlKind kind) : Kind(kind) {}
  virtual ~TControl() = default;
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  const TControlKind Kind;
  // Position and size in the client area of the window (or of its tab page), in pixels
  // at 96 DPI; the real window scales them.
  int Left = 0, Top = 0, Width = 0, Height = 0;
  void SetBounds(int left, int top, int width, int height) {
    Left = left, Top = top, Width = width, Height = height;
  }
  TTabSheet* Sheet = nullptr;  // the tab page it lies on; null: on the window itself
  // A font other than the window's: a face, a size in points, bold.
  std::string FontName;
  int FontSize = 0;
  int FontHeightPx = 0;  // a height in pixels instead of a size in points
  bool Bold = false;
  std::string Hint;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  // Whether the keyboard can reach it with Tab.
  bool TabStop() const;

  // Called after every change of state, whoever made it, so that a view can follow.
  std::function<void()> OnStateChanged;

 protected:
  void Changed() const {
    if (OnStateChanged) OnStateChanged();
  }

 private:
  bool enabled_ = true;
  bool visible_ = true;
};

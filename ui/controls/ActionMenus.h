#pragma once
#include <string>
#include <vector>

class TAction;

// One entry of a menu, a popup menu or the tool bar: bound to an action, or a separator
// (an entry without action whose caption is "-"), or a menu of its own entries.
class TMenuItem {
 public:
  static TMenuItem Separator() { return TMenuItem("-"); }
  static TMenuItem For(TAction& action);
  explicit TMenuItem(std::string caption = "") : Caption(std::move(caption)) {}

  bool IsSeparator() const { return Action == nullptr && Caption == "-"; }
  // What the entry shows: its action's caption, image and enabled state.
  std::string ShownCaption() const;
  int ShownImage() const;
  bool ShownEnabled() const;
  // A click: runs the action when there is one and it is enabled.
  bool Click();

  std::string Caption;  // own caption: a menu title, or "-"
  TAction* Action = nullptr;
  std::vector<TMenuItem> Items;  // the entries of a menu
};

// The menu bar (its menus are the items), a popup menu, or the tool bar (its buttons).
class TMenuList {
 public:
  void Clear() { Items.clear(); }
  std::vector<TMenuItem> Items;
};

class TMenuBar : public TMenuList {
 public:
  std::string FontName;
  int FontSize = 0;
};

class TPopupMenu : public TMenuList {};

class TToolBar : public TMenuList {
 public:
  bool ShowCaptions = false;  // images only
  bool ShowHints = false;
  int MinHeight = 26;
};

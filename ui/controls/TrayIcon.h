#pragma once
#include <functional>

class TPopupMenu;

// The notification-area icon. Its picture, tip and balloons are the surfaces' (set by the
// status survey); this is what the window adds: visibility, the mouse and the menu.
class TTrayIcon {
 public:
  // A left double-click; ignored while the icon does not respond to the mouse.
  void DblClick() {
    if (Enabled && OnDblClick) OnDblClick();
  }

  bool Visible = false;
  bool Enabled = true;  // responds to the mouse
  TPopupMenu* PopupMenu = nullptr;  // opened by the right button at the cursor
  std::function<void()> OnDblClick;
};

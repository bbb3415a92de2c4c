#include "ui/controls/Control.h"

void TControl::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Changed();
}

void TControl::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Changed();
}

bool TControl::TabStop() const {
  switch (Kind) {
    case TControlKind::Edit:
    case TControlKind::CheckBox:
    case TControlKind::Button:
    case TControlKind::ComboBox:
    case TControlKind::ListView:
    case TControlKind::PageControl:
      return true;
    default:
      return false;
  }
}

#include "ui/controls/ActionMenus.h"

#include "ui/controls/Action.h"

TMenuItem TMenuItem::For(TAction& action) {
  TMenuItem item;
  item.Action = &action;
  return item;
}

std::string TMenuItem::ShownCaption() const { return Action != nullptr ? Action->Caption : Caption; }

int TMenuItem::ShownImage() const { return Action != nullptr ? Action->ImageIndex : -1; }

bool TMenuItem::ShownEnabled() const { return Action != nullptr ? Action->Enabled : !IsSeparator(); }

bool TMenuItem::Click() { return Action != nullptr && Action->Execute(); }

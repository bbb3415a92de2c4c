#include "ui/controls/Action.h"

bool TAction::Execute() {
  if (!Enabled || !OnExecute) return false;
  OnExecute();
  return true;
}

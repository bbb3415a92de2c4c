#pragma once
#include <functional>

#include "ui/controls/Control.h"

class TEdit;

// Spin buttons beside a number field (the associate). The position stays within the
// range; a number typed into the field counts when it is a whole number within the
// range, otherwise the position keeps its previous value. No thousands separator.
class TUpDown : public TControl {
 public:
  TUpDown() : TControl(TControlKind::UpDown) {}
  void SetRange(int min, int max);
  int Min() const { return min_; }
  int Max() const { return max_; }
  void SetAssociate(TEdit& edit) { associate_ = &edit; }
  TEdit* Associate() const { return associate_; }
  // The position, taking a valid number typed into the field first.
  int Position() const;
  // Moves to the nearest value within the range and shows it in the field.
  void SetPosition(int position);
  // The user clicks the upper or the lower spin button.
  void ClickUp();
  void ClickDown();

 private:
  int min_ = 0;
  int max_ = 100;
  mutable int position_ = 0;
  TEdit* associate_ = nullptr;
};

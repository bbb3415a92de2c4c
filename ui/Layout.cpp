#include "ui/Layout.h"

void PlaceButtonRow(std::initializer_list<TButton*> buttons, int left, int top) {
  for (TButton* button : buttons) {
    button->SetBounds(left, top, kButtonWidth, kButtonHeight);
    left += kButtonWidth + kButtonGap;
  }
}

void PlaceHeading(TLabel& heading, TSeparator& line, TImage& icon, int left, int top, int rightEdge) {
  icon.SetBounds(rightEdge - 16, top - 8, 16, 16);
  icon.SetVisible(false);  // pictures come with the artwork
  heading.SetBounds(left, top, 0, 15);
  heading.Bold = true;
  line.SetBounds(left, top + 7, rightEdge - left, 2);
  line.After = &heading;
}

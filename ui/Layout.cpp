#include "ui/Layout.h"

#include "platform/UserInterface.h"

void PlaceButtonRow(std::initializer_list<TButton*> buttons, int left, int top) {
  for (TButton* button : buttons) {
    button->SetBounds(left, top, kButtonWidth, kButtonHeight);
    left += kButtonWidth + kButtonGap;
  }
}

void PlaceHeading(TLabel& heading, TSeparator& line, TImage& icon, int left, int top, int rightEdge) {
  icon.SetBounds(rightEdge + 2, top, 16, 16);
  heading.SetBounds(left, top, 0, 15);
  heading.Bold = true;
  line.SetBounds(left, top + 7, rightEdge - left, 2);
  line.After = &heading;
}

void SetUpOkCancel(TButton& ok, TButton& cancel) {
  ok.SetCaption("&OK");
  ok.Default = true;
  ok.ModalResult = mrOk;
  ok.SetEnabled(false);
  cancel.Cancel = true;
  cancel.ModalResult = mrCancel;
}

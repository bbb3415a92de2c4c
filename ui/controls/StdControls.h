#pragma once
#include <cstddef>
#include <functional>
#include <string>

#include "ui/controls/Control.h"

// A text. A label that shows an ampersand as itself has ShowAccelChar false.
class TLabel : public TControl {
 public:
  TLabel() : TControl(TControlKind::Label) {}
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  bool WordWrap = false;
  bool ShowAccelChar = true;

 protected:
  explicit TLabel(TControlKind kind) : TControl(kind) {}

 private:
  std::string caption_;
};

// A label that acts as a link: navy, underlined, the hand pointer while the mouse is over it.
class TLinkLabel : public TLabel {
 public:
  TLinkLabel() : TLabel(TControlKind::LinkLabel) {}
  std::function<void()> OnClick, OnMouseEnter, OnMouseLeave;
  void Click();
  void MouseEnter();
  void MouseLeave();
};

// A one-line text box. Like the real box it reports every change of its text, also when
// code sets it; what the user types stops at MaxLength.
class TEdit : public TControl {
 public:
  TEdit() : TControl(TControlKind::Edit) {}
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  // The user replaces the text by typing; the box takes no more than MaxLength characters.
  void Type(const std::string& text);
  void SetMaxLength(std::size_t maxLength);
  std::size_t MaxLength() const { return maxLength_; }
  char PasswordChar = '\0';  // shown for every character; '\0' shows the text
  std::function<void()> OnChange;

 private:
  std::string text_;
  std::size_t maxLength_ = 0;  // 0: no limit
};

class TCheckBox : public TControl {
 public:
  TCheckBox() : TControl(TControlKind::CheckBox) {}
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  bool Checked() const { return checked_; }
  // Like the real box, a change made by code is reported as a click.
  void SetChecked(bool checked);
  // The user clicks it: the mark toggles.
  void Click();
  std::function<void()> OnClick;

 private:
  std::string caption_;
  bool checked_ = false;
};

// A push button; a button with a modal result ends its window's modal showing. The
// default button answers Enter, the cancel button Escape. A button with a picture shows
// ImageIndex of its window's images and no caption.
class TButton : public TControl {
 public:
  TButton() : TControl(TControlKind::Button) {}
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  bool Default = false;
  bool Cancel = false;
  int ModalResult = 0;
  int ImageIndex = -1;
  // The user clicks it; a disabled button cannot be clicked.
  void Click();
  std::function<void()> OnClick;
  // Set by the window that owns the button.
  std::function<void(int)> OnModalResult;

 private:
  std::string caption_;
};

// A picture: ImageIndex of the image list named by Images, or the resource Picture.
class TImage : public TControl {
 public:
  TImage() : TControl(TControlKind::Image) {}
  std::string Images;
  int ImageIndex = -1;
  int Picture = 0;  // resource id; 0: none
};

// A thin etched line. Beside a heading (After) it starts 3 pixels after the heading's
// text and keeps its right end.
class TSeparator : public TControl {
 public:
  TSeparator() : TControl(TControlKind::Separator) {}
  TLabel* After = nullptr;
};

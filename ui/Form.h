#pragma once
#include <string>
#include <vector>

#include "platform/UserInterface.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/Control.h"
#include "ui/controls/ListView.h"
#include "ui/controls/PageControl.h"
#include "ui/controls/StdControls.h"
#include "ui/controls/UpDown.h"

struct Platform;

// A window: its caption, client size, font, controls (in tab order) and modal result.
// Derived windows declare their controls as members, register them with Add in tab
// order and bind their handlers.
class TForm : public ModalWindow {
 public:
  explicit TForm(Platform& platform);
  ~TForm() override = default;
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption) { caption_ = caption; }
  // The client area at 96 DPI; the real window scales it.
  int ClientWidth = 0;
  int ClientHeight = 0;
  std::string FontName = "Tahoma";
  int FontSize = 8;

  const std::vector<TControl*>& Controls() const { return controls_; }

  // Shows the window modally through the platform and returns the modal result.
  int ShowModal();
  bool Showing() const { return showing_; }
  // Asks to close with this result; FormCloseQuery may refuse, and the result stays 0.
  void SetModalResult(int result);
  int ModalResult() const { return modalResult_; }
  // The close box.
  void Close() { SetModalResult(mrCancel); }
  // Enter clicks the default button, Escape the cancel button (or closes).
  void PressEnter();
  void PressEscape();

  TControl* ActiveControl() const { return activeControl_; }
  void SetFocus(TControl& control) { activeControl_ = &control; }

  // Handlers every window may have.
  virtual void FormShow() {}
  virtual void FormHide() {}
  virtual bool FormCloseQuery() { return true; }
  // F1 while the window is active.
  virtual void FormHelp() {}

  // How the platform drives a modal showing.
  void ModalShow() override;
  void ModalHide() override;
  bool ModalEnded() const override { return ended_; }
  int ModalResultValue() const override { return modalResult_; }
  void ModalEscape() override { PressEscape(); }

 protected:
  // Registers a control in tab order, on a tab page or on the window itself.
  void Add(TControl& control, TTabSheet* sheet = nullptr);
  // The user-interface font of this Windows version for the window.
  void UseSystemFont();

  Platform& platform_;

 private:
  TButton* FindButton(bool isDefault) const;

  std::string caption_;
  std::vector<TControl*> controls_;
  TControl* activeControl_ = nullptr;
  int modalResult_ = mrNone;
  bool showing_ = false;
  bool ended_ = false;
};

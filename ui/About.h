#pragma once
#include <string>

#include "ui/Form.h"

class TEngine;

// A general about window: product name, version, notice and the two links, all from the
// fixed product data.
class TMyAboutForm : public TForm {
 public:
  explicit TMyAboutForm(Platform& platform);

  TImage Image1;
  TLabel LabelProductName, LabelVersion, LabelNotice, LabelContactInformation, LabelLeftInternet, LabelLeftEmail;
  TLinkLabel LabelInternet, LabelEmail;
  TSeparator Panel1, Panel3;
  TButton ButtonOK;

  void FormCreate();
  void FormShow() override {}
  void LabelInternetClick();
  void LabelEmailClick();
  void LabelEmailMouseEnter();
  void LabelEmailMouseLeave();
  // What the e-mail link hands to the shell.
  static std::string MailtoRequest();
};

// The program's about window: its translated texts and its own picture.
class TAboutForm : public TMyAboutForm {
 public:
  explicit TAboutForm(TEngine& engine);
  void FormCreate();
  void FormShow() override { TMyAboutForm::FormShow(); }

 private:
  TEngine& engine_;
};

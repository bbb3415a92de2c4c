#include "ui/About.h"

#include "base/ProductInfo.h"
#include "engine/Engine.h"
#include "platform/Platform.h"
#include "platform/WinTypes.h"
#include "ui/Layout.h"
#include "resources/ResourceIds.h"

TMyAboutForm::TMyAboutForm(Platform& platform) : TForm(platform) {
  ClientWidth = 339;
  ClientHeight = 248;
  Image1.SetBounds(12, 12, 52, 52);
  LabelProductName.SetBounds(76, 12, 251, 18);
  LabelProductName.Bold = true;
  LabelProductName.FontHeightPx = 13;
  LabelVersion.SetBounds(76, 34, 251, 15);
  LabelNotice.SetBounds(76, 52, 251, 15);
  Panel1.SetBounds(12, 78, 315, 2);
  LabelContactInformation.SetBounds(12, 90, 315, 15);
  LabelLeftInternet.SetBounds(12, 114, 72, 15);
  LabelInternet.SetBounds(88, 114, 239, 15);
  LabelLeftEmail.SetBounds(12, 136, 72, 15);
  LabelEmail.SetBounds(88, 136, 239, 15);
  Panel3.SetBounds(12, 200, 315, 2);
  ButtonOK.SetBounds((339 - kButtonWidth) / 2, 211, kButtonWidth, kButtonHeight);
  for (TLabel* label : {&LabelProductName, &LabelVersion, &LabelNotice, static_cast<TLabel*>(&LabelInternet),
                        static_cast<TLabel*>(&LabelEmail)})
    label->ShowAccelChar = false;
  ButtonOK.SetCaption("&OK");
  ButtonOK.Default = true;
  ButtonOK.Cancel = true;
  ButtonOK.ModalResult = mrOk;

  for (TControl* control : std::initializer_list<TControl*>{
           &Image1, &LabelProductName, &LabelVersion, &LabelNotice, &Panel1, &LabelContactInformation,
           &LabelLeftInternet, &LabelInternet, &LabelLeftEmail, &LabelEmail, &Panel3, &ButtonOK})
    Add(*control);

  LabelInternet.OnClick = [this] { LabelInternetClick(); };
  LabelEmail.OnClick = [this] { LabelEmailClick(); };
  for (TLinkLabel* link : {&LabelInternet, &LabelEmail}) {
    link->OnMouseEnter = [this] { LabelEmailMouseEnter(); };
    link->OnMouseLeave = [this] { LabelEmailMouseLeave(); };
  }
  LabelContactInformation.SetCaption("Contact information:");
  LabelLeftInternet.SetCaption("Internet:");
  LabelLeftEmail.SetCaption("E-mail:");
  TMyAboutForm::FormCreate();
}

void TMyAboutForm::FormCreate() {
  SetCaption(std::string("About ") + kProductName);
  LabelProductName.SetCaption(kProductName);
  LabelVersion.SetCaption(std::string("Version ") + kProductVersion);
  LabelNotice.SetCaption(kNotice);
  LabelInternet.SetCaption(kWebSite);
  LabelEmail.SetCaption(kSupportAddress);
  UseSystemFont();
  for (TLinkLabel* link : {&LabelInternet, &LabelEmail}) {
    link->FontName = FontName;
    link->FontSize = FontSize;
  }
}

void TMyAboutForm::LabelInternetClick() {
  platform_.shell.ShellExecute("open", LabelInternet.Caption().c_str(), nullptr, win::SW_SHOWNORMAL);
}

std::string TMyAboutForm::MailtoRequest() {
  return std::string("mailto:") + kSupportAddress + "?subject=" + kProductName + " v" + kProductVersion;
}

void TMyAboutForm::LabelEmailClick() {
  platform_.shell.ShellExecute("open", MailtoRequest().c_str(), nullptr, win::SW_SHOWNORMAL);
}

void TMyAboutForm::LabelEmailMouseEnter() { platform_.ui.SetHandCursor(true); }

void TMyAboutForm::LabelEmailMouseLeave() { platform_.ui.SetHandCursor(false); }

TAboutForm::TAboutForm(TEngine& engine) : TMyAboutForm(engine.platform()), engine_(engine) {
  Image1.Picture = IDI_ABOUT;
  FormCreate();
}

void TAboutForm::FormCreate() {
  TMyAboutForm::FormCreate();
  try {
    SetCaption(engine_.T(10152));
    LabelVersion.SetCaption(engine_.T(10043) + " " + kProductVersion);
    LabelContactInformation.SetCaption(engine_.T(10812));
  } catch (...) {
    // The window still works with the captions it has.
  }
}

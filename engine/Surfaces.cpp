#include "engine/Surfaces.h"

#include "platform/Platform.h"

namespace {
constexpr size_t kTrayTipMax = 127;
constexpr size_t kBalloonTitleMax = 63;
constexpr size_t kBalloonTextMax = 255;
constexpr uint32_t kBalloonHideMs = 10000;
}  // namespace

TBalloonHint::TBalloonHint(Platform& platform) : platform_(platform) {}

TBalloonHint::~TBalloonHint() {
  if (timer_ != 0) platform_.ui.KillTimer(timer_);
}

void TBalloonHint::ShowBalloon(const std::string& title, const std::string& text, int kind) {
  // The new balloon replaces whatever is still shown.
  Visible = false;
  Title.assign(title, 0, kBalloonTitleMax);
  Text.assign(text, 0, kBalloonTextMax);
  Kind = kind;
  Visible = true;
  ++ShownCount;
  // Rearm, so the withdrawal counts from the latest balloon whatever the system shows.
  if (timer_ != 0) platform_.ui.KillTimer(timer_);
  timer_ = platform_.ui.SetTimer(kBalloonHideMs, [this] { HideBalloon(); });
  if (OnChanged) OnChanged();
}

void TBalloonHint::HideBalloon() {
  // The timer only serves the balloon on show; an idle program keeps no timer running.
  if (timer_ != 0) {
    platform_.ui.KillTimer(timer_);
    timer_ = 0;
  }
  if (!Visible) return;
  Visible = false;
  if (OnChanged) OnChanged();
}

TSurfaces::TSurfaces(Platform& platform) : BalloonHintMessage(platform), platform_(platform) {
  BalloonHintMessage.OnChanged = [this] { Changed(); };
}

void TSurfaces::AddMessage(int imageIndex, const std::string& text) {
  Messages.push_front(TMessageRow{imageIndex, text, platform_.clock.LocalTimeText()});
  if (Messages.size() > MaxMessages) Messages.pop_back();
  ++MessagesAdded;
  Changed();
}

void TSurfaces::SetTrayPicture(int imageIndex) { Set(TrayPicture, imageIndex); }

void TSurfaces::SetTrayTip(const std::string& tip) { Set(TrayTip, tip.substr(0, kTrayTipMax)); }

void TSurfaces::SetStatusText(const std::string& text) { Set(StatusText, text); }

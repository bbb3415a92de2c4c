#include "ui/controls/UpDown.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "ui/controls/StdControls.h"

void TUpDown::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  position_ = std::clamp(position_, min_, max_);
  Changed();
}

int TUpDown::Position() const {
  if (associate_) {
    const std::string& text = associate_->Text();
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc() && end == text.data() + text.size() && !text.empty() && value >= min_ &&
        value <= max_)
      position_ = value;
  }
  return position_;
}

void TUpDown::SetPosition(int position) {
  position_ = std::clamp(position, min_, max_);
  Changed();
  if (associate_) associate_->SetText(std::to_string(position_));
}

void TUpDown::ClickUp() {
  if (Enabled()) SetPosition(Position() + 1);
}

void TUpDown::ClickDown() {
  if (Enabled()) SetPosition(Position() - 1);
}

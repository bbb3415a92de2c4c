#include "ui/DriveListDrawing.h"

#include <charconv>

namespace {
constexpr int kFreeColumn = 4;
}

TDriveCellColors DriveCellColors(int row, int column, bool deploymentDrive, const std::string& text) {
  TDriveCellColors colors;
  colors.Background = row % 2 == 1 ? TDriveCellColors::cl3DLight : TDriveCellColors::clWindow;
  if (deploymentDrive) colors.Text = TDriveCellColors::clGray;
  if (column != kFreeColumn || text.size() <= 2) return colors;
  // The text less its " %"; anything that is not a whole number keeps the colour above.
  const std::string number = text.substr(0, text.size() - 2);
  int percent = 0;
  auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), percent);
  if (error != std::errc() || end != number.data() + number.size()) return colors;
  if (percent >= 20) colors.Text = TDriveCellColors::clWindowText;
  else if (percent < 10) colors.Text = TDriveCellColors::clRed;
  else colors.Text = TDriveCellColors::clMaroon;
  return colors;
}

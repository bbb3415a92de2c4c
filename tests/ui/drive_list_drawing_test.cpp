#include <gtest/gtest.h>

#include "ui/DriveListDrawing.h"

using C = TDriveCellColors;

TEST(DriveListDrawing, RowsAlternateAndFreeSpaceWarnsInRedAndMaroon) {
  EXPECT_EQ(DriveCellColors(0, 0, false, "H:").Background, C::clWindow);
  EXPECT_EQ(DriveCellColors(1, 2, false, "\\\\nas\\media").Background, C::cl3DLight);
  EXPECT_EQ(DriveCellColors(3, 4, false, "50 %").Background, C::cl3DLight) << "the Free cell too";

  EXPECT_EQ(DriveCellColors(0, 4, false, "9 %").Text, C::clRed);
  EXPECT_EQ(DriveCellColors(0, 4, false, "0 %").Text, C::clRed);
  EXPECT_EQ(DriveCellColors(0, 4, false, "10 %").Text, C::clMaroon);
  EXPECT_EQ(DriveCellColors(0, 4, false, "19 %").Text, C::clMaroon);
  EXPECT_EQ(DriveCellColors(0, 4, false, "20 %").Text, C::clWindowText);
  EXPECT_EQ(DriveCellColors(0, 4, false, "100 %").Text, C::clWindowText);
  // Only the Free column reads its text as a percentage.
  EXPECT_EQ(DriveCellColors(0, 1, false, "5 %").Text, C::clDefault);
}

TEST(DriveListDrawing, DeploymentDrivesAreGreyExceptAReadablePercentage) {
  for (int column = 0; column < 4; ++column) EXPECT_EQ(DriveCellColors(2, column, true, "x").Text, C::clGray);
  EXPECT_EQ(DriveCellColors(2, 4, true, "-").Text, C::clGray) << "no number: the row's colour";
  EXPECT_EQ(DriveCellColors(2, 4, true, "5 %").Text, C::clRed);
  EXPECT_EQ(DriveCellColors(2, 4, false, "-").Text, C::clDefault);
  // Text that is no number is drawn as if there were none.
  EXPECT_EQ(DriveCellColors(0, 4, false, "abc %").Text, C::clDefault);
  EXPECT_EQ(DriveCellColors(0, 4, true, "1x %").Text, C::clGray);
  EXPECT_EQ(DriveCellColors(0, 4, false, " %").Text, C::clDefault);
  EXPECT_EQ(DriveCellColors(0, 4, false, "99999999999999 %").Text, C::clDefault) << "out of range";
}

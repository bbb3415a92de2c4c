#pragma once
#include <cstdint>
#include <string>

// The colours the drive list paints a cell with; the real list only applies them.
struct TDriveCellColors {
  enum TColor { clDefault, clWindow, cl3DLight, clWindowText, clGray, clRed, clMaroon };
  TColor Background = clWindow;
  TColor Text = clDefault;
};

// Row: position counting from 0; column 4 is Free ("37 %" or "-").
TDriveCellColors DriveCellColors(int row, int column, bool deploymentDrive, const std::string& text);

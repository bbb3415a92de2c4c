#pragma once
#include <initializer_list>

#include "ui/controls/StdControls.h"

// Names of the image lists the windows draw from.
inline constexpr const char* kMainImages = "ImageListMain32b";
inline constexpr const char* kLanguageImages = "ImageListLanguages";

// Standard button size at 96 DPI.
constexpr int kButtonWidth = 96;  // room for the longest translated caption ("&Durchsuchen...")
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 6;

// OK closes with mrOk and starts disabled until the window has what it needs; Cancel closes
// with mrCancel. Enter and Escape press them.
void SetUpOkCancel(TButton& ok, TButton& cancel);
// Buttons side by side from left, in the order given.
void PlaceButtonRow(std::initializer_list<TButton*> buttons, int left, int top);
// Where a row of `count` buttons starts that ends at `right`.
constexpr int ButtonRowLeft(int count, int right) { return right - count * kButtonWidth - (count - 1) * kButtonGap; }
// A section heading with its etched line from 3 pixels after the heading's text to rightEdge.
void PlaceHeading(TLabel& heading, TSeparator& line, TImage& icon, int left, int top, int rightEdge);

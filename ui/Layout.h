#pragma once
#include <initializer_list>

#include "ui/controls/StdControls.h"

// Names of the image lists the windows draw from.
inline constexpr const char* kMainImages = "ImageListMain32b";
inline constexpr const char* kLanguageImages = "ImageListLanguages";

// Standard button size at 96 DPI.
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 6;

// Buttons side by side from left, in the order given.
void PlaceButtonRow(std::initializer_list<TButton*> buttons, int left, int top);
// A section heading with its etched line from 3 pixels after the heading's text to rightEdge.
void PlaceHeading(TLabel& heading, TSeparator& line, TImage& icon, int left, int top, int rightEdge);

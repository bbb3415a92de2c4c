#pragma once
#include <vector>

// A list of small pictures, as data: which of the program's icons it holds, in order.
class TImageList {
 public:
  void Clear() { Images.clear(); }
  void Add(int icon) { Images.push_back(icon); }
  int Count() const { return static_cast<int>(Images.size()); }

  int Width = 16;
  int Height = 16;
  bool Masked = true;
  int ColorDepth = 24;  // bits per pixel; 32 keeps the icons' transparency
  std::vector<int> Images;
};

// Recreates the list as a 32-bit colour list keeping its pictures; nothing without a list.
// The real list is made at that depth from this.
void ConvertImageListTo32Bit(TImageList* list);

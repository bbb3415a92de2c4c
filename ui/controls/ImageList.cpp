#include "ui/controls/ImageList.h"

void ConvertImageListTo32Bit(TImageList* list) {
  if (list == nullptr) return;
  list->ColorDepth = 32;
}

// In-place row operations: inverting samples and turning the picture upside down.
#include <algorithm>

#include "dib/dib.h"
#include "dib/dib_layout.h"

void BmiNegate(BITMAPINFOHEADER* bmi) {
  const size_t used = static_cast<size_t>(DibUsedRowBytes(bmi->biBitCount, bmi->biWidth));
  const size_t stride = static_cast<size_t>(BmiRowBytes(bmi));
  uint8_t* row = BmiBits(bmi);
  const int rows = BmiHeightAbs(bmi);
  if (used == 0) {
    return;  // rows without pixels, of which a bitmap of width 0 may have 2^31
  }
  // The padding bytes are left as they are.
  for (int r = 0; r < rows; ++r, row += stride) {
    for (size_t i = 0; i < used; ++i) {
      row[i] = static_cast<uint8_t>(~row[i]);
    }
  }
}

void BmiFlipVertical(BITMAPINFOHEADER* bmi) {
  const size_t stride = static_cast<size_t>(BmiRowBytes(bmi));
  uint8_t* bits = BmiBits(bmi);
  const int rows = BmiHeightAbs(bmi);
  if (stride == 0) {
    return;  // rows without pixels, of which a bitmap of width 0 may have 2^31
  }
  for (int i = 0; i < rows - 1 - i; ++i) {
    uint8_t* a = bits + static_cast<size_t>(i) * stride;
    uint8_t* b = bits + static_cast<size_t>(rows - 1 - i) * stride;
    std::swap_ranges(a, a + stride, b);
  }
}

// Whole-picture pixel operations of the image path: clearing before decoding,
// and the red-blue exchange that PDF sample order needs.
#include <algorithm>
#include <cstring>

#include "filters/image_stream.h"

void ClearPixelArea(BITMAPINFOHEADER* bmi, uint8_t value) {
  const size_t bytes =
      static_cast<size_t>(BmiRowBytes(bmi)) * static_cast<size_t>(BmiHeightAbs(bmi));
  if (bytes > 0) {
    std::memset(BmiBits(bmi), value, bytes);
  }
}

void ExchangeRedBlue(BITMAPINFOHEADER* bmi) {
  // Bytes per sample: the 16-bit samples of a 48-bit bitmap move as pairs.
  size_t sample = 0;
  if (bmi->biBitCount == 24) {
    sample = 1;
  } else if (bmi->biBitCount == 48) {
    sample = 2;
  } else {
    return;
  }
  const size_t pixel = 3 * sample;
  const size_t width = bmi->biWidth > 0 ? static_cast<size_t>(bmi->biWidth) : 0;
  const int rows = BmiHeightAbs(bmi);
  for (int r = 0; r < rows; ++r) {
    uint8_t* p = BmiRowPtr(bmi, r);
    for (size_t x = 0; x < width; ++x, p += pixel) {
      std::swap_ranges(p, p + sample, p + 2 * sample);
    }
  }
}

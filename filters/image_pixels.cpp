// Whole-picture pixel operations of the image path: clearing what decoding
// leaves, and the red-blue exchange that PDF sample order needs.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "filters/image_stream.h"

void ClearPixelArea(BITMAPINFOHEADER* bmi, uint8_t value) {
  const size_t bytes =
      static_cast<size_t>(BmiRowBytes(bmi)) * static_cast<size_t>(BmiHeightAbs(bmi));
  if (bytes > 0) {
    std::memset(BmiBits(bmi), value, bytes);
  }
}

void ClearUnwritten(BITMAPINFOHEADER* bmi, uint8_t value, size_t row_length, size_t written) {
  const size_t stride = static_cast<size_t>(BmiRowBytes(bmi));
  const int rows = BmiHeightAbs(bmi);
  if (stride == 0) {
    return;  // rows without pixels, of which a bitmap of width 0 may have 2^31
  }
  for (int r = 0; r < rows; ++r) {
    const size_t before = static_cast<size_t>(r) * row_length;
    const size_t filled = written > before ? std::min(written - before, row_length) : 0;
    if (filled < stride) {
      std::memset(BmiRowPtr(bmi, r) + filled, value, stride - filled);
    }
  }
}

void ExchangeRedBlueRow(uint8_t* row, size_t pixels) {
  // Eight 3-byte pixels are three 64-bit words: within each word the first and
  // third byte of a pixel trade places by 16-bit shifts, and the bytes of the
  // pixels that straddle two words come over from the neighbour. Byte masks
  // name the bytes (0 = lowest) of each kind in each word.
  constexpr uint64_t k036 = 0x00FF0000FF0000FFu;
  constexpr uint64_t k147 = 0xFF0000FF0000FF00u;
  constexpr uint64_t k25 = 0x0000FF0000FF0000u;
  uint8_t* p = row;
  for (size_t left = pixels; left >= 8; left -= 8, p += 24) {
    uint64_t w0;
    uint64_t w1;
    uint64_t w2;
    std::memcpy(&w0, p, 8);
    std::memcpy(&w1, p + 8, 8);
    std::memcpy(&w2, p + 16, 8);
    const uint64_t o0 = (w0 & k147) | (((w0 >> 16) | (w1 << 48)) & k036) | ((w0 << 16) & k25);
    const uint64_t o1 =
        (w1 & k25) | (((w1 >> 16) | (w2 << 48)) & k147) | (((w1 << 16) | (w0 >> 48)) & k036);
    const uint64_t o2 = (w2 & k036) | ((w2 >> 16) & k25) | (((w2 << 16) | (w1 >> 48)) & k147);
    std::memcpy(p, &o0, 8);
    std::memcpy(p + 8, &o1, 8);
    std::memcpy(p + 16, &o2, 8);
  }
  for (uint8_t* end = row + 3 * pixels; p < end; p += 3) {
    std::swap(p[0], p[2]);
  }
}

void ExchangeRedBlue(BITMAPINFOHEADER* bmi) {
  const size_t width = bmi->biWidth > 0 ? static_cast<size_t>(bmi->biWidth) : 0;
  const int rows = BmiHeightAbs(bmi);
  if (width == 0) {
    return;  // rows without pixels, of which a bitmap may have 2^31
  }
  if (bmi->biBitCount == 24) {
    for (int r = 0; r < rows; ++r) {
      ExchangeRedBlueRow(BmiRowPtr(bmi, r), width);
    }
  } else if (bmi->biBitCount == 48) {
    // The 16-bit samples of a 48-bit bitmap move as pairs.
    for (int r = 0; r < rows; ++r) {
      uint8_t* p = BmiRowPtr(bmi, r);
      for (size_t x = 0; x < width; ++x, p += 6) {
        std::swap_ranges(p, p + 2, p + 4);
      }
    }
  }
}

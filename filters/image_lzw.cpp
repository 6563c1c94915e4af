// LZWDecode image data: decoded packed into the pixel area, spread to padded
// rows in place, then put into picture order.
#include <cstring>

#include "diag/messages.h"
#include "filters/image_stream.h"
#include "filters/lzw_decoder.h"

namespace {

// Moves packed row r to padded row r, last row first so that no packed row is
// overwritten before it has moved, and blanks each row's padding.
void SpreadRows(uint8_t* bits, size_t packed, size_t stride, int rows, uint8_t blank) {
  for (int r = rows - 1; r >= 0; --r) {
    uint8_t* to = bits + static_cast<size_t>(r) * stride;
    std::memmove(to, bits + static_cast<size_t>(r) * packed, packed);
    std::memset(to + packed, blank, stride - packed);
  }
}

}  // namespace

HDIB LzwDibFromData(int depth, int width, int height, int kind, const uint8_t* data, int length) {
  HDIB dib = BmiCreateDib(depth, width, height, kind);
  if (dib == nullptr) {
    ErrorMessage("PDF BmiCreateDib failed.");
    return nullptr;
  }
  auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(dib));
  // The bitmap's own width and height: a negative request became 0 there. A
  // request of 0 or less took the kind's default depth, which the rows then use.
  const int64_t pixels_wide = bmi->biWidth;
  const int rows = BmiHeightAbs(bmi);
  const int64_t bits = depth > 0 ? depth : bmi->biBitCount;
  const auto packed = static_cast<size_t>((bits * pixels_wide + 7) / 8);
  const auto stride = static_cast<size_t>(BmiRowBytes(bmi));
  if (packed > stride) {
    // A depth the bitmap cannot hold (16-bit CMYK becomes 24 bits): its packed
    // rows would run past the pixel area.
    DibUnlock(dib);
    DibFree(dib);
    ErrorMessage("PDF BmiCreateDib failed.");
    return nullptr;
  }
  const uint8_t blank = BlankPixelByte(kind);
  ClearPixelArea(bmi, blank);
  uint8_t* pixels = BmiBits(bmi);
  // packed * rows fits the pixel area, which BmiCreateDib keeps below 2 GiB.
  const int capacity = static_cast<int>(packed * static_cast<size_t>(rows));
  LzwDecoder decoder;
  // Broken data were reported by the decoder; what it wrote is kept.
  decoder.Decode(data, data != nullptr && length > 0 ? length : 0, pixels, capacity);
  if (packed != stride) {
    SpreadRows(pixels, packed, stride, rows, blank);
  }
  // The first decoded row is the top of the picture, stored last.
  BmiFlipVertical(bmi);
  DibUnlock(dib);
  return dib;
}

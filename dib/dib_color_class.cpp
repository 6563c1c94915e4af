// What an existing bitmap holds: its colour class, samples per pixel and bits per
// sample.
#include <cstring>

#include "dib/dib.h"

namespace {

bool TableIsGray(const BITMAPINFOHEADER* bmi) {
  const size_t entries = BmiColorTableSize(bmi) / sizeof(RGBQUAD);
  if (entries == 0) {
    return false;
  }
  const RGBQUAD* table = BmiColorTable(const_cast<BITMAPINFOHEADER*>(bmi));
  for (size_t i = 0; i < entries; ++i) {
    if (table[i].rgbBlue != table[i].rgbGreen || table[i].rgbGreen != table[i].rgbRed) {
      return false;
    }
  }
  return true;
}

// Only a bitfields header has masks; a 16-bit bitmap without them is 5-5-5 RGB.
bool MasksSayGray(const BITMAPINFOHEADER* bmi) {
  if (bmi->biCompression != BI_BITFIELDS) {
    return false;
  }
  uint32_t masks[2];
  std::memcpy(masks, BmiColorTable(const_cast<BITMAPINFOHEADER*>(bmi)), sizeof(masks));
  return masks[0] == masks[1];
}

}  // namespace

int BmiColorClass(const BITMAPINFOHEADER* bmi) {
  switch (bmi->biBitCount) {
    case 1:
      return kDibBilevel;
    case 4:
    case 8:
      return TableIsGray(bmi) ? kDibGray : kDibPalette;
    case 15:
    case 16:
      return MasksSayGray(bmi) ? kDibGray : kDibRgb;
    case 24:
    case 48:
      return bmi->biCompression == BI_CMYK ? kDibCmyk : kDibRgb;
    case 32:
      return bmi->biCompression == BI_CMYK ? kDibCmyk4 : kDibRgb;
    default:
      return -1;
  }
}

int BmiSamplesPerPixel(const BITMAPINFOHEADER* bmi) {
  const int cls = BmiColorClass(bmi);
  const int depth = bmi->biBitCount;
  if (cls == kDibRgb || cls == kDibCmyk) {
    return depth == 32 || depth == 64 ? 4 : 3;
  }
  return cls == kDibCmyk4 ? 4 : 1;
}

int BmiBitsPerSample(const BITMAPINFOHEADER* bmi) {
  return bmi->biBitCount / BmiSamplesPerPixel(bmi);
}

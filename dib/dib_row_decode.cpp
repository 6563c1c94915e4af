// Row decoding for every layout the library makes, and 16-bit masks besides.
#include "dib/dib_row_decode.h"

#include <algorithm>
#include <cstring>

namespace {

int LowestBit(uint32_t mask) {
  return mask == 0 ? 0 : __builtin_ctz(mask);
}
int BitCount(uint32_t mask) {
  return __builtin_popcount(mask);
}

// Widens a channel of `bits` bits to 8 by repeating its high bits.
uint8_t Widen(uint32_t value, int bits) {
  if (bits <= 0) {
    return 0;
  }
  if (bits >= 8) {
    return static_cast<uint8_t>(value >> (bits - 8));
  }
  uint32_t out = 0;
  for (int filled = 0; filled < 8; filled += bits) {
    out = (out << bits) | value;
  }
  const int total = ((8 + bits - 1) / bits) * bits;
  return static_cast<uint8_t>(out >> (total - 8));
}

uint8_t Invert(uint8_t v) {
  return static_cast<uint8_t>(255 - v);
}

uint8_t InkToLight(int ink, int black) {
  return static_cast<uint8_t>(255 - std::min(255, ink + black));
}

}  // namespace

bool DibRowDecoder::Init(const BITMAPINFOHEADER* bmi) {
  auto* header = const_cast<BITMAPINFOHEADER*>(bmi);
  width_ = bmi->biWidth;
  bits_ = bmi->biBitCount;
  const bool cmyk = bmi->biCompression == BI_CMYK;
  switch (bits_) {
    case 1:
    case 4:
    case 8: {
      layout_ = Layout::kIndexed;
      table_.fill(RGBQUAD{0, 0, 0, 0});
      const size_t entries = std::min<size_t>(BmiColorTableSize(bmi) / sizeof(RGBQUAD), 256);
      std::memcpy(table_.data(), BmiColorTable(header), entries * sizeof(RGBQUAD));
      return true;
    }
    case 16: {
      if (bmi->biCompression == BI_BITFIELDS) {
        std::memcpy(masks_, BmiColorTable(header), sizeof(masks_));
      } else {
        // No masks given: 5-5-5.
        masks_[0] = 0x7C00;
        masks_[1] = 0x03E0;
        masks_[2] = 0x001F;
      }
      if (BmiColorClass(bmi) == kDibGray) {
        layout_ = Layout::kGray16;
        return true;
      }
      layout_ = Layout::kMasks16;
      for (int i = 0; i < 3; ++i) {
        shift_[i] = LowestBit(masks_[i]);
        mask_bits_[i] = BitCount(masks_[i]);
      }
      return true;
    }
    case 24:
      layout_ = cmyk ? Layout::kCmy24 : Layout::kBgr24;
      return true;
    case 32:
      layout_ = cmyk ? Layout::kCmyk32 : Layout::kBgrx32;
      return true;
    case 48:
      layout_ = cmyk ? Layout::kCmy48 : Layout::kBgr48;
      return true;
    default:
      return false;
  }
}

void DibRowDecoder::DecodeBgr(const uint8_t* row, uint8_t* bgr) const {
  const int w = width_;
  switch (layout_) {
    case Layout::kIndexed: {
      const int per_byte = 8 / bits_;
      const int mask = (1 << bits_) - 1;
      for (int x = 0; x < w; ++x) {
        const int shift = 8 - bits_ * (x % per_byte + 1);
        const RGBQUAD& c = table_[(row[x / per_byte] >> shift) & mask];
        bgr[3 * x] = c.rgbBlue;
        bgr[3 * x + 1] = c.rgbGreen;
        bgr[3 * x + 2] = c.rgbRed;
      }
      break;
    }
    case Layout::kGray16:
      for (int x = 0; x < w; ++x) {
        const uint8_t v = row[2 * x + kDibHighByteOfSample];
        bgr[3 * x] = bgr[3 * x + 1] = bgr[3 * x + 2] = v;
      }
      break;
    case Layout::kMasks16:
      for (int x = 0; x < w; ++x) {
        const uint32_t pixel = row[2 * x] | (row[2 * x + 1] << 8);  // bitfields are little-endian
        for (int i = 0; i < 3; ++i) {
          bgr[3 * x + 2 - i] = Widen((pixel & masks_[i]) >> shift_[i], mask_bits_[i]);
        }
      }
      break;
    case Layout::kBgr24:
      std::memcpy(bgr, row, static_cast<size_t>(w) * 3);
      break;
    case Layout::kCmy24:
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = row + 3 * x;
        bgr[3 * x] = Invert(p[2]);
        bgr[3 * x + 1] = Invert(p[1]);
        bgr[3 * x + 2] = Invert(p[0]);
      }
      break;
    case Layout::kBgrx32:
      for (int x = 0; x < w; ++x) {
        std::memcpy(bgr + 3 * x, row + 4 * x, 3);
      }
      break;
    case Layout::kCmyk32:
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = row + 4 * x;
        bgr[3 * x] = InkToLight(p[2], p[3]);
        bgr[3 * x + 1] = InkToLight(p[1], p[3]);
        bgr[3 * x + 2] = InkToLight(p[0], p[3]);
      }
      break;
    case Layout::kBgr48:
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = row + 6 * x + kDibHighByteOfSample;
        bgr[3 * x] = p[0];
        bgr[3 * x + 1] = p[2];
        bgr[3 * x + 2] = p[4];
      }
      break;
    case Layout::kCmy48:
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = row + 6 * x + kDibHighByteOfSample;
        bgr[3 * x] = Invert(p[4]);
        bgr[3 * x + 1] = Invert(p[2]);
        bgr[3 * x + 2] = Invert(p[0]);
      }
      break;
  }
}

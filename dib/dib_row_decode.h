// Reads one row of any bitmap this library makes as 8-bit blue, green, red triples:
// the common ground of format conversion, scaling to gray and RGB export.
// Internal to the bitmap library.
#pragma once

#include <array>
#include <cstdint>

#include "dib/dib.h"

// 16-bit samples are held as the file gives them, most significant byte first; a
// sample reduced to 8 bits keeps that byte.
inline constexpr int kDibHighByteOfSample = 0;

class DibRowDecoder {
 public:
  // False for a layout it cannot read (the header must already be checked).
  bool Init(const BITMAPINFOHEADER* bmi);
  // `bgr` has room for 3 bytes per pixel of the bitmap's width.
  void DecodeBgr(const uint8_t* row, uint8_t* bgr) const;
  // Gray level of a blue, green, red triple; exact for equal channels.
  static uint8_t Luma(const uint8_t* bgr) {
    return static_cast<uint8_t>((bgr[2] * 77 + bgr[1] * 150 + bgr[0] * 29 + 128) >> 8);
  }

 private:
  enum class Layout {
    kIndexed,
    kMasks16,
    kGray16,
    kBgr24,
    kCmy24,
    kBgrx32,
    kCmyk32,
    kBgr48,
    kCmy48
  };
  Layout layout_ = Layout::kBgr24;
  int width_ = 0;
  int bits_ = 0;
  std::array<RGBQUAD, 256> table_{};  // for indexed rows; missing entries are black
  uint32_t masks_[3] = {};
  int shift_[3] = {};
  int mask_bits_[3] = {};
};

// A bitmap as top-down rows of 8-bit red, green, blue (and opaque alpha) samples,
// with the same conversions drawing applies: what the command-line tool writes
// as PNG. Qt-free.
#pragma once

#include <cstdint>
#include <memory>

#include "dib/dib.h"

class DibRowDecoder;

class DibRgbRows {
 public:
  // `channels` is 3 (R, G, B) or 4 (R, G, B, 255). The handle stays owned by
  // the caller and must outlive this object.
  DibRgbRows(HDIB handle, int channels);
  ~DibRgbRows();
  DibRgbRows(const DibRgbRows&) = delete;
  DibRgbRows& operator=(const DibRgbRows&) = delete;

  // False for a null or unreadable handle, or when a conversion failed.
  bool ok() const { return bmi_ != nullptr; }
  int width() const { return width_; }
  int height() const { return height_; }
  int channels() const { return channels_; }
  // Row y counted from the top, width() * channels() bytes, valid until the next
  // call; null outside the picture or when !ok().
  const uint8_t* Row(int y);

 private:
  HDIB locked_ = nullptr;     // the bitmap the rows come from
  HDIB converted_ = nullptr;  // owned when drawing would convert first
  BITMAPINFOHEADER* bmi_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int channels_ = 3;
  std::unique_ptr<DibRowDecoder> decoder_;
  std::unique_ptr<uint8_t[]> bgr_;
  std::unique_ptr<uint8_t[]> out_;
};

// The picture being drawn, straight into its 24-bit bitmap: rows of R, G, B
// bytes and an optional alpha plane, then flattened over a checkerboard and
// turned into the B, G, R rows that bitmaps hold. One bitmap-sized buffer, not
// two: a 600 dpi page is 100 MB of pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dib/dib.h"

class ImageCanvas {
 public:
  ImageCanvas() = default;
  ImageCanvas(const ImageCanvas&) = delete;
  ImageCanvas& operator=(const ImageCanvas&) = delete;
  ~ImageCanvas();

  // Makes the bitmap (its rows not yet set); false when it cannot be made.
  bool Create(int width, int height);
  int width() const { return width_; }
  int height() const { return height_; }
  uint8_t* Row(int y) { return BmiRowPtr(bmi_, y); }
  // Sets rows `from` to the end to white.
  void FillWhite(int from);

  // One byte per pixel, or empty while the picture is opaque.
  std::vector<uint8_t> alpha;
  uint8_t* AlphaRow(int y) { return alpha.data() + static_cast<size_t>(y) * width_; }

  // Lays transparent parts over the checkerboard and turns the rows into
  // B, G, R; the bitmap then belongs to the caller (null when none was made).
  HDIB Finish();

 private:
  HDIB dib_ = nullptr;
  BITMAPINFOHEADER* bmi_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// The side of the square of pixels one drawn pixel stands for, so that a
// picture of `width` x `height` has at most `max_pixels` pixels drawn.
int ReductionStep(int64_t width, int64_t height, size_t max_pixels);

// Multiplies the canvas's alpha (when it has one) by `plane`, a plane of
// `plane_width` x `plane_height` bytes stretched over the canvas.
void ApplyAlphaPlane(ImageCanvas* canvas, const std::vector<uint8_t>& plane, int plane_width,
                     int plane_height);

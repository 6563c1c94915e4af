// The picture being drawn: R, G, B bytes and an optional alpha plane at the
// size it will be shown, then flattened over a checkerboard into a bitmap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dib/dib.h"

struct ImageCanvas {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;    // width * height * 3
  std::vector<uint8_t> alpha;  // width * height, or empty when opaque

  uint8_t* Row(int y) { return rgb.data() + static_cast<size_t>(y) * width * 3; }
  uint8_t* AlphaRow(int y) { return alpha.data() + static_cast<size_t>(y) * width; }
};

// The side of the square of pixels one drawn pixel stands for, so that a
// picture of `width` x `height` has at most `max_pixels` pixels drawn.
int ReductionStep(int64_t width, int64_t height, size_t max_pixels);

// Multiplies the canvas's alpha (when it has one) by `plane`, a plane of
// `plane_width` x `plane_height` bytes stretched over the canvas.
void ApplyAlphaPlane(ImageCanvas* canvas, const std::vector<uint8_t>& plane, int plane_width,
                     int plane_height);

// A new 24-bit bitmap of the canvas, transparent parts over a checkerboard;
// null when the bitmap cannot be made.
HDIB CanvasToDib(const ImageCanvas& canvas);

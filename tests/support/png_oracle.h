// PNG files written by libpng: the independent encoder for the PNG predictors.
// The concatenated IDAT chunks of a non-interlaced PNG are a zlib stream of rows
// that each start with their filter type byte, which is FlateDecode data with
// DecodeParms Predictor 10-15.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct PngImage {
  int width = 0;
  int height = 0;
  int bit_depth = 8;          // 1, 2, 4, 8 or 16
  int color_type = 0;         // PNG_COLOR_TYPE_GRAY, _RGB, _RGB_ALPHA, ...
  std::vector<uint8_t> rows;  // packed rows, top first, 16-bit samples big-endian
};

// The IDAT data of `image` written with `filters` (PNG_FILTER_NONE ...
// PNG_ALL_FILTERS as for png_set_filter); empty when libpng fails.
std::vector<uint8_t> PngIdatStream(const PngImage& image, int filters);

// Bytes per packed row of `image`.
size_t PngRowBytes(const PngImage& image);

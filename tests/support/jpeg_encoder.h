// Baseline JPEG files made with libjpeg-turbo's encoder: the oracle for the JPEG
// image path and the source of the sample's JPEG pictures.
#pragma once

#include <cstdint>
#include <vector>

struct JpegEncoding {
  int quality = 95;
  // Stored in the JFIF header as dots per inch when both are above 0.
  int x_dpi = 0;
  int y_dpi = 0;
};

// `samples`: top row first, `components` bytes per pixel (1 gray, 3 red-green-blue).
// Full-resolution chroma, so colour edges stay close to the source. Empty on failure.
std::vector<uint8_t> JpegEncode(const uint8_t* samples, int width, int height, int components,
                                const JpegEncoding& encoding = {});

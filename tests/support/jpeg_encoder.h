// JPEG files made with libjpeg-turbo's own encoder: the oracle for the JPEG
// decoder and the image path, and the source of the sample's JPEG pictures.
#pragma once

#include <cstdint>
#include <cstdio>  // before jpeglib.h, which uses FILE
#include <vector>

#include <jpeglib.h>

struct JpegEncodeOptions {
  J_COLOR_SPACE input = JCS_RGB;       // JCS_GRAYSCALE, JCS_RGB or JCS_CMYK samples
  J_COLOR_SPACE stored = JCS_UNKNOWN;  // colour space in the file; JCS_UNKNOWN: the default
  bool adobe_marker = true;            // only changes CMYK and YCCK files
  bool progressive = false;
  bool full_chroma = true;  // 4:4:4, so colour edges stay within tolerance
  int quality = 100;
  bool jfif = true;  // false: no JFIF marker even where the colour space allows one
  int density_unit = 0;
  int x_density = 1;
  int y_density = 1;
};

// `samples`: top row first, as many bytes per pixel as the input colour space
// has components. Empty on failure.
std::vector<uint8_t> EncodeJpeg(int width, int height, const std::vector<uint8_t>& samples,
                                const JpegEncodeOptions& options);

struct JpegEncoding {
  int quality = 95;
  // Stored in the JFIF header as dots per inch when both are above 0.
  int x_dpi = 0;
  int y_dpi = 0;
};

// Gray (1 component) or red-green-blue (3) samples, full-resolution chroma.
std::vector<uint8_t> JpegEncode(const uint8_t* samples, int width, int height, int components,
                                const JpegEncoding& encoding = {});

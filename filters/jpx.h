// JPEG 2000 (JPXDecode) through OpenJPEG: JP2 files and bare codestreams,
// decoded to 8-bit interleaved samples with the colour information the data
// carry, optionally at a reduced resolution.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct JpxImage {
  enum class Space : uint8_t { kUnknown, kGray, kRgb, kCmyk, kIcc };

  int width = 0;  // as decoded, after any reduction
  int height = 0;
  int full_width = 0;  // of the codestream
  int full_height = 0;
  int reduction = 0;                 // resolution levels dropped: each halves both sides
  int components = 0;                // colour components, alpha excluded
  std::vector<uint8_t> samples;      // rows top first, components interleaved
  std::vector<uint8_t> alpha;        // one byte per pixel when the data hold an alpha channel
  Space space = Space::kUnknown;     // sYCC is converted to RGB already
  std::vector<uint8_t> icc_profile;  // when space is kIcc
};

// Decodes `data`, dropping resolution levels until the picture has at most
// `max_pixels` pixels. Sub-sampled components are brought to full size,
// samples of more or fewer than 8 bits scaled to 8. False with the reason when
// nothing could be decoded. True with a warning in `error` when OpenJPEG said
// the data end early (what they held is decoded).
bool DecodeJpx(std::span<const uint8_t> data, size_t max_pixels, JpxImage* out, std::string* error);

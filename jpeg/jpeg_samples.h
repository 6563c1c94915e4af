// JPEG data decoded to plain samples for modern mode: the components as the
// codec gives them (no inversion of Adobe CMYK: the image's Decode array does
// that, as PDF readers do), optionally scaled down by the codec.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct JpegSamples {
  int width = 0;  // after scaling
  int height = 0;
  int components = 0;  // 1, 3 or 4
  bool adobe_marker = false;
  std::vector<uint8_t> samples;  // rows top first, components interleaved, 8 bits each
};

// `color_transform`: -1 as the data say (an Adobe marker's flag, else YCbCr for
// three components and none for four), 0 none, 1 YCbCr (three) or YCCK (four)
// to RGB or CMYK. An Adobe marker's own flag wins over the argument, as in
// other readers. `scale_denom` 1, 2, 4 or 8. False with the reason when nothing
// could be decoded or the samples would exceed `limit` bytes; data that end
// early give the rows decoded so far (rest white) and a warning in `error`
// with a true result.
bool DecodeJpegSamples(std::span<const uint8_t> data, int color_transform, int scale_denom,
                       size_t limit, JpegSamples* out, std::string* error);

// How a decoding ended, for callers that tell the cases apart.
enum class JpegOutcome : uint8_t {
  kComplete,
  kEndedEarly,      // true: the data stop early (the rows after them white)
  kTrailingDamage,  // true: every row decoded, the markers after the picture unreadable
  kUnreadable,      // false: nothing could be decoded
  kOverLimit,       // false: the samples would exceed the limit
};
bool DecodeJpegSamples(std::span<const uint8_t> data, int color_transform, int scale_denom,
                       size_t limit, JpegSamples* out, std::string* error, JpegOutcome* outcome);

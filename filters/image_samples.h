// The samples of an image stream, decoded and held whole, with what the
// dictionary says about them: the first half of modern mode's image drawing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "color/color_space.h"

namespace pdf {
class Dictionary;
class Object;
}  // namespace pdf

// The entries of an image dictionary that drawing reads.
struct ImageInfo {
  int width = 0;
  int height = 0;
  int bits = 0;  // BitsPerComponent; 1 for an ImageMask
  bool image_mask = false;
  pdf::Object* color_space = nullptr;  // null object when absent
  pdf::Object* decode = nullptr;
  pdf::Object* smask = nullptr;
  pdf::Object* mask = nullptr;
  int smask_in_data = 0;
};

// False with a line when Width, Height or BitsPerComponent cannot be drawn.
bool ReadImageInfo(pdf::Dictionary* stream, ImageInfo* info, std::vector<std::string>* lines);

struct ImageSamples {
  int width = 0;  // as held: a codec may have decoded at a reduced size
  int height = 0;
  int components = 0;
  int bits = 8;
  size_t stride = 0;          // bytes per row
  std::vector<uint8_t> data;  // rows top first
  int rows = 0;               // rows the data hold whole
  int codec_scale = 1;        // the codec decoded at 1/codec_scale of each side
  // JPEG 2000 and JPEG say what they hold; used when the dictionary names no
  // colour space (JPEG 2000) and for the alpha channel of SMaskInData.
  std::unique_ptr<color::ColorSpace> codec_space;
  std::vector<uint8_t> alpha;      // one byte per held pixel, or empty
  bool decode_from_codec = false;  // JPEG 2000: the Decode array is ignored
};

// Decodes the stream's data for `components` components of `info.bits` bits
// (0 components: unknown, as for an image without ColorSpace; the data length
// then tells). JPEG 2000 and JPEG are decoded at a reduced size when the
// picture has more than `max_pixels` pixels. False with a line when nothing
// usable came out; problems that still left samples are lines too.
bool LoadImageSamples(pdf::Dictionary* stream, const ImageInfo& info, int components,
                      size_t max_pixels, ImageSamples* samples, std::vector<std::string>* lines);

// The raw values of `count` pixels of row `row`, starting at pixel `x0` and
// taking every `step`-th pixel, `components` values each, into `out`.
void UnpackSamples(const ImageSamples& samples, int row, int x0, int step, int count,
                   uint16_t* out);

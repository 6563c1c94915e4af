// What bitmap an image's colour space and BitsPerComponent ask for.
#include <algorithm>

#include "filters/image_stream.h"
#include "pdf/object.h"

namespace {

int RequestedDepth(int64_t samples_per_pixel, int bits_per_component) {
  const int64_t depth = samples_per_pixel * bits_per_component;
  // Zero or less lets BmiCreateDib pick the kind's default depth.
  return static_cast<int>(std::clamp<int64_t>(depth, 0, kMaxRequestedDepth));
}

}  // namespace

bool ClassifyColorSpace(pdf::Object* color_space, int bits_per_component, ImageRequest* request) {
  if (color_space->IsName("DeviceGray")) {
    request->kind = bits_per_component == 1 ? kDibBilevel : kDibGray;
    request->depth = RequestedDepth(1, bits_per_component);
  } else if (color_space->IsName("DeviceRGB")) {
    request->kind = kDibRgb;
    request->depth = RequestedDepth(3, bits_per_component);
  } else if (color_space->IsName("DeviceCMYK")) {
    request->kind = kDibCmyk4;
    request->depth = RequestedDepth(4, bits_per_component);
  } else if (color_space->IsArray()) {
    request->kind = kDibPalette;
    request->depth = RequestedDepth(1, bits_per_component);
  } else {
    return false;
  }
  return true;
}

uint8_t BlankPixelByte(int kind) {
  // Bilevel bitmaps have black 0 and white 1.
  return kind == kDibBilevel ? 0xFF : 0x00;
}

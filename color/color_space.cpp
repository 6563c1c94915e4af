#include "color/color_space.h"

#include <exception>

#include "color/color_bounds.h"
#include "color/space_parts.h"
#include "pdf/object.h"

namespace color {

std::vector<float> ColorSpace::DefaultDecode(int) const {
  std::vector<float> decode;
  for (int i = 0; i < Components(); ++i) {
    decode.push_back(0.0f);
    decode.push_back(1.0f);
  }
  return decode;
}

bool ColorSpace::ToRgb8(const uint8_t*, size_t, uint8_t*) const {
  return false;
}

std::unique_ptr<ColorSpace> LoadColorSpace(pdf::Object* space, pdf::StreamDecoder decoder,
                                           std::vector<std::string>* notes) {
  LoadContext context{decoder, notes};
  try {
    return LoadSpaceAt(space, context, 0);
  } catch (const std::exception& e) {
    // Memory ran out on a hostile size: the image is not drawn, the viewer goes on.
    context.Note(std::string("colour space not loaded: ") + e.what());
  } catch (...) {
    context.Note("colour space not loaded");
  }
  return nullptr;
}

}  // namespace color

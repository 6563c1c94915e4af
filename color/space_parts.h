// The pieces LoadColorSpace assembles, one file each, and what they share.
// Internal to color/.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "color/color_space.h"
#include "color/function.h"
#include "pdf/open_options.h"

namespace pdf {
class Object;
}  // namespace pdf

namespace color {

// What every loader needs: the stream decoder and where notes go.
struct LoadContext {
  pdf::StreamDecoder decoder = nullptr;
  std::vector<std::string>* notes = nullptr;
  void Note(std::string line) const {
    if (notes != nullptr) {
      notes->push_back(std::move(line));
    }
  }
};

// A value in [0, 1] as a byte; NaN gives 0.
inline uint8_t UnitToByte(float value) {
  if (!(value > 0.0f)) {
    return 0;
  }
  if (value >= 1.0f) {
    return 255;
  }
  return static_cast<uint8_t>(value * 255.0f + 0.5f);
}

// `depth` counts the spaces around this one, to end reference cycles.
std::unique_ptr<ColorSpace> LoadSpaceAt(pdf::Object* space, const LoadContext& context, int depth);

// [/CalGray dict], [/CalRGB dict], [/Lab dict]: the dictionary given.
std::unique_ptr<ColorSpace> LoadCalGray(pdf::Object* dict, const LoadContext& context);
std::unique_ptr<ColorSpace> LoadCalRgb(pdf::Object* dict, const LoadContext& context);
std::unique_ptr<ColorSpace> LoadLab(pdf::Object* dict, const LoadContext& context);
// [/ICCBased stream]: the stream given.
std::unique_ptr<ColorSpace> LoadIccBased(pdf::Object* stream, const LoadContext& context,
                                         int depth);
// The whole arrays of [/Indexed ...], [/Separation ...] and [/DeviceN ...].
std::unique_ptr<ColorSpace> LoadIndexed(pdf::Object* array, const LoadContext& context, int depth);
std::unique_ptr<ColorSpace> LoadSeparation(pdf::Object* array, const LoadContext& context,
                                           int depth);
std::unique_ptr<ColorSpace> LoadDeviceN(pdf::Object* array, const LoadContext& context, int depth);

// LoadFunction at a nesting depth.
std::unique_ptr<Function> LoadFunctionAt(pdf::Object* object, const LoadContext& context,
                                         int depth);

}  // namespace color

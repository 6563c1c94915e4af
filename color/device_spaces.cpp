// DeviceGray, DeviceRGB and DeviceCMYK, with the plain conversions the PDF
// standard gives between them.
#include <algorithm>

#include "color/space_parts.h"

namespace color {
namespace {

class DeviceGray : public ColorSpace {
 public:
  int Components() const override { return 1; }
  void ToRgb(const float* values, size_t count, uint8_t* rgb) const override {
    for (size_t i = 0; i < count; ++i) {
      rgb[0] = rgb[1] = rgb[2] = UnitToByte(values[i]);
      rgb += 3;
    }
  }
  bool ToRgb8(const uint8_t* samples, size_t count, uint8_t* rgb) const override {
    for (size_t i = 0; i < count; ++i) {
      rgb[0] = rgb[1] = rgb[2] = samples[i];
      rgb += 3;
    }
    return true;
  }
  std::string Describe() const override { return "DeviceGray"; }
};

class DeviceRgb : public ColorSpace {
 public:
  int Components() const override { return 3; }
  void ToRgb(const float* values, size_t count, uint8_t* rgb) const override {
    for (size_t i = 0; i < count * 3; ++i) {
      rgb[i] = UnitToByte(values[i]);
    }
  }
  bool ToRgb8(const uint8_t* samples, size_t count, uint8_t* rgb) const override {
    std::copy(samples, samples + count * 3, rgb);
    return true;
  }
  std::string Describe() const override { return "DeviceRGB"; }
};

// red = 1 - min(1, cyan + black), and so on.
class DeviceCmyk : public ColorSpace {
 public:
  int Components() const override { return 4; }
  void ToRgb(const float* values, size_t count, uint8_t* rgb) const override {
    for (size_t i = 0; i < count; ++i, values += 4, rgb += 3) {
      const float k = values[3];
      for (int c = 0; c < 3; ++c) {
        rgb[c] = UnitToByte(1.0f - std::min(1.0f, values[c] + k));
      }
    }
  }
  bool ToRgb8(const uint8_t* samples, size_t count, uint8_t* rgb) const override {
    for (size_t i = 0; i < count; ++i, samples += 4, rgb += 3) {
      const int k = samples[3];
      for (int c = 0; c < 3; ++c) {
        rgb[c] = static_cast<uint8_t>(255 - std::min(255, samples[c] + k));
      }
    }
    return true;
  }
  std::string Describe() const override { return "DeviceCMYK"; }
};

}  // namespace

std::unique_ptr<ColorSpace> DeviceSpace(int components) {
  switch (components) {
    case 1:
      return std::make_unique<DeviceGray>();
    case 3:
      return std::make_unique<DeviceRgb>();
    case 4:
      return std::make_unique<DeviceCmyk>();
    default:
      return nullptr;
  }
}

}  // namespace color

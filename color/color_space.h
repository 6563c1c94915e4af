// Colour spaces of image XObjects in modern mode: every space the PDF standard
// defines for images, turned into 8-bit sRGB for drawing. Loading never talks
// to the user: what could not be used goes to `notes` as one line each, and a
// space that cannot be used at all gives null.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "pdf/open_options.h"

namespace pdf {
class Object;
}  // namespace pdf

namespace color {

class ColorSpace {
 public:
  virtual ~ColorSpace() = default;

  // Colour components of one pixel: 1 for Indexed and Separation.
  virtual int Components() const = 0;

  // The Decode array of an image with `bits` bits per component that has none,
  // two values per component: [0 1] for most spaces, [0 2^bits-1] for Indexed,
  // the Range of Lab.
  virtual std::vector<float> DefaultDecode(int bits) const;

  // Converts `count` pixels of Components() values each, every value in the
  // space's own range (as a Decode array maps them), to R, G, B bytes.
  virtual void ToRgb(const float* values, size_t count, uint8_t* rgb) const = 0;

  // The fast path for 8-bit samples under the default Decode array: `count`
  // pixels of Components() bytes to R, G, B bytes. False when the space has no
  // fast path; the caller then maps the samples itself and calls ToRgb.
  virtual bool ToRgb8(const uint8_t* samples, size_t count, uint8_t* rgb) const;

  // One line for the detail pane: "ICCBased, 3 components (sRGB IEC61966-2.1)",
  // "Indexed DeviceRGB, 256 colours", "Separation /PANTONE 185 C -> DeviceCMYK".
  virtual std::string Describe() const = 0;
};

// The colour space an image dictionary's ColorSpace value names: a name
// (DeviceGray, DeviceRGB, DeviceCMYK, and the short names G, RGB, CMYK of inline
// images) or an array ([/CalGray d], [/CalRGB d], [/Lab d], [/ICCBased s],
// [/Indexed base hival lookup], [/Separation name alt tint], [/DeviceN names alt
// tint attrs?]); references are followed. `decoder` decodes the streams it meets
// (ICC profiles, lookup tables, sampled functions). Null when nothing usable is
// left; `notes` then says why.
std::unique_ptr<ColorSpace> LoadColorSpace(pdf::Object* space, pdf::StreamDecoder decoder,
                                           std::vector<std::string>* notes);

// DeviceGray, DeviceRGB or DeviceCMYK for 1, 3 or 4 components; null otherwise.
std::unique_ptr<ColorSpace> DeviceSpace(int components);

// A space from an ICC profile's bytes (as a JPEG 2000 file embeds one) for
// `components` components; null with a note when lcms2 cannot use the profile.
std::unique_ptr<ColorSpace> IccSpace(std::span<const uint8_t> profile, int components,
                                     std::vector<std::string>* notes);

}  // namespace color

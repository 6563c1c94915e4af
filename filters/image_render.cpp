#include "filters/image_render.h"

#include <algorithm>
#include <cmath>

#include "diag/format.h"
#include "filters/image_bounds.h"
#include "pdf/object.h"

namespace {

// Sample values to the numbers the colour space takes: a table for up to 8
// bits, the line itself for 16.
class SampleMap {
 public:
  SampleMap(const std::vector<float>& decode, int components, int bits)
      : components_(components), bits_(bits), decode_(decode) {
    const int levels = 1 << bits;
    const float top = static_cast<float>(levels - 1);
    if (bits <= 8) {
      table_.resize(static_cast<size_t>(components) * levels);
      for (int c = 0; c < components; ++c) {
        for (int v = 0; v < levels; ++v)
          table_[c * levels + v] = Line(c, v, top);
      }
    }
  }
  void Map(const uint16_t* raw, size_t count, float* out) const {
    const size_t values = count * components_;
    if (bits_ <= 8) {
      const int levels = 1 << bits_;
      for (size_t i = 0; i < values; ++i)
        out[i] = table_[(i % components_) * levels + raw[i]];
      return;
    }
    for (size_t i = 0; i < values; ++i)
      out[i] = Line(static_cast<int>(i % components_), raw[i], 65535.0f);
  }

 private:
  float Line(int c, int v, float top) const {
    const float low = decode_[2 * c];
    const float high = decode_[2 * c + 1];
    return low + v * (high - low) / top;
  }
  int components_;
  int bits_;
  std::vector<float> decode_;
  std::vector<float> table_;
};

// The colour key ranges of a Mask array, or empty.
std::vector<int> ColorKey(pdf::Object* mask, int components, std::vector<std::string>* lines) {
  std::vector<int> ranges;
  if (mask == nullptr || !mask->IsArray())
    return ranges;
  if (mask->Count() != 2 * components) {
    lines->push_back(
        FormatText("Mask array has %d numbers, not 2 per component; not used", mask->Count()));
    return ranges;
  }
  for (int i = 0; i < mask->Count(); ++i)
    ranges.push_back(mask->Item(i)->IntValue());
  return ranges;
}

bool InsideKey(const uint16_t* pixel, const std::vector<int>& key, int components) {
  for (int c = 0; c < components; ++c) {
    if (pixel[c] < key[2 * c] || pixel[c] > key[2 * c + 1])
      return false;
  }
  return true;
}

void NoteMissingRows(const ImageSamples& samples, std::vector<std::string>* lines) {
  if (samples.rows < samples.height) {
    lines->push_back(FormatText("The data end after %d of %d rows; the rest is left blank",
                                samples.rows, samples.height));
  }
}

int Reduced(int side, int step) {
  return static_cast<int>((static_cast<int64_t>(side) + step - 1) / step);
}

}  // namespace

std::vector<float> DecodeArray(pdf::Object* decode, int components,
                               const std::vector<float>& fallback,
                               std::vector<std::string>* lines) {
  if (decode == nullptr || decode->IsNull())
    return fallback;
  if (!decode->IsArray() || decode->Count() != 2 * components) {
    lines->push_back(
        FormatText("Decode %s does not have 2 numbers per component; not used", decode->Text()));
    return fallback;
  }
  std::vector<float> values;
  for (int i = 0; i < decode->Count(); ++i) {
    const double v = decode->Item(i)->RealValue();
    values.push_back(std::isfinite(v) ? static_cast<float>(v) : 0.0f);
  }
  return values;
}

void RenderColour(const ImageSamples& samples, const color::ColorSpace& space,
                  const std::vector<float>& decode, pdf::Object* color_key, int step,
                  ImageCanvas* canvas, std::vector<std::string>* lines) {
  const int n = samples.components;
  canvas->width = Reduced(samples.width, step);
  canvas->height = Reduced(samples.height, step);
  canvas->rgb.assign(static_cast<size_t>(canvas->width) * canvas->height * 3, 255);
  const std::vector<int> key = ColorKey(color_key, n, lines);
  if (!key.empty())
    canvas->alpha.assign(static_cast<size_t>(canvas->width) * canvas->height, 255);

  const bool direct =
      step == 1 && samples.bits == 8 && key.empty() && decode == space.DefaultDecode(samples.bits);
  const SampleMap map(decode, n, samples.bits);
  std::vector<uint16_t> raw(static_cast<size_t>(canvas->width) * n);
  std::vector<float> values(raw.size());
  for (int y = 0; y < canvas->height; ++y) {
    const int source_row = static_cast<int>(static_cast<int64_t>(y) * step);
    if (source_row >= samples.rows)
      break;  // left white
    uint8_t* out = canvas->Row(y);
    if (direct &&
        space.ToRgb8(samples.data.data() + static_cast<size_t>(source_row) * samples.stride,
                     static_cast<size_t>(canvas->width), out)) {
      continue;
    }
    UnpackSamples(samples, source_row, 0, step, canvas->width, raw.data());
    if (!key.empty()) {
      uint8_t* alpha = canvas->AlphaRow(y);
      for (int x = 0; x < canvas->width; ++x)
        alpha[x] = InsideKey(&raw[static_cast<size_t>(x) * n], key, n) ? 0 : 255;
    }
    map.Map(raw.data(), canvas->width, values.data());
    space.ToRgb(values.data(), static_cast<size_t>(canvas->width), out);
  }
  NoteMissingRows(samples, lines);
}

std::vector<uint8_t> StencilPlane(const ImageSamples& samples, bool invert, int step, int* width,
                                  int* height) {
  *width = Reduced(samples.width, step);
  *height = Reduced(samples.height, step);
  std::vector<uint8_t> plane(static_cast<size_t>(*width) * *height, 0);
  std::vector<uint16_t> raw(static_cast<size_t>(*width) * samples.components);
  for (int y = 0; y < *height; ++y) {
    const int source_row = static_cast<int>(static_cast<int64_t>(y) * step);
    if (source_row >= samples.rows)
      break;
    UnpackSamples(samples, source_row, 0, step, *width, raw.data());
    uint8_t* out = plane.data() + static_cast<size_t>(y) * *width;
    for (int x = 0; x < *width; ++x) {
      const bool zero = raw[static_cast<size_t>(x) * samples.components] == 0;
      out[x] = zero != invert ? 255 : 0;
    }
  }
  return plane;
}

std::vector<uint8_t> GrayPlane(const ImageSamples& samples, const std::vector<float>& decode,
                               int step, int* width, int* height) {
  *width = Reduced(samples.width, step);
  *height = Reduced(samples.height, step);
  std::vector<uint8_t> plane(static_cast<size_t>(*width) * *height, 0);
  const SampleMap map(decode, 1, samples.bits);
  std::vector<uint16_t> raw(static_cast<size_t>(*width) * samples.components);
  std::vector<float> values(*width);
  for (int y = 0; y < *height; ++y) {
    const int source_row = static_cast<int>(static_cast<int64_t>(y) * step);
    if (source_row >= samples.rows)
      break;
    UnpackSamples(samples, source_row, 0, step, *width, raw.data());
    if (samples.components > 1) {
      // Only the first component counts; keep the values in step.
      for (int x = 0; x < *width; ++x)
        raw[x] = raw[static_cast<size_t>(x) * samples.components];
    }
    map.Map(raw.data(), *width, values.data());
    uint8_t* out = plane.data() + static_cast<size_t>(y) * *width;
    for (int x = 0; x < *width; ++x)
      out[x] = static_cast<uint8_t>(std::lround(std::clamp(values[x], 0.0f, 1.0f) * 255.0f));
  }
  return plane;
}

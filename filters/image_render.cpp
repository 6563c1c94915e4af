#include "filters/image_render.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

namespace {

// The colours of every value of a one-component image of up to 8 bits.
std::vector<uint8_t> PaletteOf(const ImageSamples& samples, const color::ColorSpace& space,
                               const std::vector<float>& decode) {
  const int levels = 1 << samples.bits;
  std::vector<uint16_t> raw(levels);
  for (int v = 0; v < levels; ++v)
    raw[v] = static_cast<uint16_t>(v);
  std::vector<float> values(levels);
  SampleMap(decode, 1, samples.bits).Map(raw.data(), levels, values.data());
  std::vector<uint8_t> palette(static_cast<size_t>(levels) * 3);
  space.ToRgb(values.data(), static_cast<size_t>(levels), palette.data());
  return palette;
}

void PaletteRow(const ImageSamples& samples, int row, int step, int width,
                const std::vector<uint8_t>& palette, uint8_t* out) {
  const uint8_t* data = samples.data.data() + static_cast<size_t>(row) * samples.stride;
  const int bits = samples.bits;
  if (bits == 1 && step == 1) {
    // Eight pixels a byte: the bilevel pages of fax and JBIG2 are the large ones.
    for (int x = 0; x < width; ++x) {
      const uint8_t* colour = &palette[3 * ((data[x >> 3] >> (7 - (x & 7))) & 1)];
      out[3 * x] = colour[0];
      out[3 * x + 1] = colour[1];
      out[3 * x + 2] = colour[2];
    }
    return;
  }
  const unsigned mask = (1u << bits) - 1;
  for (int x = 0; x < width; ++x) {
    const size_t bit = static_cast<size_t>(x) * step * bits;
    const unsigned v = (data[bit >> 3] >> (8 - bits - (bit & 7))) & mask;
    std::memcpy(out + 3 * x, &palette[3 * v], 3);
  }
}

}  // namespace

bool RenderColour(const ImageSamples& samples, const color::ColorSpace& space,
                  const std::vector<float>& decode, pdf::Object* color_key, int step,
                  ImageCanvas* canvas, std::vector<std::string>* lines) {
  const int n = samples.components;
  const int width = Reduced(samples.width, step);
  const int height = Reduced(samples.height, step);
  if (!canvas->Create(width, height))
    return false;
  const std::vector<int> key = ColorKey(color_key, n, lines);
  if (!key.empty())
    canvas->alpha.assign(static_cast<size_t>(width) * height, 255);

  const std::vector<uint8_t> palette = n == 1 && samples.bits <= 8 && key.empty()
                                           ? PaletteOf(samples, space, decode)
                                           : std::vector<uint8_t>();
  const bool direct =
      step == 1 && samples.bits == 8 && key.empty() && decode == space.DefaultDecode(samples.bits);
  const SampleMap map(decode, n, samples.bits);
  std::vector<uint16_t> raw(static_cast<size_t>(width) * n);
  std::vector<float> values(raw.size());
  for (int y = 0; y < height; ++y) {
    const int source_row = static_cast<int>(static_cast<int64_t>(y) * step);
    if (source_row >= samples.rows) {
      canvas->FillWhite(y);
      break;
    }
    uint8_t* out = canvas->Row(y);
    if (!palette.empty()) {
      PaletteRow(samples, source_row, step, width, palette, out);
      continue;
    }
    if (direct &&
        space.ToRgb8(samples.data.data() + static_cast<size_t>(source_row) * samples.stride,
                     static_cast<size_t>(width), out)) {
      continue;
    }
    UnpackSamples(samples, source_row, 0, step, width, raw.data());
    if (!key.empty()) {
      uint8_t* alpha = canvas->AlphaRow(y);
      for (int x = 0; x < width; ++x)
        alpha[x] = InsideKey(&raw[static_cast<size_t>(x) * n], key, n) ? 0 : 255;
    }
    map.Map(raw.data(), width, values.data());
    space.ToRgb(values.data(), static_cast<size_t>(width), out);
  }
  NoteMissingRows(samples, lines);
  return true;
}

HDIB BilevelDib(const ImageSamples& samples, const color::ColorSpace& space,
                const std::vector<float>& decode) {
  HDIB dib = BmiCreateDib(1, samples.width, samples.height, kDibPalette);
  if (dib == nullptr)
    return nullptr;
  auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(dib));
  const std::vector<uint8_t> palette = PaletteOf(samples, space, decode);
  RGBQUAD* table = BmiColorTable(bmi);
  for (int i = 0; i < 2; ++i)
    table[i] = RGBQUAD{palette[3 * i + 2], palette[3 * i + 1], palette[3 * i], 0};
  // Rows the data do not reach take the lighter of the two colours.
  const bool one_lighter =
      palette[3] + palette[4] + palette[5] > palette[0] + palette[1] + palette[2];
  const auto row_bytes = static_cast<size_t>(BmiRowBytes(bmi));
  for (int y = 0; y < samples.height; ++y) {
    uint8_t* out = BmiRowPtr(bmi, y);
    if (y < samples.rows) {
      std::memcpy(out, samples.data.data() + static_cast<size_t>(y) * samples.stride,
                  std::min(samples.stride, row_bytes));
    } else {
      std::memset(out, one_lighter ? 0xff : 0x00, row_bytes);
    }
  }
  DibUnlock(dib);
  return dib;
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

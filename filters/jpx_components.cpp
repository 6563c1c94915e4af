// OpenJPEG's components to JpxImage samples. Components may be sub-sampled and
// offset on the reference grid, of any precision from 1 to 16 bits, signed or
// not; each is resampled to the grid by repeating samples and scaled to 8 bits.
#include "filters/jpx_components.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "diag/format.h"
#include "pdf/prefault.h"

namespace {

// Precision OpenJPEG's components may have for this reader: a 16-bit sample
// is the deepest any PDF image holds.
constexpr uint32_t kMaxPrecision = 16;
constexpr int kChromaCentre = 128;
constexpr int kMaxSample = 255;

using Plane = std::vector<uint8_t>;

uint64_t CeilShift(uint64_t value, int shift) {
  return (value + (uint64_t{1} << shift) - 1) >> shift;
}

uint64_t CeilDiv(uint64_t value, uint64_t divisor) {
  return (value + divisor - 1) / divisor;
}

// For each output position on one axis, the component's sample index there.
std::vector<uint32_t> SampleIndex(uint32_t grid_start, uint32_t step, uint32_t samples,
                                  uint32_t outputs, int reduction) {
  const uint64_t start = CeilShift(grid_start, reduction);
  const uint64_t first = CeilShift(CeilDiv(grid_start, step), reduction);
  std::vector<uint32_t> index(outputs);
  for (uint32_t i = 0; i < outputs; ++i) {
    const uint64_t at = (start + i) / step;
    index[i] = static_cast<uint32_t>(std::min<uint64_t>(at > first ? at - first : 0, samples - 1));
  }
  return index;
}

bool UsableComponent(const opj_image_comp_t& comp, int index, std::string* error) {
  if (comp.data == nullptr || comp.w == 0 || comp.h == 0 || comp.dx == 0 || comp.dy == 0) {
    *error = FormatText("component %d was not decoded", index);
    return false;
  }
  if (comp.prec == 0 || comp.prec > kMaxPrecision) {
    *error = FormatText("component %d has %u bits, not 1 to %u", index, comp.prec, kMaxPrecision);
    return false;
  }
  return true;
}

// One component at the output size, scaled to 8 bits through a table of
// every value the precision allows (a division per sample would cost as much
// as a tenth of the decoding).
// Writes to every `step`-th byte from `to`.
void ScaleComponent(const opj_image_t& image, const opj_image_comp_t& comp, uint32_t width,
                    uint32_t height, int reduction, uint8_t* to, size_t step) {
  const std::vector<uint32_t> columns = SampleIndex(image.x0, comp.dx, comp.w, width, reduction);
  const std::vector<uint32_t> rows = SampleIndex(image.y0, comp.dy, comp.h, height, reduction);
  const int64_t top = (int64_t{1} << comp.prec) - 1;
  const int64_t shift = comp.sgnd ? int64_t{1} << (comp.prec - 1) : 0;
  std::vector<uint8_t> scale(static_cast<size_t>(top) + 1);
  for (int64_t v = 0; v <= top; ++v)
    scale[static_cast<size_t>(v)] = static_cast<uint8_t>((v * kMaxSample + top / 2) / top);
  bool straight = comp.w >= width;  // columns are the samples themselves
  for (uint32_t x = 0; straight && x < width; ++x)
    straight = columns[x] == x;
  for (uint32_t y = 0; y < height; ++y) {
    const OPJ_INT32* from = comp.data + static_cast<size_t>(rows[y]) * comp.w;
    if (straight) {
      for (uint32_t x = 0; x < width; ++x, to += step) {
        *to = scale[static_cast<size_t>(std::clamp<int64_t>(int64_t{from[x]} + shift, 0, top))];
      }
      continue;
    }
    for (uint32_t x = 0; x < width; ++x, to += step) {
      const int64_t value = std::clamp<int64_t>(int64_t{from[columns[x]]} + shift, 0, top);
      *to = scale[static_cast<size_t>(value)];
    }
  }
}

Plane ToPlane(const opj_image_t& image, const opj_image_comp_t& comp, uint32_t width,
              uint32_t height, int reduction) {
  Plane plane(static_cast<size_t>(width) * height);
  ScaleComponent(image, comp, width, height, reduction, plane.data(), 1);
  return plane;
}

// Components of 8 unsigned bits at full size: the usual case, copied pixel by
// pixel in one pass with a clamp (the wavelet's rounding can step outside).
bool PlainEightBit(const opj_image_t& image, const std::vector<const opj_image_comp_t*>& colours,
                   uint32_t width, uint32_t height, int reduction) {
  for (const opj_image_comp_t* comp : colours) {
    if (comp->prec != 8 || comp->sgnd != 0 || comp->dx != 1 || comp->dy != 1 || comp->w != width ||
        comp->h != height || comp->x0 != CeilShift(image.x0, reduction) ||
        comp->y0 != CeilShift(image.y0, reduction)) {
      return false;
    }
  }
  return true;
}

void InterleaveEightBit(const std::vector<const opj_image_comp_t*>& colours, size_t pixels,
                        uint8_t* out) {
  const size_t count = colours.size();
  if (count == 3) {
    const OPJ_INT32* r = colours[0]->data;
    const OPJ_INT32* g = colours[1]->data;
    const OPJ_INT32* b = colours[2]->data;
    for (size_t i = 0; i < pixels; ++i, out += 3) {
      out[0] = static_cast<uint8_t>(std::clamp(r[i], 0, kMaxSample));
      out[1] = static_cast<uint8_t>(std::clamp(g[i], 0, kMaxSample));
      out[2] = static_cast<uint8_t>(std::clamp(b[i], 0, kMaxSample));
    }
    return;
  }
  for (size_t c = 0; c < count; ++c) {
    const OPJ_INT32* from = colours[c]->data;
    uint8_t* to = out + c;
    for (size_t i = 0; i < pixels; ++i, to += count)
      *to = static_cast<uint8_t>(std::clamp(from[i], 0, kMaxSample));
  }
}

uint8_t Clamp8(int value) {
  return static_cast<uint8_t>(std::clamp(value, 0, kMaxSample));
}

// sYCC and e-sYCC to RGB in place, with the coefficients OpenJPEG's own tools use.
void YccToRgb(Plane* y_plane, Plane* cb_plane, Plane* cr_plane, bool extended) {
  for (size_t i = 0; i < y_plane->size(); ++i) {
    const float y = (*y_plane)[i];
    const float cb = static_cast<float>((*cb_plane)[i] - kChromaCentre);
    const float cr = static_cast<float>((*cr_plane)[i] - kChromaCentre);
    int r, g, b;
    if (extended) {
      r = static_cast<int>(y - 0.0000368f * cb + 1.40199f * cr + 0.5f);
      g = static_cast<int>(1.0003f * y - 0.344125f * cb - 0.7141128f * cr + 0.5f);
      b = static_cast<int>(0.999823f * y + 1.77204f * cb - 0.000008f * cr + 0.5f);
    } else {
      r = static_cast<int>(y) + static_cast<int>(1.402f * cr);
      g = static_cast<int>(y) - static_cast<int>(0.344f * cb + 0.714f * cr);
      b = static_cast<int>(y) + static_cast<int>(1.772f * cb);
    }
    (*y_plane)[i] = Clamp8(r);
    (*cb_plane)[i] = Clamp8(g);
    (*cr_plane)[i] = Clamp8(b);
  }
}

// The alpha component: the one the file marks, else the one after gray or
// RGB when the count says so; -1 for none.
int AlphaIndex(const opj_image_t& image) {
  const uint32_t count = image.numcomps;
  for (uint32_t i = 0; i < count; ++i) {
    if (image.comps[i].alpha != 0)
      return static_cast<int>(i);
  }
  const OPJ_COLOR_SPACE space = image.color_space;
  const bool rgb = space == OPJ_CLRSPC_SRGB || space == OPJ_CLRSPC_SYCC || space == OPJ_CLRSPC_EYCC;
  const bool gray_or_unknown =
      space == OPJ_CLRSPC_GRAY || space == OPJ_CLRSPC_UNKNOWN || space == OPJ_CLRSPC_UNSPECIFIED;
  if ((rgb && count == 4) || (gray_or_unknown && count == 2))
    return static_cast<int>(count) - 1;
  return -1;
}

JpxImage::Space SpaceByCount(size_t colours) {
  switch (colours) {
    case 1:
      return JpxImage::Space::kGray;
    case 3:
      return JpxImage::Space::kRgb;
    case 4:
      return JpxImage::Space::kCmyk;
    default:
      return JpxImage::Space::kUnknown;
  }
}

}  // namespace

bool ConvertJpxComponents(const opj_image_t& image, int reduction, JpxImage* out,
                          std::string* error) {
  const uint64_t width = CeilShift(image.x1, reduction) - CeilShift(image.x0, reduction);
  const uint64_t height = CeilShift(image.y1, reduction) - CeilShift(image.y0, reduction);
  if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) {
    *error = "the decoded picture has no size";
    return false;
  }
  const int alpha = AlphaIndex(image);
  std::vector<const opj_image_comp_t*> colours;
  for (uint32_t i = 0; i < image.numcomps; ++i) {
    if (!UsableComponent(image.comps[i], static_cast<int>(i), error))
      return false;
    if (image.comps[i].alpha == 0 && static_cast<int>(i) != alpha)
      colours.push_back(&image.comps[i]);
  }
  if (colours.empty()) {
    *error = "the picture has no colour components";
    return false;
  }
  const auto w = static_cast<uint32_t>(width);
  const auto h = static_cast<uint32_t>(height);
  JpxImage::Space space = SpaceByCount(colours.size());
  if (image.icc_profile_buf != nullptr && image.icc_profile_len > 0) {
    // A zero length marks OpenJPEG's CIELab parameters, which are no profile.
    out->icc_profile.assign(image.icc_profile_buf, image.icc_profile_buf + image.icc_profile_len);
    space = JpxImage::Space::kIcc;
  }
  const size_t pixels = static_cast<size_t>(w) * h;
  const size_t count = colours.size();
  // One call faults in the pages that thousands of traps would.
  out->samples.reserve(pixels * count);
  pdf::PrefaultWrite(out->samples.data(), pixels * count);
  out->samples.resize(pixels * count);
  const bool ycc = image.color_space == OPJ_CLRSPC_SYCC || image.color_space == OPJ_CLRSPC_EYCC;
  if (ycc && count == 3) {
    std::vector<Plane> planes;
    for (const opj_image_comp_t* comp : colours)
      planes.push_back(ToPlane(image, *comp, w, h, reduction));
    YccToRgb(&planes[0], &planes[1], &planes[2], image.color_space == OPJ_CLRSPC_EYCC);
    for (size_t c = 0; c < count; ++c) {
      const uint8_t* from = planes[c].data();
      uint8_t* to = out->samples.data() + c;
      for (size_t i = 0; i < pixels; ++i, to += count)
        *to = from[i];
    }
  } else if (PlainEightBit(image, colours, w, h, reduction)) {
    InterleaveEightBit(colours, pixels, out->samples.data());
  } else {
    // Straight into their interleaved places: one pass per component.
    for (size_t c = 0; c < count; ++c)
      ScaleComponent(image, *colours[c], w, h, reduction, out->samples.data() + c, count);
  }
  if (alpha >= 0) {
    out->alpha = ToPlane(image, image.comps[alpha], w, h, reduction);
  }
  out->width = static_cast<int>(w);
  out->height = static_cast<int>(h);
  out->components = static_cast<int>(count);
  out->space = space;
  return true;
}

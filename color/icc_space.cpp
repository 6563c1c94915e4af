// ICCBased spaces through LittleCMS 2 to sRGB under the relative colorimetric
// intent. A profile that cannot be used gives way to the Alternate space, and
// that to the device space of as many components, each step a note.
#include <cmath>
#include <limits>

#include "color/color_bounds.h"
#include "color/lcms_context.h"
#include "color/pdf_values.h"
#include "color/space_parts.h"
#include "pdf/object.h"

namespace color {
namespace {

// Pixels per lcms2 call on the float path, sizing its stack buffer.
constexpr size_t kIccBatch = 256;

class IccBasedSpace : public ColorSpace {
 public:
  IccBasedSpace(int components, bool lab, bool cmyk, std::vector<float> range,
                TransformHandle transform8, TransformHandle transform_float,
                std::string description)
      : components_(components),
        lab_(lab),
        cmyk_(cmyk),
        range_(std::move(range)),
        transform8_(std::move(transform8)),
        transform_float_(std::move(transform_float)),
        description_(std::move(description)) {}

  int Components() const override { return components_; }
  std::vector<float> DefaultDecode(int) const override { return range_; }

  void ToRgb(const float* values, size_t count, uint8_t* rgb) const override {
    float buffer[kIccBatch * 4];
    const size_t n = static_cast<size_t>(components_);
    while (count > 0) {
      const size_t batch = std::min(count, kIccBatch);
      for (size_t i = 0; i < batch * n; ++i) {
        const size_t c = i % n;
        const float low = range_[2 * c];
        const float high = range_[2 * c + 1];
        const float v = std::clamp(std::isnan(values[i]) ? low : values[i], low, high);
        if (lab_) {
          buffer[i] = v;  // lcms2 takes L*a*b* as they are
        } else {
          const float unit = high > low ? (v - low) / (high - low) : 0.0f;
          buffer[i] = cmyk_ ? unit * 100.0f : unit;  // CMYK floats run to 100 in lcms2
        }
      }
      cmsDoTransform(transform_float_.get(), buffer, rgb, static_cast<cmsUInt32Number>(batch));
      values += batch * n;
      rgb += batch * 3;
      count -= batch;
    }
  }

  bool ToRgb8(const uint8_t* samples, size_t count, uint8_t* rgb) const override {
    if (!transform8_) {
      return false;
    }
    constexpr size_t kMaxCall = std::numeric_limits<cmsUInt32Number>::max();
    while (count > 0) {
      const size_t batch = std::min(count, kMaxCall);
      cmsDoTransform(transform8_.get(), samples, rgb, static_cast<cmsUInt32Number>(batch));
      samples += batch * static_cast<size_t>(components_);
      rgb += batch * 3;
      count -= batch;
    }
    return true;
  }

  std::string Describe() const override {
    std::string line = "ICCBased, " + std::to_string(components_) +
                       (components_ == 1 ? " component" : " components");
    if (!description_.empty()) {
      line += " (" + description_ + ")";
    }
    return line;
  }

 private:
  int components_;
  bool lab_;
  bool cmyk_;
  std::vector<float> range_;
  TransformHandle transform8_;  // null when 8-bit samples have no fast path
  TransformHandle transform_float_;
  std::string description_;
};

std::string ProfileDescription(cmsHPROFILE profile) {
  char text[256] = {};
  if (cmsGetProfileInfoASCII(profile, cmsInfoDescription, "en", "US", text, sizeof text) == 0) {
    return std::string();
  }
  std::string description(text);
  while (!description.empty() && (description.back() == ' ' || description.back() == '\n')) {
    description.pop_back();
  }
  return description;
}

// Null with the reason in `why` when lcms2 cannot use the profile for
// `components` components; `range` defaults to [0 1] for each.
std::unique_ptr<ColorSpace> MakeIccSpace(std::span<const uint8_t> bytes, int components,
                                         std::vector<float> range, std::string* why) {
  cmsContext context = QuietLcmsContext();
  if (bytes.empty() || bytes.size() > kMaxProfileBytes) {
    *why = bytes.empty() ? "the profile is empty" : "the profile is too large";
    return nullptr;
  }
  ProfileHandle profile(
      cmsOpenProfileFromMemTHR(context, bytes.data(), static_cast<cmsUInt32Number>(bytes.size())));
  if (!profile) {
    *why = "the profile cannot be read";
    return nullptr;
  }
  // The signatures are the profile's own bytes: held as numbers, since a
  // value no enumerator names is no valid enum value.
  const auto device_class = static_cast<cmsUInt32Number>(cmsGetDeviceClass(profile.get()));
  if (device_class != cmsSigInputClass && device_class != cmsSigDisplayClass &&
      device_class != cmsSigOutputClass && device_class != cmsSigColorSpaceClass) {
    *why = "the profile is no device or colour space profile";
    return nullptr;
  }
  const auto data_space = static_cast<cmsUInt32Number>(cmsGetColorSpace(profile.get()));
  const int channels =
      static_cast<int>(cmsChannelsOf(static_cast<cmsColorSpaceSignature>(data_space)));
  if (channels != components) {
    *why = "the profile has " + std::to_string(channels) + " components, not " +
           std::to_string(components);
    return nullptr;
  }
  cmsUInt32Number format8 = 0;
  cmsUInt32Number format_float = 0;
  switch (data_space) {
    case cmsSigGrayData:
      format8 = TYPE_GRAY_8;
      format_float = TYPE_GRAY_FLT;
      break;
    case cmsSigRgbData:
      format8 = TYPE_RGB_8;
      format_float = TYPE_RGB_FLT;
      break;
    case cmsSigCmykData:
      format8 = TYPE_CMYK_8;
      format_float = TYPE_CMYK_FLT;
      break;
    case cmsSigLabData:
      format_float = TYPE_Lab_FLT;
      break;
    default:
      *why = "the profile's colour space is not gray, RGB, CMYK or Lab";
      return nullptr;
  }
  const bool lab = data_space == cmsSigLabData;
  if (range.size() != static_cast<size_t>(2 * components)) {
    range.clear();
    for (int c = 0; c < components; ++c) {
      // Lab profiles: L* from 0 to 100, a* and b* as their 8-bit encoding holds them.
      range.push_back(lab && c > 0 ? -128.0f : 0.0f);
      range.push_back(lab ? (c > 0 ? 127.0f : 100.0f) : 1.0f);
    }
  }
  bool unit_range = true;
  for (int c = 0; c < components; ++c) {
    unit_range = unit_range && range[2 * c] == 0.0f && range[2 * c + 1] == 1.0f;
  }
  ProfileHandle srgb(cmsCreate_sRGBProfileTHR(context));
  // No pixel cache: one space may convert from several threads at once.
  constexpr cmsUInt32Number kFlags = cmsFLAGS_NOCACHE;
  TransformHandle transform_float(cmsCreateTransformTHR(context, profile.get(), format_float,
                                                        srgb.get(), TYPE_RGB_8,
                                                        INTENT_RELATIVE_COLORIMETRIC, kFlags));
  if (!srgb || !transform_float) {
    *why = "no transform to sRGB can be made from the profile";
    return nullptr;
  }
  TransformHandle transform8;
  if (format8 != 0 && unit_range) {
    transform8.reset(cmsCreateTransformTHR(context, profile.get(), format8, srgb.get(), TYPE_RGB_8,
                                           INTENT_RELATIVE_COLORIMETRIC, kFlags));
  }
  return std::make_unique<IccBasedSpace>(
      components, lab, data_space == cmsSigCmykData, std::move(range), std::move(transform8),
      std::move(transform_float), ProfileDescription(profile.get()));
}

}  // namespace

std::unique_ptr<ColorSpace> IccSpace(std::span<const uint8_t> profile, int components,
                                     std::vector<std::string>* notes) {
  std::string why;
  try {
    if (auto space = MakeIccSpace(profile, components, {}, &why)) {
      return space;
    }
  } catch (...) {
    why = "memory ran out";
  }
  if (notes != nullptr) {
    notes->push_back("ICC profile not used: " + why);
  }
  return nullptr;
}

std::unique_ptr<ColorSpace> LoadIccBased(pdf::Object* stream, const LoadContext& context,
                                         int depth) {
  if (stream == nullptr || !stream->IsStream()) {
    context.Note("ICCBased: the profile is not a stream");
    return nullptr;
  }
  pdf::Object* n_value = stream->Get("N");
  const int n = n_value->IsNumber() ? n_value->IntValue() : 0;
  if (n != 1 && n != 3 && n != 4) {
    context.Note("ICCBased: N is " + std::string(n_value->IsNull() ? "missing" : "not 1, 3 or 4"));
    return nullptr;
  }
  std::vector<double> numbers;
  std::vector<float> range;
  if (ReadNumbers(stream->Get("Range"), 2 * kMaxComponents, &numbers) &&
      numbers.size() == static_cast<size_t>(2 * n)) {
    range.assign(numbers.begin(), numbers.end());
  }
  std::vector<uint8_t> bytes;
  std::string why;
  if (StreamBytes(stream, context.decoder, kMaxProfileBytes, &bytes, &why)) {
    why.clear();
    if (auto space = MakeIccSpace(bytes, n, range, &why)) {
      return space;
    }
  } else {
    why = "the profile stream cannot be decoded (" + why + ")";
  }
  pdf::Object* alternate = stream->Get("Alternate");
  if (!alternate->IsNull()) {
    context.Note("ICCBased: " + why + "; Alternate used");
    auto space = LoadSpaceAt(alternate, context, depth + 1);
    if (space && space->Components() == n) {
      return space;
    }
    context.Note("ICCBased: the Alternate space cannot stand for " + std::to_string(n) +
                 " components; " + DeviceSpace(n)->Describe() + " used");
  } else {
    context.Note("ICCBased: " + why + "; " + DeviceSpace(n)->Describe() + " used");
  }
  return DeviceSpace(n);
}

}  // namespace color

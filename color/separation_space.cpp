// Separation and DeviceN: tints through the tint transform into the alternate
// space. /None draws nothing (white); /All, and any space whose transform or
// alternate cannot be used, draws as ink on white: the tints summed, inverted
// to gray.
#include <array>

#include "color/color_bounds.h"
#include "color/pdf_values.h"
#include "color/space_parts.h"
#include "pdf/object.h"

namespace color {
namespace {

class TintSpace : public ColorSpace {
 public:
  TintSpace(int inks, std::unique_ptr<ColorSpace> alternate, std::unique_ptr<Function> tint,
            std::string description)
      : inks_(inks),
        alternate_(std::move(alternate)),
        tint_(std::move(tint)),
        description_(std::move(description)) {
    if (inks_ == 1) {
      // One ink: 256 evaluations now spare one per pixel of every 8-bit image.
      std::array<float, 256> tints;
      for (int i = 0; i < 256; ++i) {
        tints[i] = i / 255.0f;
      }
      table_.resize(256 * 3);
      Convert(tints.data(), 256, table_.data());
    }
  }

  int Components() const override { return inks_; }
  void ToRgb(const float* values, size_t count, uint8_t* rgb) const override {
    Convert(values, count, rgb);
  }
  bool ToRgb8(const uint8_t* samples, size_t count, uint8_t* rgb) const override {
    if (table_.empty()) {
      return false;
    }
    for (size_t i = 0; i < count; ++i, rgb += 3) {
      std::copy_n(&table_[samples[i] * 3u], 3, rgb);
    }
    return true;
  }
  std::string Describe() const override { return description_; }

 private:
  void Convert(const float* values, size_t count, uint8_t* rgb) const {
    const size_t alt_n = static_cast<size_t>(alternate_->Components());
    std::array<float, kBatchPixels * kMaxComponents> alt;
    std::array<float, kMaxComponents> out;
    const size_t n = static_cast<size_t>(inks_);
    while (count > 0) {
      const size_t batch = std::min(count, kBatchPixels);
      for (size_t i = 0; i < batch; ++i) {
        tint_->Evaluate(values + i * n, out.data());
        std::copy_n(out.data(), alt_n, &alt[i * alt_n]);
      }
      alternate_->ToRgb(alt.data(), batch, rgb);
      values += batch * n;
      rgb += batch * 3;
      count -= batch;
    }
  }

  int inks_;
  std::unique_ptr<ColorSpace> alternate_;
  std::unique_ptr<Function> tint_;
  std::string description_;
  std::vector<uint8_t> table_;  // RGB of the 256 tints of one ink
};

// Ink on white without an alternate: 1 - the sum of the tints, or white when
// nothing is drawn (/None).
class InkSpace : public ColorSpace {
 public:
  InkSpace(int inks, bool none, std::string description)
      : inks_(inks), none_(none), description_(std::move(description)) {}
  int Components() const override { return inks_; }
  void ToRgb(const float* values, size_t count, uint8_t* rgb) const override {
    for (size_t i = 0; i < count; ++i, rgb += 3) {
      float sum = 0.0f;
      for (int c = 0; c < inks_ && !none_; ++c) {
        sum += std::clamp(values[i * inks_ + c], 0.0f, 1.0f);
      }
      rgb[0] = rgb[1] = rgb[2] = UnitToByte(1.0f - std::min(sum, 1.0f));
    }
  }
  bool ToRgb8(const uint8_t* samples, size_t count, uint8_t* rgb) const override {
    for (size_t i = 0; i < count; ++i, rgb += 3) {
      int sum = 0;
      for (int c = 0; c < inks_ && !none_; ++c) {
        sum += samples[i * inks_ + c];
      }
      rgb[0] = rgb[1] = rgb[2] = static_cast<uint8_t>(255 - std::min(sum, 255));
    }
    return true;
  }
  std::string Describe() const override { return description_; }

 private:
  int inks_;
  bool none_;
  std::string description_;
};

// The tint transform and alternate of a Separation or DeviceN with `inks`
// inks, or an ink space (with a note) when they cannot be used.
std::unique_ptr<ColorSpace> TintOrInk(pdf::Array* array, int inks, const std::string& label,
                                      const LoadContext& context, int depth) {
  const std::string family = NameOf(array->Item(0));
  std::unique_ptr<ColorSpace> alternate = LoadSpaceAt(array->Item(2), context, depth + 1);
  std::unique_ptr<Function> tint;
  std::string why;
  if (!alternate) {
    why = "no usable alternate space";
  } else if (!(tint = LoadFunctionAt(array->Item(3), context, 0))) {
    why = "no usable tint transform";
  } else if (tint->Inputs() != inks || tint->Outputs() < alternate->Components()) {
    why = "the tint transform takes " + std::to_string(tint->Inputs()) + " values and gives " +
          std::to_string(tint->Outputs()) + ", not " + std::to_string(inks) + " and " +
          std::to_string(alternate->Components());
  } else {
    const std::string description = label + " -> " + alternate->Describe();
    return std::make_unique<TintSpace>(inks, std::move(alternate), std::move(tint), description);
  }
  context.Note(family + ": " + why + "; drawn as gray ink");
  return std::make_unique<InkSpace>(inks, false, label + " (as gray ink)");
}

}  // namespace

std::unique_ptr<ColorSpace> LoadSeparation(pdf::Object* array, const LoadContext& context,
                                           int depth) {
  if (array->Count() < 4) {
    context.Note("Separation: fewer than 4 entries");
    return nullptr;
  }
  const std::string ink = NameOf(array->Item(1));
  if (ink.empty()) {
    context.Note("Separation: the colorant is not a name");
    return nullptr;
  }
  if (ink == "None") {
    return std::make_unique<InkSpace>(1, true, "Separation /None");
  }
  if (ink == "All") {
    return std::make_unique<InkSpace>(1, false, "Separation /All");
  }
  return TintOrInk(array->AsArray(), 1, "Separation /" + ink, context, depth);
}

std::unique_ptr<ColorSpace> LoadDeviceN(pdf::Object* array, const LoadContext& context, int depth) {
  if (array->Count() < 4) {
    context.Note("DeviceN: fewer than 4 entries");
    return nullptr;
  }
  pdf::Object* names = array->Item(1);
  const int inks = names->IsArray() ? names->Count() : 0;
  if (inks < 1 || inks > kMaxComponents) {
    context.Note("DeviceN: the colorants are not an array of 1 to " +
                 std::to_string(kMaxComponents) + " names");
    return nullptr;
  }
  bool all_none = true;
  for (int i = 0; i < inks; ++i) {
    all_none = all_none && NameOf(names->Item(i)) == "None";
  }
  const std::string label = "DeviceN (" + std::to_string(inks) + (inks == 1 ? " ink)" : " inks)");
  if (all_none) {
    return std::make_unique<InkSpace>(inks, true, label + ", all /None");
  }
  return TintOrInk(array->AsArray(), inks, label, context, depth);
}

}  // namespace color

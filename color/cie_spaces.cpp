// CalGray, CalRGB and Lab by exact formulas: components to CIE XYZ under the
// space's white point, Bradford adaptation to D50 (the profile connection
// space, as ICC colour management does it), then the D50-adapted sRGB matrix
// and the sRGB curve. White maps to white: the relative colorimetric intent.
#include <array>
#include <cmath>

#include "color/color_bounds.h"
#include "color/pdf_values.h"
#include "color/space_parts.h"
#include "pdf/object.h"

namespace color {
namespace {

using Matrix3 = std::array<double, 9>;  // row by row
using Vector3 = std::array<double, 3>;

constexpr Vector3 kD50 = {0.9642, 1.0, 0.8249};

// XYZ (D50) to linear sRGB: the sRGB primaries adapted to D50 by Bradford.
constexpr Matrix3 kXyzD50ToLinearSrgb = {3.1338561, -1.6168667, -0.4906146, -0.9787684, 1.9161415,
                                         0.0334540, 0.0719453,  -0.2289914, 1.4052427};

constexpr Matrix3 kBradford = {0.8951, 0.2664, -0.1614, -0.7502, 1.7135,
                               0.0367, 0.0389, -0.0685, 1.0296};

Matrix3 Multiply(const Matrix3& a, const Matrix3& b) {
  Matrix3 r{};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      for (int k = 0; k < 3; ++k) {
        r[i * 3 + j] += a[i * 3 + k] * b[k * 3 + j];
      }
    }
  }
  return r;
}

Vector3 Apply(const Matrix3& m, const Vector3& v) {
  return {m[0] * v[0] + m[1] * v[1] + m[2] * v[2], m[3] * v[0] + m[4] * v[1] + m[5] * v[2],
          m[6] * v[0] + m[7] * v[1] + m[8] * v[2]};
}

Matrix3 Inverse(const Matrix3& m) {
  const double det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                     m[2] * (m[3] * m[7] - m[4] * m[6]);
  const double d = det != 0.0 ? 1.0 / det : 0.0;
  return {(m[4] * m[8] - m[5] * m[7]) * d, (m[2] * m[7] - m[1] * m[8]) * d,
          (m[1] * m[5] - m[2] * m[4]) * d, (m[5] * m[6] - m[3] * m[8]) * d,
          (m[0] * m[8] - m[2] * m[6]) * d, (m[2] * m[3] - m[0] * m[5]) * d,
          (m[3] * m[7] - m[4] * m[6]) * d, (m[1] * m[6] - m[0] * m[7]) * d,
          (m[0] * m[4] - m[1] * m[3]) * d};
}

// Bradford adaptation from `white` to D50.
Matrix3 AdaptToD50(const Vector3& white) {
  const Vector3 from = Apply(kBradford, white);
  const Vector3 to = Apply(kBradford, kD50);
  Matrix3 scale{};
  for (int i = 0; i < 3; ++i) {
    scale[i * 4] = from[i] != 0.0 ? to[i] / from[i] : 1.0;
  }
  return Multiply(Inverse(kBradford), Multiply(scale, kBradford));
}

uint8_t EncodeSrgb(double linear) {
  if (!(linear > 0.0)) {
    return 0;
  }
  if (linear >= 1.0) {
    return 255;
  }
  const double v = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
  return UnitToByte(static_cast<float>(v));
}

// The WhitePoint of a CIE dictionary: D50 with a note when it is unusable.
Vector3 ReadWhitePoint(pdf::Object* dict, const char* space, const LoadContext& context) {
  std::vector<double> numbers;
  if (ReadNumbers(dict->Get("WhitePoint"), 3, &numbers) && numbers.size() == 3 && numbers[0] > 0 &&
      numbers[1] > 0 && numbers[2] > 0) {
    return {numbers[0], numbers[1], numbers[2]};
  }
  context.Note(std::string(space) + ": WhitePoint missing or wrong, D50 used");
  return kD50;
}

// Numbers of an optional entry: `fallback` when absent, with a note when wrong.
std::vector<double> ReadOptional(pdf::Object* dict, const char* key, std::vector<double> fallback,
                                 const char* space, const LoadContext& context) {
  pdf::Object* value = dict->Get(key);
  if (value->IsNull()) {
    return fallback;
  }
  std::vector<double> numbers;
  if (value->IsNumber() && fallback.size() == 1) {
    return {value->RealValue()};
  }
  if (ReadNumbers(value, fallback.size(), &numbers) && numbers.size() == fallback.size()) {
    return numbers;
  }
  context.Note(std::string(space) + ": " + key + " wrong, default used");
  return fallback;
}

class CalGray : public ColorSpace {
 public:
  explicit CalGray(double gamma) : gamma_(gamma) {
    for (int i = 0; i < 256; ++i) {
      table_[i] = Gray(i / 255.0f);
    }
  }
  int Components() const override { return 1; }
  void ToRgb(const float* values, size_t count, uint8_t* rgb) const override {
    for (size_t i = 0; i < count; ++i, rgb += 3) {
      rgb[0] = rgb[1] = rgb[2] = Gray(values[i]);
    }
  }
  bool ToRgb8(const uint8_t* samples, size_t count, uint8_t* rgb) const override {
    for (size_t i = 0; i < count; ++i, rgb += 3) {
      rgb[0] = rgb[1] = rgb[2] = table_[samples[i]];
    }
    return true;
  }
  std::string Describe() const override { return "CalGray"; }

 private:
  // The white point's Y scaled by A^G, adapted to D50, is a neutral of that
  // luminance.
  uint8_t Gray(float a) const {
    const double v = std::clamp(static_cast<double>(a), 0.0, 1.0);
    return EncodeSrgb(std::pow(v, gamma_));
  }
  double gamma_;
  std::array<uint8_t, 256> table_{};
};

class CalRgb : public ColorSpace {
 public:
  CalRgb(const Vector3& gamma, const Matrix3& to_srgb) : gamma_(gamma), to_srgb_(to_srgb) {}
  int Components() const override { return 3; }
  void ToRgb(const float* values, size_t count, uint8_t* rgb) const override {
    for (size_t i = 0; i < count; ++i, values += 3, rgb += 3) {
      Vector3 abc;
      for (int c = 0; c < 3; ++c) {
        abc[c] = std::pow(std::clamp(static_cast<double>(values[c]), 0.0, 1.0), gamma_[c]);
      }
      const Vector3 linear = Apply(to_srgb_, abc);
      for (int c = 0; c < 3; ++c) {
        rgb[c] = EncodeSrgb(linear[c]);
      }
    }
  }
  std::string Describe() const override { return "CalRGB"; }

 private:
  Vector3 gamma_;
  Matrix3 to_srgb_;
};

class Lab : public ColorSpace {
 public:
  explicit Lab(const std::array<float, 4>& range) : range_(range) {}
  int Components() const override { return 3; }
  std::vector<float> DefaultDecode(int) const override {
    return {0.0f, 100.0f, range_[0], range_[1], range_[2], range_[3]};
  }
  // Lab values are relative to their white point already: under the relative
  // intent they read as relative to D50.
  void ToRgb(const float* values, size_t count, uint8_t* rgb) const override {
    for (size_t i = 0; i < count; ++i, values += 3, rgb += 3) {
      const double l = std::clamp(static_cast<double>(values[0]), 0.0, 100.0);
      const double a =
          std::clamp(static_cast<double>(values[1]), double{range_[0]}, double{range_[1]});
      const double b =
          std::clamp(static_cast<double>(values[2]), double{range_[2]}, double{range_[3]});
      const double fy = (l + 16) / 116;
      const Vector3 f = {fy + a / 500, fy, fy - b / 200};
      Vector3 xyz;
      for (int c = 0; c < 3; ++c) {
        const double t = f[c];
        constexpr double kDelta = 6.0 / 29.0;
        xyz[c] = kD50[c] * (t > kDelta ? t * t * t : 3 * kDelta * kDelta * (t - 4.0 / 29.0));
      }
      const Vector3 linear = Apply(kXyzD50ToLinearSrgb, xyz);
      for (int c = 0; c < 3; ++c) {
        rgb[c] = EncodeSrgb(linear[c]);
      }
    }
  }
  std::string Describe() const override { return "Lab"; }

 private:
  std::array<float, 4> range_;
};

pdf::Object* CieDictionary(pdf::Object* dict, const char* space, const LoadContext& context) {
  if (dict == nullptr || !dict->IsDictionary()) {
    context.Note(std::string(space) + ": no dictionary");
    return nullptr;
  }
  return dict;
}

}  // namespace

std::unique_ptr<ColorSpace> LoadCalGray(pdf::Object* dict, const LoadContext& context) {
  if (CieDictionary(dict, "CalGray", context) == nullptr) {
    return nullptr;
  }
  ReadWhitePoint(dict, "CalGray", context);
  const double gamma = ReadOptional(dict, "Gamma", {1.0}, "CalGray", context)[0];
  return std::make_unique<CalGray>(gamma > 0 ? gamma : 1.0);
}

std::unique_ptr<ColorSpace> LoadCalRgb(pdf::Object* dict, const LoadContext& context) {
  if (CieDictionary(dict, "CalRGB", context) == nullptr) {
    return nullptr;
  }
  const Vector3 white = ReadWhitePoint(dict, "CalRGB", context);
  const std::vector<double> gamma = ReadOptional(dict, "Gamma", {1.0, 1.0, 1.0}, "CalRGB", context);
  const std::vector<double> m =
      ReadOptional(dict, "Matrix", {1, 0, 0, 0, 1, 0, 0, 0, 1}, "CalRGB", context);
  // The Matrix lists the XYZ of A, then of B, then of C: its columns.
  const Matrix3 abc_to_xyz = {m[0], m[3], m[6], m[1], m[4], m[7], m[2], m[5], m[8]};
  const Matrix3 to_srgb = Multiply(kXyzD50ToLinearSrgb, Multiply(AdaptToD50(white), abc_to_xyz));
  Vector3 g;
  for (int c = 0; c < 3; ++c) {
    g[c] = gamma[c] > 0 ? gamma[c] : 1.0;
  }
  return std::make_unique<CalRgb>(g, to_srgb);
}

std::unique_ptr<ColorSpace> LoadLab(pdf::Object* dict, const LoadContext& context) {
  if (CieDictionary(dict, "Lab", context) == nullptr) {
    return nullptr;
  }
  ReadWhitePoint(dict, "Lab", context);
  std::vector<double> r = ReadOptional(dict, "Range", {-100, 100, -100, 100}, "Lab", context);
  if (!(r[0] <= r[1] && r[2] <= r[3])) {
    context.Note("Lab: Range wrong, default used");
    r = {-100, 100, -100, 100};
  }
  return std::make_unique<Lab>(
      std::array<float, 4>{static_cast<float>(r[0]), static_cast<float>(r[1]),
                           static_cast<float>(r[2]), static_cast<float>(r[3])});
}

}  // namespace color

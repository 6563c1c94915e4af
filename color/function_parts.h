// What the function types share: clipping to Domain and Range, and the loaders
// of the types with files of their own. Internal to color/.
#pragma once

#include <memory>
#include <vector>

#include "color/function.h"
#include "color/space_parts.h"

namespace color {

// A function with a Domain of 2 x Inputs() values and an optional Range of
// 2 x Outputs(): Evaluate clips around Compute.
class ClippedFunction : public Function {
 public:
  ClippedFunction(std::vector<float> domain, std::vector<float> range);
  void Evaluate(const float* in, float* out) const final;

 protected:
  // `in` already clipped to the Domain.
  virtual void Compute(const float* in, float* out) const = 0;
  std::vector<float> domain_;
  std::vector<float> range_;  // empty when the function has none
};

// y for x on the line through (x0, y0) and (x1, y1); y0 when x0 == x1.
inline float Interpolate(float x, float x0, float x1, float y0, float y1) {
  return x1 != x0 ? y0 + (x - x0) * (y1 - y0) / (x1 - x0) : y0;
}

// Type 0 and type 4 from their streams; `domain` and `range` already read.
std::unique_ptr<Function> LoadSampled(pdf::Object* stream, std::vector<float> domain,
                                      std::vector<float> range, const LoadContext& context);
std::unique_ptr<Function> LoadCalculator(pdf::Object* stream, std::vector<float> domain,
                                         std::vector<float> range, const LoadContext& context);

}  // namespace color

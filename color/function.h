// PDF functions (types 0 sampled, 2 exponential, 3 stitching, 4 PostScript
// calculator), as the tint transforms of Separation and DeviceN spaces use
// them. Every size, nesting depth, stack depth and operator count that a file
// can drive is bounded (color/color_bounds.h).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pdf/open_options.h"

namespace pdf {
class Object;
}  // namespace pdf

namespace color {

class Function {
 public:
  virtual ~Function() = default;
  int Inputs() const { return inputs_; }
  int Outputs() const { return outputs_; }
  // Inputs are clipped to Domain, outputs to Range where the function has one.
  // `in` holds Inputs() values, `out` room for Outputs().
  virtual void Evaluate(const float* in, float* out) const = 0;

 protected:
  int inputs_ = 0;
  int outputs_ = 0;
};

// A function from its dictionary or stream (references followed); an array of
// functions of one output each becomes one function with as many outputs. Null
// with a line in `notes` when it cannot be used.
std::unique_ptr<Function> LoadFunction(pdf::Object* object, pdf::StreamDecoder decoder,
                                       std::vector<std::string>* notes);

}  // namespace color

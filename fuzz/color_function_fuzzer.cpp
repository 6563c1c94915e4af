// Colour spaces and functions, as image drawing loads them: a small file
// whose object 1 is the fuzzed text (a colour space array or a function
// dictionary) and whose object 2 is a stream (an ICC profile, a lookup table,
// a sampled function, a PostScript calculator) that object 1 may refer to.
// Input: two bytes for the length of object 1's text, two for the length of
// object 2's dictionary entries, the two texts, then object 2's data. The
// space converts a spread of values to RGB, the function is evaluated at a
// spread of inputs.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "color/color_space.h"
#include "color/function.h"
#include "describe/open_mode.h"
#include "describe/viewer_document.h"
#include "filters/filter_chain.h"
#include "fuzz/fuzz_sinks.h"
#include "fuzz/modern_inputs.h"

namespace {

// Values per component tried: the ends of the range and between them.
constexpr int kSteps = 5;

void Convert(const color::ColorSpace& space) {
  const int components = space.Components();
  if (components <= 0 || components > 32) {
    return;
  }
  const std::vector<float> decode = space.DefaultDecode(8);
  std::vector<float> values(static_cast<size_t>(components) * kSteps);
  for (int step = 0; step < kSteps; ++step) {
    for (int c = 0; c < components; ++c) {
      const size_t at = static_cast<size_t>(c) * 2;
      const float low = at + 1 < decode.size() ? decode[at] : 0.0f;
      const float high = at + 1 < decode.size() ? decode[at + 1] : 1.0f;
      values[static_cast<size_t>(step * components + c)] =
          low + (high - low) * static_cast<float>(step) / (kSteps - 1);
    }
  }
  std::vector<uint8_t> rgb(kSteps * 3);
  space.ToRgb(values.data(), kSteps, rgb.data());
  std::vector<uint8_t> samples(static_cast<size_t>(components) * kSteps);
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<uint8_t>(i * 61);
  }
  space.ToRgb8(samples.data(), kSteps, rgb.data());
  space.Describe();
}

void Evaluate(const color::Function& function) {
  if (function.Inputs() <= 0 || function.Inputs() > 32 || function.Outputs() <= 0 ||
      function.Outputs() > 32) {
    return;
  }
  std::vector<float> in(static_cast<size_t>(function.Inputs()));
  std::vector<float> out(static_cast<size_t>(function.Outputs()));
  for (int step = 0; step < kSteps; ++step) {
    for (size_t i = 0; i < in.size(); ++i) {
      in[i] = -0.5f + 2.0f * static_cast<float>(step) / (kSteps - 1);
    }
    function.Evaluate(in.data(), out.data());
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  DiscardAllMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file = ColorFunctionFile(std::span<const uint8_t>(data, size));
  if (file.empty() || file.size() > INT32_MAX) {
    return 0;
  }
  ViewerDocument doc;
  if (!doc.OpenMemory(file.data(), static_cast<int32_t>(file.size()), "fuzz.pdf",
                      OpenOptionsFor(pdf::Mode::kModern))) {
    return 0;
  }
  pdf::Object* object = doc.GetObject(1, 0);
  std::vector<std::string> notes;
  if (auto space = color::LoadColorSpace(object, DecodeStreamFully, &notes)) {
    Convert(*space);
  }
  if (auto function = color::LoadFunction(object, DecodeStreamFully, &notes)) {
    Evaluate(*function);
  }
  return 0;
}

// Functions from their dictionaries: the entries every type has, types 2
// (exponential) and 3 (stitching), and arrays of one-output functions.
#include <cmath>
#include <exception>

#include "color/color_bounds.h"
#include "color/function_parts.h"
#include "color/pdf_values.h"
#include "pdf/object.h"

namespace color {

ClippedFunction::ClippedFunction(std::vector<float> domain, std::vector<float> range)
    : domain_(std::move(domain)), range_(std::move(range)) {
  inputs_ = static_cast<int>(domain_.size() / 2);
  outputs_ = static_cast<int>(range_.size() / 2);
}

void ClippedFunction::Evaluate(const float* in, float* out) const {
  float clipped[kMaxComponents];
  for (int i = 0; i < inputs_; ++i) {
    const float low = domain_[2 * i];
    const float high = domain_[2 * i + 1];
    clipped[i] = std::isnan(in[i]) ? low : std::clamp(in[i], low, high);
  }
  Compute(clipped, out);
  for (int j = 0; j < outputs_; ++j) {
    if (!std::isfinite(out[j])) {
      out[j] = std::isinf(out[j]) && out[j] > 0 ? 1.0f : 0.0f;
    }
    if (!range_.empty()) {
      out[j] = std::clamp(out[j], range_[2 * j], range_[2 * j + 1]);
    }
  }
}

namespace {

// Type 2: C0 + x^N (C1 - C0).
class ExponentialFunction : public ClippedFunction {
 public:
  ExponentialFunction(std::vector<float> domain, std::vector<float> range, std::vector<float> c0,
                      std::vector<float> c1, float n)
      : ClippedFunction(std::move(domain), std::move(range)),
        c0_(std::move(c0)),
        c1_(std::move(c1)),
        n_(n) {
    outputs_ = static_cast<int>(c0_.size());
  }

 protected:
  void Compute(const float* in, float* out) const override {
    const float power = n_ == 1.0f ? in[0] : std::pow(in[0], n_);
    for (size_t j = 0; j < c0_.size(); ++j) {
      out[j] = c0_[j] + power * (c1_[j] - c0_[j]);
    }
  }

 private:
  std::vector<float> c0_, c1_;
  float n_;
};

// Type 3: the Bounds split the domain, each part mapped through its Encode
// pair to its function.
class StitchingFunction : public ClippedFunction {
 public:
  StitchingFunction(std::vector<float> domain, std::vector<float> range,
                    std::vector<std::unique_ptr<Function>> parts, std::vector<float> bounds,
                    std::vector<float> encode)
      : ClippedFunction(std::move(domain), std::move(range)),
        parts_(std::move(parts)),
        bounds_(std::move(bounds)),
        encode_(std::move(encode)) {
    outputs_ = parts_[0]->Outputs();
  }

 protected:
  void Compute(const float* in, float* out) const override {
    const float x = in[0];
    size_t i = 0;
    while (i < bounds_.size() && x >= bounds_[i]) {
      ++i;
    }
    const float low = i == 0 ? domain_[0] : bounds_[i - 1];
    const float high = i == bounds_.size() ? domain_[1] : bounds_[i];
    const float e = Interpolate(x, low, high, encode_[2 * i], encode_[2 * i + 1]);
    parts_[i]->Evaluate(&e, out);
  }

 private:
  std::vector<std::unique_ptr<Function>> parts_;
  std::vector<float> bounds_;
  std::vector<float> encode_;
};

// An array of one-output functions as one function of as many outputs.
class FunctionArray : public Function {
 public:
  explicit FunctionArray(std::vector<std::unique_ptr<Function>> parts) : parts_(std::move(parts)) {
    inputs_ = parts_[0]->Inputs();
    outputs_ = static_cast<int>(parts_.size());
  }
  void Evaluate(const float* in, float* out) const override {
    for (size_t j = 0; j < parts_.size(); ++j) {
      parts_[j]->Evaluate(in, &out[j]);
    }
  }

 private:
  std::vector<std::unique_ptr<Function>> parts_;
};

std::vector<float> Floats(const std::vector<double>& numbers) {
  return std::vector<float>(numbers.begin(), numbers.end());
}

std::unique_ptr<Function> LoadArray(pdf::Object* array, const LoadContext& context, int depth) {
  if (array->Count() < 1 || array->Count() > kMaxComponents) {
    context.Note("function array: not 1 to " + std::to_string(kMaxComponents) + " functions");
    return nullptr;
  }
  std::vector<std::unique_ptr<Function>> parts;
  for (int i = 0; i < array->Count(); ++i) {
    auto part = LoadFunctionAt(array->Item(i), context, depth + 1);
    if (!part) {
      return nullptr;
    }
    if (part->Outputs() != 1 || (i > 0 && part->Inputs() != parts[0]->Inputs())) {
      context.Note("function array: a function has not one output, or other inputs");
      return nullptr;
    }
    parts.push_back(std::move(part));
  }
  return std::make_unique<FunctionArray>(std::move(parts));
}

std::unique_ptr<Function> LoadExponential(pdf::Object* dict, std::vector<float> domain,
                                          std::vector<float> range, const LoadContext& context) {
  pdf::Object* n_value = dict->Get("N");
  std::vector<double> c0, c1;
  pdf::Object* c0_value = dict->Get("C0");
  pdf::Object* c1_value = dict->Get("C1");
  if (c0_value->IsNull()) {
    c0 = {0.0};
  } else if (!ReadNumbers(c0_value, kMaxComponents, &c0)) {
    c0.clear();
  }
  if (c1_value->IsNull()) {
    c1 = {1.0};
  } else if (!ReadNumbers(c1_value, kMaxComponents, &c1)) {
    c1.clear();
  }
  if (domain.size() != 2 || !n_value->IsNumber() || c0.empty() || c0.size() != c1.size() ||
      (!range.empty() && range.size() != 2 * c0.size())) {
    context.Note("type 2 function: not one input, N missing, or C0, C1, Range not matching");
    return nullptr;
  }
  const float n = static_cast<float>(n_value->RealValue());
  if (n != std::floor(n) && domain[0] < 0) {
    domain[0] = 0;  // x^N is defined for x >= 0 only when N is not whole
  }
  return std::make_unique<ExponentialFunction>(std::move(domain), std::move(range), Floats(c0),
                                               Floats(c1), n);
}

std::unique_ptr<Function> LoadStitching(pdf::Object* dict, std::vector<float> domain,
                                        std::vector<float> range, const LoadContext& context,
                                        int depth) {
  pdf::Object* functions = dict->Get("Functions");
  const int k = functions->IsArray() ? functions->Count() : 0;
  if (domain.size() != 2 || k < 1 || k > kMaxStitchedFunctions) {
    context.Note("type 3 function: not one input, or not 1 to " +
                 std::to_string(kMaxStitchedFunctions) + " Functions");
    return nullptr;
  }
  std::vector<double> bounds, encode;
  if (!ReadNumbers(dict->Get("Bounds"), kMaxStitchedFunctions, &bounds) ||
      bounds.size() != static_cast<size_t>(k - 1) ||
      !ReadNumbers(dict->Get("Encode"), 2 * kMaxStitchedFunctions, &encode) ||
      encode.size() != static_cast<size_t>(2 * k)) {
    context.Note("type 3 function: Bounds or Encode missing or not matching Functions");
    return nullptr;
  }
  for (size_t i = 0; i < bounds.size(); ++i) {
    if (bounds[i] < (i == 0 ? domain[0] : bounds[i - 1]) || bounds[i] > domain[1]) {
      context.Note("type 3 function: Bounds not increasing within the Domain");
      return nullptr;
    }
  }
  std::vector<std::unique_ptr<Function>> parts;
  for (int i = 0; i < k; ++i) {
    auto part = LoadFunctionAt(functions->Item(i), context, depth + 1);
    if (!part) {
      return nullptr;
    }
    if (part->Inputs() != 1 || (i > 0 && part->Outputs() != parts[0]->Outputs()) ||
        (!range.empty() && range.size() != 2 * static_cast<size_t>(part->Outputs()))) {
      context.Note("type 3 function: the Functions differ in inputs or outputs");
      return nullptr;
    }
    parts.push_back(std::move(part));
  }
  return std::make_unique<StitchingFunction>(std::move(domain), std::move(range), std::move(parts),
                                             Floats(bounds), Floats(encode));
}

}  // namespace

std::unique_ptr<Function> LoadFunctionAt(pdf::Object* object, const LoadContext& context,
                                         int depth) {
  if (depth > kMaxFunctionNesting) {
    context.Note("functions nest more than " + std::to_string(kMaxFunctionNesting) +
                 " deep (a reference cycle?)");
    return nullptr;
  }
  if (object == nullptr) {
    context.Note("no function");
    return nullptr;
  }
  object = object->Resolve();
  if (object->IsArray()) {
    return LoadArray(object, context, depth);
  }
  if (!object->IsDictionary() && !object->IsStream()) {
    context.Note("function is neither a dictionary, a stream nor an array");
    return nullptr;
  }
  pdf::Object* type_value = object->Get("FunctionType");
  const int type = type_value->IsNumber() ? type_value->IntValue() : -1;
  std::vector<double> domain, range;
  if (!ReadNumbers(object->Get("Domain"), 2 * kMaxComponents, &domain) || domain.empty() ||
      domain.size() % 2 != 0) {
    context.Note("function: Domain missing or wrong");
    return nullptr;
  }
  pdf::Object* range_value = object->Get("Range");
  if (!range_value->IsNull() &&
      (!ReadNumbers(range_value, 2 * kMaxComponents, &range) || range.size() % 2 != 0)) {
    context.Note("function: Range wrong");
    return nullptr;
  }
  for (size_t i = 0; i < domain.size(); i += 2) {
    if (domain[i] > domain[i + 1]) {
      context.Note("function: Domain ends before it starts");
      return nullptr;
    }
  }
  for (size_t i = 0; i < range.size(); i += 2) {
    if (range[i] > range[i + 1]) {
      context.Note("function: Range ends before it starts");
      return nullptr;
    }
  }
  switch (type) {
    case 0:
      return LoadSampled(object, Floats(domain), Floats(range), context);
    case 2:
      return LoadExponential(object, Floats(domain), Floats(range), context);
    case 3:
      return LoadStitching(object, Floats(domain), Floats(range), context, depth);
    case 4:
      return LoadCalculator(object, Floats(domain), Floats(range), context);
    default:
      context.Note("function: FunctionType " +
                   (type_value->IsNull() ? std::string("missing") : std::to_string(type)) +
                   " is not 0, 2, 3 or 4");
      return nullptr;
  }
}

std::unique_ptr<Function> LoadFunction(pdf::Object* object, pdf::StreamDecoder decoder,
                                       std::vector<std::string>* notes) {
  LoadContext context{decoder, notes};
  try {
    return LoadFunctionAt(object, context, 0);
  } catch (const std::exception& e) {
    context.Note(std::string("function not loaded: ") + e.what());
  } catch (...) {
    context.Note("function not loaded");
  }
  return nullptr;
}

}  // namespace color

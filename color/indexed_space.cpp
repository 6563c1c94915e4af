// Indexed spaces over any base: the lookup's hival + 1 colours converted to
// RGB once, every pixel then a table read.
#include <cmath>

#include "color/color_bounds.h"
#include "color/pdf_values.h"
#include "color/space_parts.h"
#include "pdf/object.h"

namespace color {
namespace {

class IndexedSpace : public ColorSpace {
 public:
  IndexedSpace(std::string base, std::vector<uint8_t> table)
      : base_(std::move(base)), table_(std::move(table)), hival_(table_.size() / 3 - 1) {}

  int Components() const override { return 1; }
  std::vector<float> DefaultDecode(int bits) const override {
    return {0.0f, static_cast<float>((1u << std::clamp(bits, 1, 16)) - 1)};
  }
  void ToRgb(const float* values, size_t count, uint8_t* rgb) const override {
    for (size_t i = 0; i < count; ++i, rgb += 3) {
      const float v = values[i];
      // Indices beyond hival take the last colour, as they do in viewers.
      const size_t index = v > 0.0f ? std::min(static_cast<size_t>(v + 0.5f), hival_) : 0;
      std::copy_n(&table_[index * 3], 3, rgb);
    }
  }
  bool ToRgb8(const uint8_t* samples, size_t count, uint8_t* rgb) const override {
    for (size_t i = 0; i < count; ++i, rgb += 3) {
      const size_t index = std::min<size_t>(samples[i], hival_);
      std::copy_n(&table_[index * 3], 3, rgb);
    }
    return true;
  }
  std::string Describe() const override {
    return "Indexed " + base_ + ", " + std::to_string(hival_ + 1) +
           (hival_ == 0 ? " colour" : " colours");
  }

 private:
  std::string base_;
  std::vector<uint8_t> table_;  // R, G, B of each index
  size_t hival_;
};

}  // namespace

std::unique_ptr<ColorSpace> LoadIndexed(pdf::Object* array, const LoadContext& context, int depth) {
  if (array->Count() < 4) {
    context.Note("Indexed: fewer than 4 entries");
    return nullptr;
  }
  std::unique_ptr<ColorSpace> base = LoadSpaceAt(array->Item(1), context, depth + 1);
  if (!base) {
    context.Note("Indexed: no usable base space");
    return nullptr;
  }
  pdf::Object* hival_value = array->Item(2);
  if (!hival_value->IsNumber() || hival_value->RealValue() < 0) {
    context.Note("Indexed: hival is not a number of 0 or more");
    return nullptr;
  }
  int hival = hival_value->IntValue();
  if (hival > kMaxIndexedHival) {
    context.Note("Indexed: hival " + std::to_string(hival) + " cut to " +
                 std::to_string(kMaxIndexedHival));
    hival = kMaxIndexedHival;
  }
  const size_t n = static_cast<size_t>(base->Components());
  std::vector<uint8_t> lookup;
  pdf::Object* lookup_value = array->Item(3);
  if (lookup_value->IsStream()) {
    std::string error;
    if (!StreamBytes(lookup_value, context.decoder, kMaxSmallStreamBytes, &lookup, &error)) {
      context.Note("Indexed: the lookup stream cannot be decoded (" + error + ")");
      return nullptr;
    }
  } else if (!StringBytes(lookup_value, &lookup)) {
    context.Note("Indexed: the lookup is neither a string nor a stream");
    return nullptr;
  }
  const size_t colours = std::min(static_cast<size_t>(hival) + 1, lookup.size() / n);
  if (colours == 0) {
    context.Note("Indexed: the lookup holds no whole colour");
    return nullptr;
  }
  if (colours < static_cast<size_t>(hival) + 1) {
    context.Note("Indexed: the lookup holds " + std::to_string(colours) + " colours, not " +
                 std::to_string(hival + 1) + "; hival cut to " + std::to_string(colours - 1));
  }
  // Lookup bytes span the base's range as 8-bit samples do.
  const std::vector<float> decode = base->DefaultDecode(8);
  std::vector<uint8_t> table(colours * 3);
  std::vector<float> values(colours * n);
  for (size_t i = 0; i < colours * n; ++i) {
    const size_t c = i % n;
    values[i] = decode[2 * c] + lookup[i] * (decode[2 * c + 1] - decode[2 * c]) / 255.0f;
  }
  base->ToRgb(values.data(), colours, table.data());
  return std::make_unique<IndexedSpace>(base->Describe(), std::move(table));
}

}  // namespace color

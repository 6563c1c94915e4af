#include "tests/support/lzw_encoder.h"

#include <algorithm>

namespace {

constexpr int kFirstFree = 258;
constexpr int kTableSize = 4096;

int WidthFor(int next_free, bool early_change) {
  const int late = early_change ? 0 : 1;
  if (next_free >= 2047 + late)
    return 12;
  if (next_free >= 1023 + late)
    return 11;
  if (next_free >= 511 + late)
    return 10;
  return 9;
}

}  // namespace

int LzwCodeWriter::width() const {
  return WidthFor(next_free_, early_change_);
}

LzwCodeWriter& LzwCodeWriter::Put(int code) {
  return PutWidth(code, width());
}

LzwCodeWriter& LzwCodeWriter::Put(std::initializer_list<int> codes) {
  for (int code : codes)
    Put(code);
  return *this;
}

LzwCodeWriter& LzwCodeWriter::PutWidth(int code, int width) {
  acc_ = (acc_ << width) | static_cast<uint64_t>(code & ((1 << width) - 1));
  bits_ += width;
  while (bits_ >= 8) {
    bytes_.push_back(static_cast<uint8_t>(acc_ >> (bits_ - 8)));
    bits_ -= 8;
  }
  Advance(code);
  return *this;
}

void LzwCodeWriter::Advance(int code) {
  if (code == kLzwClear) {
    next_free_ = kFirstFree;
    first_ = true;
    return;
  }
  if (code == kLzwEnd)
    return;
  // The decoder defines an entry for every code but the first after a reset.
  if (!first_ && next_free_ < kTableSize)
    ++next_free_;
  first_ = false;
}

std::vector<uint8_t> LzwCodeWriter::Bytes() const {
  std::vector<uint8_t> out = bytes_;
  if (bits_ > 0)
    out.push_back(static_cast<uint8_t>(acc_ << (8 - bits_)));
  return out;
}

std::vector<uint8_t> LzwEncode(const uint8_t* data, size_t size, const LzwEncodeOptions& options) {
  LzwCodeWriter writer(options.early_change);
  // child[code * 256 + byte]: the entry extending `code` by `byte`, 0 if none.
  std::vector<uint16_t> child(static_cast<size_t>(kTableSize) * 256, 0);
  int free_code = kFirstFree;
  auto reset = [&] {
    std::fill(child.begin(), child.end(), 0);
    free_code = kFirstFree;
  };
  if (options.leading_clear)
    writer.Put(kLzwClear);
  if (size > 0) {
    int current = data[0];
    for (size_t i = 1; i < size; ++i) {
      const uint8_t byte = data[i];
      if (options.clear_after != 0 && i == options.clear_after) {
        writer.Put(current).Put(kLzwClear);
        reset();
        current = byte;
        continue;
      }
      const uint16_t next = child[static_cast<size_t>(current) * 256 + byte];
      if (next != 0) {
        current = next;
        continue;
      }
      writer.Put(current);
      if (free_code < kTableSize)
        child[static_cast<size_t>(current) * 256 + byte] = free_code++;
      if (free_code == kTableSize && options.clear_when_full) {
        writer.Put(kLzwClear);
        reset();
      }
      current = byte;
    }
    writer.Put(current);
  }
  if (options.end_code)
    writer.Put(kLzwEnd);
  return writer.Bytes();
}

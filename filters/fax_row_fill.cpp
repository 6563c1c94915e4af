#include "filters/fax_row_fill.h"

#include <cstring>

namespace {

// The leading n bits of a byte.
constexpr uint8_t kLeadingBits[9] = {0x00, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF};

constexpr uint64_t kAllOnes = ~uint64_t{0};

inline void StoreBigEndian(uint8_t* p, uint64_t word) {
  word = __builtin_bswap64(word);
  std::memcpy(p, &word, 8);
}

// Collects pixels 64 at a time, the first in the top bit, and stores each
// completed group as one 64-bit word; runs that cover whole groups are stored
// without being collected. Only groups that lie wholly inside the line are
// stored this way, so nothing past the line's whole bytes is written.
class RowWriter {
 public:
  explicit RowWriter(uint8_t* row) : out_(row) {}

  void Put(int n, bool black) {
    const uint64_t fill = black ? kAllOnes : 0;
    if (used_ + n < 64) {
      if (black)
        word_ |= (kAllOnes >> used_) & ~(kAllOnes >> (used_ + n));
      used_ += n;
      return;
    }
    StoreBigEndian(out_, word_ | (fill >> used_));
    out_ += 8;
    n -= 64 - used_;
    for (; n >= 64; n -= 64, out_ += 8)
      StoreBigEndian(out_, fill);
    used_ = n;
    word_ = n > 0 ? fill & ~(kAllOnes >> n) : 0;
  }

  // Stores the collected pixels that remain: whole bytes, then the leading
  // `partial` bits of one more byte, whose other bits keep their value.
  void Finish(int partial) {
    const int bytes = used_ >> 3;
    for (int b = 0; b < bytes; ++b)
      out_[b] = static_cast<uint8_t>(word_ >> (56 - 8 * b));
    if (partial > 0) {
      const uint8_t mask = kLeadingBits[partial];
      const uint8_t bits = static_cast<uint8_t>(word_ >> (56 - 8 * bytes));
      out_[bytes] = static_cast<uint8_t>((out_[bytes] & ~mask) | (bits & mask));
    }
  }

 private:
  uint8_t* out_;
  uint64_t word_ = 0;
  int used_ = 0;  // pixels collected in word_, fewer than 64
};

}  // namespace

void FaxFillRow(uint8_t* row, int width, const uint32_t* runs, int count) {
  if (width <= 0)
    return;
  RowWriter writer(row);
  int left = width;
  for (int i = 0; i < count && left > 0; ++i) {
    const int n = runs[i] < static_cast<uint32_t>(left) ? static_cast<int>(runs[i]) : left;
    writer.Put(n, i & 1);
    left -= n;
  }
  if (left > 0)
    writer.Put(left, false);  // a line that stops early ends white
  writer.Finish(width & 7);
}

#include "filters/fax_row_fill.h"

#include <cstring>

namespace {

// The leading n bits of a byte.
constexpr uint8_t kLeadingBits[9] = {0x00, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF};

// Sets bits [x0, x1) of whole bytes; x0 < x1.
inline void SetBlack(uint8_t* row, int x0, int x1) {
  int b0 = x0 >> 3;
  const int b1 = x1 >> 3;
  if (b0 == b1) {
    row[b0] |= kLeadingBits[x1 & 7] & static_cast<uint8_t>(~kLeadingBits[x0 & 7]);
    return;
  }
  if (x0 & 7)
    row[b0++] |= static_cast<uint8_t>(~kLeadingBits[x0 & 7]);
  int n = b1 - b0;
  uint8_t* p = row + b0;
  if (n >= 32) {
    std::memset(p, 0xFF, n);
    p += n;
    n = 0;
  }
  for (; n >= 4; n -= 4, p += 4)
    std::memset(p, 0xFF, 4);  // one 32-bit store
  for (; n > 0; --n)
    *p++ = 0xFF;
  if (x1 & 7)
    *p |= kLeadingBits[x1 & 7];
}

}  // namespace

void FaxFillRow(uint8_t* row, int width, const uint32_t* runs, int count) {
  if (width <= 0)
    return;
  const int whole = width >> 3;  // bytes entirely inside the line
  const int whole_bits = whole << 3;
  std::memset(row, 0, whole);
  uint8_t tail = 0;  // the line's pixels in the partly used last byte
  int x = 0;
  for (int i = 0; i < count && x < width; ++i) {
    const int run =
        runs[i] < static_cast<uint32_t>(width - x) ? static_cast<int>(runs[i]) : width - x;
    if ((i & 1) && run > 0) {
      const int end = x + run;
      if (end > whole_bits) {
        const int from = x > whole_bits ? x - whole_bits : 0;
        tail |= kLeadingBits[end - whole_bits] & static_cast<uint8_t>(~kLeadingBits[from]);
      }
      const int stop = end < whole_bits ? end : whole_bits;
      if (x < stop)
        SetBlack(row, x, stop);
    }
    x += run;
  }
  const int rest = width & 7;
  if (rest)
    row[whole] = static_cast<uint8_t>((row[whole] & ~kLeadingBits[rest]) | tail);
}

#include "filters/fax_row_fill.h"

#include <cstring>

namespace {

// The leading n bits of a byte.
constexpr uint8_t kLeadingBits[9] = {0x00, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF};

constexpr uint64_t kAllOnes = ~uint64_t{0};

// Sets pixels [x0, x1) in words whose first pixel is the top bit; x0 < x1.
inline void SetBlack(uint64_t* words, int x0, int x1) {
  const int w0 = x0 >> 6;
  const int w1 = (x1 - 1) >> 6;
  const uint64_t head = kAllOnes >> (x0 & 63);
  const uint64_t tail = ~((kAllOnes >> ((x1 - 1) & 63)) >> 1);  // pixels up to x1 - 1
  if (w0 == w1) {
    words[w0] |= head & tail;
    return;
  }
  words[w0] |= head;
  for (int w = w0 + 1; w < w1; ++w)
    words[w] = kAllOnes;
  words[w1] |= tail;
}

inline void StoreBigEndian(uint8_t* p, uint64_t word) {
  word = __builtin_bswap64(word);
  std::memcpy(p, &word, 8);
}

}  // namespace

void FaxFillRow(uint8_t* row, int width, const uint32_t* runs, int count, uint64_t* words) {
  if (width <= 0)
    return;
  // The black runs are set in aligned 64-bit words first (white is the cleared
  // words), then the words go to the row as whole bytes.
  std::memset(words, 0, static_cast<size_t>(FaxFillWords(width)) * 8);
  int x = 0;
  for (int i = 0; i < count && x < width; ++i) {
    const uint32_t run = runs[i];
    const int end = run < static_cast<uint32_t>(width - x) ? x + static_cast<int>(run) : width;
    if ((i & 1) && x < end)
      SetBlack(words, x, end);
    x = end;
  }

  const int whole = width >> 3;  // bytes entirely inside the line
  int b = 0;
  for (; b + 8 <= whole; b += 8)
    StoreBigEndian(row + b, words[b >> 3]);
  const int rest = width & 7;
  if (b == whole && rest == 0)
    return;
  const uint64_t last = words[b >> 3];
  for (int i = 0; b + i < whole; ++i)
    row[b + i] = static_cast<uint8_t>(last >> (56 - 8 * i));
  if (rest) {
    const int i = whole - b;
    const uint8_t bits = static_cast<uint8_t>(last >> (56 - 8 * i));
    const uint8_t mask = kLeadingBits[rest];
    row[whole] = static_cast<uint8_t>((row[whole] & ~mask) | (bits & mask));
  }
}

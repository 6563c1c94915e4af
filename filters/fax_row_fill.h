// Packs one decoded fax line into a bitmap row.
#pragma once

#include <cstdint>

// 64-bit words of scratch that FaxFillRow needs for a line of `width` pixels.
inline int FaxFillWords(int width) {
  return width > 0 ? (width + 63) / 64 : 0;
}

// Writes a line given as run lengths that alternate white, black, white, ...
// (white first, possibly 0) into `row`: black as 1 bits, white as 0 bits, the
// first pixel in the most significant bit of the first byte. Exactly `width`
// bits are written: runs that pass the width are cut there, a line that stops
// short of it ends white, and the bits after it in the last byte keep their
// value. `words` is scratch of FaxFillWords(width) words.
void FaxFillRow(uint8_t* row, int width, const uint32_t* runs, int count, uint64_t* words);

// Deterministic input data for decoder tests and benchmarks: text like a page
// content stream, and bilevel pictures (text-like pages, noise, solid fills).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// `size` bytes of PDF page-content-like text (text objects, fonts, positions,
// words from a small vocabulary, some path operators).
std::vector<uint8_t> MakeContentText(size_t size, uint32_t seed);

// A bilevel picture: (width + 7) / 8 bytes per row, top row first, most
// significant bit first, 1 = black. Bits past the width in a row's last byte are 0.
struct Bilevel {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rows;

  int stride() const { return (width + 7) / 8; }
  bool Get(int x, int y) const { return (rows[y * stride() + x / 8] >> (7 - x % 8)) & 1; }
  void Set(int x, int y, bool black);
};

Bilevel MakeBlankPage(int width, int height, bool black);
// Each pixel black with the given probability.
Bilevel MakeNoise(int width, int height, double black_share, uint32_t seed);
// Lines of blocky glyphs inside page margins, like a scanned text page.
Bilevel MakeTextPage(int width, int height, uint32_t seed);

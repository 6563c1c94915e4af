#include "tests/support/synthetic_data.h"

#include <cstdio>
#include <random>
#include <string>

namespace {

unsigned Below(std::mt19937& rng, unsigned n) {
  return static_cast<unsigned>(rng() % n);
}

}  // namespace

std::vector<uint8_t> MakeContentText(size_t size, uint32_t seed) {
  static const char* const kWords[] = {
      "the",    "of",      "and",    "document",  "structure", "page",       "object",  "stream",
      "filter", "decoder", "image",  "reference", "table",     "cross",      "font",    "resource",
      "value",  "number",  "string", "name",      "array",     "dictionary", "catalog", "tree"};
  std::mt19937 rng(seed);
  std::string text;
  text.reserve(size + 256);
  char line[160];
  while (text.size() < size) {
    const int x = 72 + static_cast<int>(rng() % 40);
    const int y = 720 - static_cast<int>(rng() % 600);
    snprintf(line, sizeof(line), "BT\n/F%u %u Tf\n%d %d Td\n(", Below(rng, 4) + 1,
             Below(rng, 6) + 8, x, y);
    text += line;
    const int words = 4 + static_cast<int>(rng() % 10);
    for (int i = 0; i < words; ++i) {
      if (i > 0)
        text += ' ';
      text += kWords[rng() % (sizeof(kWords) / sizeof(kWords[0]))];
    }
    text += ") Tj\nET\n";
    if (rng() % 5 == 0) {
      snprintf(line, sizeof(line), "%u.%u %u.%u m %u %u l S\n", Below(rng, 600), Below(rng, 10),
               Below(rng, 800), Below(rng, 10), Below(rng, 600), Below(rng, 800));
      text += line;
    }
  }
  text.resize(size);
  return std::vector<uint8_t>(text.begin(), text.end());
}

void Bilevel::Set(int x, int y, bool black) {
  uint8_t& byte = rows[y * stride() + x / 8];
  const uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
  byte = black ? (byte | bit) : (byte & ~bit);
}

Bilevel MakeBlankPage(int width, int height, bool black) {
  Bilevel page{width, height, std::vector<uint8_t>(static_cast<size_t>((width + 7) / 8) * height)};
  if (black) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x)
        page.Set(x, y, true);
    }
  }
  return page;
}

Bilevel MakeNoise(int width, int height, double black_share, uint32_t seed) {
  Bilevel page = MakeBlankPage(width, height, false);
  std::mt19937 rng(seed);
  std::bernoulli_distribution black(black_share);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      page.Set(x, y, black(rng));
  }
  return page;
}

namespace {

constexpr int kGlyphW = 5;
constexpr int kGlyphH = 7;
constexpr int kGlyphCount = 40;

// A glyph on a 5 x 7 grid, made of two to four strokes so that runs look like
// those of printed letters rather than noise.
std::vector<uint8_t> MakeGlyph(std::mt19937& rng) {
  std::vector<uint8_t> g(kGlyphW * kGlyphH, 0);
  const int strokes = 2 + static_cast<int>(rng() % 3);
  for (int s = 0; s < strokes; ++s) {
    switch (rng() % 6) {
      case 0:  // left stem
        for (int y = 0; y < kGlyphH; ++y)
          g[y * kGlyphW] = 1;
        break;
      case 1:  // right stem
        for (int y = 0; y < kGlyphH; ++y)
          g[y * kGlyphW + kGlyphW - 1] = 1;
        break;
      case 2: {  // horizontal bar
        const int y = static_cast<int>(rng() % kGlyphH);
        for (int x = 0; x < kGlyphW; ++x)
          g[y * kGlyphW + x] = 1;
        break;
      }
      case 3:  // diagonal
        for (int y = 0; y < kGlyphH; ++y)
          g[y * kGlyphW + y * (kGlyphW - 1) / (kGlyphH - 1)] = 1;
        break;
      case 4:  // bowl
        for (int x = 1; x < kGlyphW - 1; ++x)
          g[2 * kGlyphW + x] = g[(kGlyphH - 1) * kGlyphW + x] = 1;
        for (int y = 2; y < kGlyphH; ++y)
          g[y * kGlyphW] = g[y * kGlyphW + kGlyphW - 1] = 1;
        break;
      default:  // middle stem
        for (int y = 2; y < kGlyphH; ++y)
          g[y * kGlyphW + kGlyphW / 2] = 1;
        break;
    }
  }
  return g;
}

}  // namespace

Bilevel MakeTextPage(int width, int height, uint32_t seed) {
  Bilevel page = MakeBlankPage(width, height, false);
  std::mt19937 rng(seed);
  std::vector<std::vector<uint8_t>> glyphs;
  for (int i = 0; i < kGlyphCount; ++i)
    glyphs.push_back(MakeGlyph(rng));

  // At 300 dpi on A4 (2480 pixels) a glyph is 20 x 28 pixels, a line 42 pixels.
  const int scale = width >= 600 ? width / 600 : 1;
  const int cell_w = (kGlyphW + 1) * scale;
  const int line_h = (kGlyphH * 3 / 2) * scale;
  const int margin_x = width / 10;
  const int margin_y = height / 12;
  for (int top = margin_y; top + kGlyphH * scale < height - margin_y; top += line_h) {
    // Some lines end early, as at the end of a paragraph.
    const int right =
        rng() % 7 == 0 ? margin_x + static_cast<int>(rng() % (width / 2 + 1)) : width - margin_x;
    int x = margin_x;
    while (x + cell_w <= right) {
      const int letters = 2 + static_cast<int>(rng() % 8);
      for (int i = 0; i < letters && x + cell_w <= right; ++i, x += cell_w) {
        const std::vector<uint8_t>& g = glyphs[rng() % kGlyphCount];
        for (int gy = 0; gy < kGlyphH * scale; ++gy) {
          for (int gx = 0; gx < kGlyphW * scale; ++gx) {
            if (g[(gy / scale) * kGlyphW + gx / scale])
              page.Set(x + gx, top + gy, true);
          }
        }
      }
      x += cell_w;  // word space
    }
  }
  return page;
}

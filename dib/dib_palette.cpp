// The gray ramp and the built-in 256-colour palette.
#include "dib/dib_palette.h"

#include <array>

namespace {

constexpr RGBQUAD Rgb(int red, int green, int blue) {
  return RGBQUAD{static_cast<uint8_t>(blue), static_cast<uint8_t>(green), static_cast<uint8_t>(red),
                 0};
}

// The fixed colours at both ends of the palette (the system colours of classic
// display drivers); the middle is a 6-level colour cube followed by grays.
constexpr int kLowFixed = 10;
constexpr int kHighFixed = 10;
constexpr int kCubeLevels = 6;
constexpr int kCubeColours = kCubeLevels * kCubeLevels * kCubeLevels;
constexpr int kMiddleGrays = 256 - kLowFixed - kHighFixed - kCubeColours;

constexpr std::array<RGBQUAD, kLowFixed> kLow = {
    Rgb(0, 0, 0),     Rgb(128, 0, 0),   Rgb(0, 128, 0),     Rgb(128, 128, 0),   Rgb(0, 0, 128),
    Rgb(128, 0, 128), Rgb(0, 128, 128), Rgb(192, 192, 192), Rgb(192, 220, 192), Rgb(166, 202, 240),
};
constexpr std::array<RGBQUAD, kHighFixed> kHigh = {
    Rgb(255, 251, 240), Rgb(160, 160, 164), Rgb(128, 128, 128), Rgb(255, 0, 0),
    Rgb(0, 255, 0),     Rgb(255, 255, 0),   Rgb(0, 0, 255),     Rgb(255, 0, 255),
    Rgb(0, 255, 255),   Rgb(255, 255, 255),
};

constexpr std::array<RGBQUAD, 256> MakePalette() {
  std::array<RGBQUAD, 256> palette{};
  int i = 0;
  for (const RGBQUAD& entry : kLow) {
    palette[i++] = entry;
  }
  constexpr int kStep = 255 / (kCubeLevels - 1);
  for (int r = 0; r < kCubeLevels; ++r) {
    for (int g = 0; g < kCubeLevels; ++g) {
      for (int b = 0; b < kCubeLevels; ++b) {
        palette[i++] = Rgb(r * kStep, g * kStep, b * kStep);
      }
    }
  }
  // Grays between the cube's own, evenly spaced strictly between black and white.
  for (int k = 1; k <= kMiddleGrays; ++k) {
    const int level = k * 255 / (kMiddleGrays + 1);
    palette[i++] = Rgb(level, level, level);
  }
  for (const RGBQUAD& entry : kHigh) {
    palette[i++] = entry;
  }
  return palette;
}

constexpr std::array<RGBQUAD, 256> kPalette = MakePalette();
static_assert(kMiddleGrays == 20);
static_assert(kPalette[7].rgbRed == 192 && kPalette[248].rgbRed == 128);
static_assert(kPalette[255].rgbBlue == 255 && kPalette[255].rgbRed == 255);

// A 4-bit bitmap's colours 8-15 come from entries 248-255.
constexpr int kVgaHighStart = 248;

}  // namespace

const RGBQUAD* DibBuiltinPalette() {
  return kPalette.data();
}

void DibFillGrayRamp(RGBQUAD* table, int entries) {
  if (entries == 1) {
    table[0] = Rgb(0, 0, 0);
    return;
  }
  for (int i = 0; i < entries; ++i) {
    const int level = i * 255 / (entries - 1);
    table[i] = Rgb(level, level, level);
  }
}

void DibFillBuiltinPalette(RGBQUAD* table, int bit_count) {
  if (bit_count == 8) {
    for (int i = 0; i < 256; ++i) {
      table[i] = kPalette[i];
    }
  } else if (bit_count == 4) {
    for (int j = 0; j < 8; ++j) {
      table[j] = kPalette[j];
      table[8 + j] = kPalette[kVgaHighStart + j];
    }
  }
}

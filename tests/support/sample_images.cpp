#include "tests/support/sample_images.h"

#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "tests/support/jpeg_encoder.h"
#include "tests/support/lzw_encoder.h"
#include "tests/support/synthetic_data.h"
#include "tests/support/tiff_oracle.h"
#include "tests/support/zlib_encoder.h"

namespace {

// Smooth pictures stay this close to their source at JPEG quality 95.
constexpr int kJpegTolerance = 12;
constexpr int kJpegQuality = 95;

struct Rgb {
  uint8_t r, g, b;
};

// The sixteen colours of the indexed picture.
constexpr Rgb kPalette[16] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

std::string Bytes(const std::vector<uint8_t>& v) {
  return std::string(v.begin(), v.end());
}

uint8_t Scale(int value, int range, int to) {
  return static_cast<uint8_t>(range > 1 ? value * to / (range - 1) : 0);
}

std::string Header(int width, int height, const std::string& color_space, int bits,
                   const std::string& filter) {
  return "/Type /XObject /Subtype /Image /Width " + std::to_string(width) + " /Height " +
         std::to_string(height) + " /ColorSpace " + color_space + " /BitsPerComponent " +
         std::to_string(bits) + " /Filter /" + filter;
}

std::string ResolutionEntry(SampleImage& image, double x_dpi, double y_dpi) {
  image.x_dpi = x_dpi;
  image.y_dpi = y_dpi;
  char text[64];
  snprintf(text, sizeof text, " /Resolution [%g %g]", x_dpi, y_dpi);
  return text;
}

SampleImage Blank(const char* name, int width, int height) {
  SampleImage image;
  image.name = name;
  image.width = width;
  image.height = height;
  return image;
}

void AddGray(std::vector<uint8_t>& rgb, uint8_t g) {
  rgb.insert(rgb.end(), {g, g, g});
}

// A horizontal ramp with a band in the middle running the other way.
SampleImage Gray8Flate() {
  SampleImage image = Blank("Gray8", 96, 64);
  std::vector<uint8_t> samples;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      uint8_t g = Scale(x, image.width, 255);
      if (y >= 28 && y < 36) {
        g = static_cast<uint8_t>(255 - g);
      }
      samples.push_back(g);
      AddGray(image.rgb, g);
    }
  }
  image.entries = Header(image.width, image.height, "/DeviceGray", 8, "FlateDecode") +
                  ResolutionEntry(image, 72, 72);
  image.data = Deflate(samples, 9);
  return image;
}

// Red across, green down, blue in diagonal stripes.
SampleImage Rgb24Flate() {
  SampleImage image = Blank("Rgb24", 96, 64);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      image.rgb.insert(image.rgb.end(), {Scale(x, image.width, 255), Scale(y, image.height, 255),
                                         static_cast<uint8_t>((x + y) % 64 * 4)});
    }
  }
  image.entries = Header(image.width, image.height, "/DeviceRGB", 8, "FlateDecode") +
                  ResolutionEntry(image, 300, 200);
  image.data = Deflate(image.rgb, 9);
  return image;
}

// A checkerboard with a disc that inverts it; 100 pixels, so rows end mid-byte.
SampleImage Bilevel1Flate() {
  SampleImage image = Blank("Bilevel1", 100, 64);
  const int stride = (image.width + 7) / 8;
  std::vector<uint8_t> rows(static_cast<size_t>(stride) * image.height, 0);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const int dx = x - 50;
      const int dy = y - 32;
      const bool disc = dx * dx + dy * dy < 26 * 26;
      const bool white = (((x / 10) + (y / 10)) % 2 == 0) != disc;
      if (white) {  // 1 is white in a 1-bit gray picture
        rows[y * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
      AddGray(image.rgb, white ? 255 : 0);
    }
  }
  image.entries = Header(image.width, image.height, "/DeviceGray", 1, "FlateDecode");
  image.data = Deflate(rows, 9);
  return image;
}

// Sixteen colour blocks, 4 bits per pixel, with the lookup in its own stream.
SampleImage Indexed4Flate() {
  SampleImage image = Blank("Indexed4", 96, 64);
  std::vector<uint8_t> rows;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; x += 2) {
      const int left = (x / 12 + (y / 32) * 8) % 16;
      const int right = ((x + 1) / 12 + (y / 32) * 8) % 16;
      rows.push_back(static_cast<uint8_t>(left << 4 | right));
      for (int index : {left, right}) {
        image.rgb.insert(image.rgb.end(),
                         {kPalette[index].r, kPalette[index].g, kPalette[index].b});
      }
    }
  }
  for (const Rgb& c : kPalette) {
    image.lookup += static_cast<char>(c.r);
    image.lookup += static_cast<char>(c.g);
    image.lookup += static_cast<char>(c.b);
  }
  image.entries =
      Header(image.width, image.height, "[/Indexed /DeviceRGB 15 LOOKUP]", 4, "FlateDecode");
  image.data = Deflate(rows, 9);
  return image;
}

// Coloured rings around the centre; 90 pixels wide, so rows need padding.
SampleImage RgbLzw() {
  SampleImage image = Blank("RgbLzw", 90, 60);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const int d = static_cast<int>(std::hypot(x - 45, y - 30));
      image.rgb.insert(image.rgb.end(),
                       {static_cast<uint8_t>(d * 8 % 256), static_cast<uint8_t>(255 - d * 8 % 256),
                        Scale(x, image.width, 255)});
    }
  }
  image.entries = Header(image.width, image.height, "/DeviceRGB", 8, "LZWDecode");
  image.data = Bytes(LzwEncode(image.rgb));
  return image;
}

// Text-like fax pages; libtiff's strips hold 1 for black, as the decoder does.
SampleImage Fax(const char* name, FaxCoding coding, int k, uint32_t seed) {
  SampleImage image = Blank(name, 200, 80);
  const Bilevel page = MakeTextPage(image.width, image.height, seed);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      AddGray(image.rgb, page.Get(x, y) ? 0 : 255);
    }
  }
  image.entries = Header(image.width, image.height, "/DeviceGray", 1, "CCITTFaxDecode") +
                  " /DecodeParms << /K " + std::to_string(k) + " /Columns " +
                  std::to_string(image.width) + " /Rows " + std::to_string(image.height) + " >>";
  if (coding == FaxCoding::kG4) {
    image.entries += ResolutionEntry(image, 200, 200);
  }
  image.data = Bytes(TiffRawStrip(TiffWriteFax(page.rows, image.width, image.height, coding)));
  return image;
}

// Smooth gradients, which JPEG keeps close.
SampleImage Jpeg(const char* name, int components) {
  SampleImage image = Blank(name, 80, 64);
  image.tolerance = kJpegTolerance;
  std::vector<uint8_t> samples;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (components == 1) {
        const auto g =
            static_cast<uint8_t>(40 + Scale(x, image.width, 120) + Scale(y, image.height, 80));
        samples.push_back(g);
        AddGray(image.rgb, g);
      } else {
        const uint8_t px[3] = {static_cast<uint8_t>(30 + Scale(x, image.width, 180)),
                               static_cast<uint8_t>(30 + Scale(y, image.height, 180)),
                               static_cast<uint8_t>(200 - Scale(x, image.width, 100))};
        samples.insert(samples.end(), px, px + 3);
        image.rgb.insert(image.rgb.end(), px, px + 3);
      }
    }
  }
  // The colour picture's JFIF density is replaced by its Resolution entry.
  const JpegEncoding encoding{.quality = kJpegQuality, .x_dpi = 96, .y_dpi = 96};
  image.data = Bytes(JpegEncode(samples.data(), image.width, image.height, components, encoding));
  image.entries = Header(image.width, image.height, components == 1 ? "/DeviceGray" : "/DeviceRGB",
                         8, "DCTDecode");
  if (components == 3) {
    image.entries += ResolutionEntry(image, 150, 150);
  }
  return image;
}

}  // namespace

std::string SampleImage::Entries(int lookup_number) const {
  std::string text = entries;
  const size_t at = text.find("LOOKUP");
  if (at != std::string::npos) {
    text.replace(at, 6, std::to_string(lookup_number) + " 0 R");
  }
  return text;
}

std::vector<SampleImage> MakeSampleImages() {
  std::vector<SampleImage> images;
  images.push_back(Gray8Flate());
  images.push_back(Rgb24Flate());
  images.push_back(Bilevel1Flate());
  images.push_back(Indexed4Flate());
  images.push_back(RgbLzw());
  images.push_back(Fax("FaxG4", FaxCoding::kG4, -1, 7));
  images.push_back(Fax("FaxG3", FaxCoding::kG3OneD, 0, 8));
  images.push_back(Jpeg("JpegGray", 1));
  images.push_back(Jpeg("JpegRgb", 3));
  return images;
}

// Image streams through ToDib: colour-space classification, decoder choice, the
// red-blue exchange, the diagnostic dump and the resolution.
#include <gtest/gtest.h>

#include <climits>

#include "jpeg/pixdec.h"
#include "tests/filters/image_fixture.h"
#include "tests/support/jpeg_encoder.h"

namespace {

class ImageStreamTest : public ImageTest {};

TEST_F(ImageStreamTest, RedPixelBecomesBlueGreenRedBytes) {
  // 2 x 1 RGB: red, then green.
  const std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0};
  OwnedDib dib(Image(Name("FlateDecode"), Name("DeviceRGB"), 2, 1, 8, Deflate(rgb))->ToDib());
  ASSERT_TRUE(dib);
  EXPECT_EQ(dib->biBitCount, 24);
  EXPECT_EQ(dib.Row(0, 6), (std::vector<uint8_t>{0, 0, 255, 0, 255, 0}));
  EXPECT_TRUE(sinks.errors.empty());
}

TEST_F(ImageStreamTest, FlatePicturesMatchTheirSource) {
  struct Case {
    const char* name;
    const char* color_space;
    int bits;
    int width;
    int height;
    int expect_depth;
    size_t row_bytes;  // of the source
    int samples;       // per pixel, for the red-blue exchange (3) or not (0)
  };
  const Case cases[] = {
      {"8-bit gray, padded rows", "DeviceGray", 8, 5, 4, 8, 5, 0},
      {"8-bit gray, unpadded rows", "DeviceGray", 8, 8, 3, 8, 8, 0},
      {"1-bit gray", "DeviceGray", 1, 21, 6, 1, 3, 0},
      {"4-bit gray", "DeviceGray", 4, 7, 3, 4, 4, 0},
      {"16-bit gray", "DeviceGray", 16, 3, 3, 16, 6, 0},
      {"8-bit RGB", "DeviceRGB", 8, 5, 3, 24, 15, 3},
      {"8-bit CMYK", "DeviceCMYK", 8, 3, 2, 32, 12, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> source = Pattern(c.row_bytes * c.height, c.width);
    std::vector<uint8_t> expect = source;
    if (c.samples == 3) {
      for (size_t i = 0; i + 2 < expect.size(); i += 3) {
        std::swap(expect[i], expect[i + 2]);
      }
    }
    OwnedDib dib(
        Image(Name("FlateDecode"), Name(c.color_space), c.width, c.height, c.bits, Deflate(source))
            ->ToDib());
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->biBitCount, c.expect_depth);
    EXPECT_EQ(dib->biWidth, c.width);
    EXPECT_EQ(dib->biHeight, c.height);
    EXPECT_EQ(dib.Rows(c.row_bytes), expect);
    EXPECT_TRUE(sinks.errors.empty());
  }
}

TEST_F(ImageStreamTest, ColorKindsGiveTheirTableAndMarks) {
  const std::vector<uint8_t> zero(16, 0);
  OwnedDib bilevel(
      Image(Name("FlateDecode"), Name("DeviceGray"), 8, 2, 1, Deflate({0x0F, 0xF0}))->ToDib());
  ASSERT_TRUE(bilevel);
  const RGBQUAD* table = BmiColorTable(bilevel.bmi());
  EXPECT_EQ(table[0].rgbRed + table[0].rgbGreen + table[0].rgbBlue, 0);
  EXPECT_EQ(table[1].rgbRed + table[1].rgbGreen + table[1].rgbBlue, 3 * 255);

  OwnedDib gray(Image(Name("FlateDecode"), Name("DeviceGray"), 4, 4, 8, Deflate(zero))->ToDib());
  ASSERT_TRUE(gray);
  EXPECT_EQ(BmiColorTable(gray.bmi())[128].rgbGreen, 128);

  OwnedDib cmyk(Image(Name("FlateDecode"), Name("DeviceCMYK"), 2, 2, 8, Deflate(zero))->ToDib());
  ASSERT_TRUE(cmyk);
  EXPECT_EQ(cmyk->biCompression, BI_CMYK);
  EXPECT_EQ(BmiColorClass(cmyk.bmi()), kDibCmyk4);
}

TEST_F(ImageStreamTest, FlateDataForHalfTheRowsFillTheTop) {
  struct Case {
    const char* name;
    const char* color_space;
    int bits;
    size_t row_bytes;
    uint8_t blank;
  };
  // 1-bit gray is bilevel: blank rows are white (1 bits); gray rows are 0.
  const Case cases[] = {
      {"8-bit gray", "DeviceGray", 8, 6, 0x00},
      {"1-bit gray", "DeviceGray", 1, 1, 0xFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int height = 6;
    const std::vector<uint8_t> half = Pattern(c.row_bytes * height / 2, 7);
    OwnedDib dib(
        Image(Name("FlateDecode"), Name(c.color_space), 6, height, c.bits, Deflate(half))->ToDib());
    ASSERT_TRUE(dib);
    std::vector<uint8_t> expect = half;
    expect.resize(c.row_bytes * height, c.blank);
    EXPECT_EQ(dib.Rows(c.row_bytes), expect);
    EXPECT_TRUE(sinks.errors.empty());
  }
}

TEST_F(ImageStreamTest, FlateFailuresFreeTheBitmap) {
  const std::vector<uint8_t> rows = Pattern(4 * 4, 3);
  const std::string packed = Deflate(rows);
  std::vector<uint8_t> more = rows;
  more.resize(rows.size() + 4, 9);
  struct Case {
    const char* name;
    std::string raw;
  };
  const Case cases[] = {
      {"more rows than Height", Deflate(more)},
      {"data stop before their end", packed.substr(0, packed.size() - 5)},
      {"not zlib", "definitely not deflated"},
      {"no data", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    const int live = DibLiveCount();
    EXPECT_EQ(Image(Name("FlateDecode"), Name("DeviceGray"), 4, 4, 8, c.raw)->ToDib(), nullptr);
    EXPECT_EQ(sinks.errors, std::vector<std::string>{"flate decoding error"});
    EXPECT_EQ(DibLiveCount(), live);
  }
}

TEST_F(ImageStreamTest, FiltersOtherThanTheFourNamesAreRefused) {
  const std::string packed = Deflate(std::vector<uint8_t>(16, 1));
  struct Case {
    const char* name;
    pdf::Object* filter;
    const char* message;
  };
  const Case cases[] = {
      {"array of one name", Array({Name("FlateDecode")}), "can't decode /Filter <array>"},
      {"no filter", nullptr, "can't decode /Filter null"},
      {"another filter", Name("RunLengthDecode"), "can't decode /Filter RunLengthDecode"},
      {"a string", String("FlateDecode"), "can't decode /Filter FlateDecode"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    EXPECT_EQ(Image(c.filter, Name("DeviceGray"), 4, 4, 8, packed)->ToDib(), nullptr);
    EXPECT_EQ(sinks.errors, std::vector<std::string>{c.message});
  }
}

TEST_F(ImageStreamTest, UnknownColorSpacesAreRefused) {
  const std::string packed = Deflate(std::vector<uint8_t>(16, 1));
  struct Case {
    const char* name;
    pdf::Object* color_space;
    const char* message;
  };
  const Case cases[] = {
      {"missing", nullptr, "can't get image, colorspace=null"},
      {"another name", Name("CalRGB"), "can't get image, colorspace=CalRGB"},
      {"a dictionary", Dict({{"N", Number(3)}}), "can't get image, colorspace=<dict>"},
      {"a number", Number(3), "can't get image, colorspace=3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    EXPECT_EQ(Image(Name("FlateDecode"), c.color_space, 4, 4, 8, packed)->ToDib(), nullptr);
    EXPECT_EQ(sinks.errors, std::vector<std::string>{c.message});
  }
}

TEST_F(ImageStreamTest, ColorSpaceClassification) {
  struct Case {
    const char* name;
    pdf::Object* color_space;
    int bits;
    int kind;
    int depth;
  };
  const Case cases[] = {
      {"gray 1 is bilevel", Name("DeviceGray"), 1, kDibBilevel, 1},
      {"gray 8", Name("DeviceGray"), 8, kDibGray, 8},
      {"RGB 8", Name("DeviceRGB"), 8, kDibRgb, 24},
      {"RGB 16", Name("DeviceRGB"), 16, kDibRgb, 48},
      {"CMYK 16 asks for 64", Name("DeviceCMYK"), 16, kDibCmyk4, 64},
      {"any array is a palette", Array({Name("ICCBased")}), 4, kDibPalette, 4},
      {"no bits: the kind's default", Name("DeviceRGB"), 0, kDibRgb, 0},
      {"negative bits", Name("DeviceCMYK"), -8, kDibCmyk4, 0},
      {"huge bits are capped", Name("DeviceCMYK"), INT_MAX, kDibCmyk4, kMaxRequestedDepth},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ImageRequest request;
    ASSERT_TRUE(ClassifyColorSpace(c.color_space, c.bits, &request));
    EXPECT_EQ(request.kind, c.kind);
    EXPECT_EQ(request.depth, c.depth);
  }
  ImageRequest request;
  EXPECT_FALSE(ClassifyColorSpace(Name("Indexed"), 8, &request));
}

TEST_F(ImageStreamTest, ResolutionIsStoredAndTraced) {
  struct Case {
    const char* name;
    pdf::Object* resolution;
    int xppm;
    int yppm;
    const char* trace;
  };
  const Case cases[] = {
      {"300 x 200", Array({Number(300), Number(200)}), 11811, 7874,
       "Restore resolution: 300.000 x 200.000 DPI"},
      {"fractional", Array({Number(72.5), Number(96)}), 2854, 3780,
       "Restore resolution: 72.500 x 96.000 DPI"},
      {"three numbers", Array({Number(300), Number(200), Number(1)}), 0, 0,
       "Restore resolution: 0.000 x 0.000 DPI"},
      {"a number", Number(300), 0, 0, "Restore resolution: 0.000 x 0.000 DPI"},
      {"missing", nullptr, 0, 0, "Restore resolution: 0.000 x 0.000 DPI"},
  };
  const std::string packed = Deflate(std::vector<uint8_t>(4, 0x55));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    pdf::Dictionary* image = Image(Name("FlateDecode"), Name("DeviceGray"), 2, 2, 8, packed);
    if (c.resolution != nullptr) {
      image->Set("Resolution", c.resolution);
    }
    OwnedDib dib(image->ToDib());
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->biXPelsPerMeter, c.xppm);
    EXPECT_EQ(dib->biYPelsPerMeter, c.yppm);
    ASSERT_FALSE(sinks.traces.empty());
    EXPECT_EQ(sinks.traces.back(), c.trace);
  }
}

TEST_F(ImageStreamTest, DiagnosticDumpShowsTheHeaderBeforeTheResolution) {
  pdf::Dictionary* image =
      Image(Name("FlateDecode"), Name("DeviceRGB"), 3, 2, 8, Deflate(std::vector<uint8_t>(18, 7)));
  image->Set("Resolution", Array({Number(300), Number(200)}));
  OwnedDib dib(image->ToDib());
  ASSERT_TRUE(dib);
  EXPECT_EQ(Joined(sinks.traces),
            "..DibFromStream:\n"
            "    Width:       3\n"
            "    Height:      2\n"
            "    Bitcount:    24\n"
            "    Compression: 0\n"
            "    XPPM:        0 (0 dpi)\n"
            "    YPPM:        0 (0 dpi)\n"
            "    ClrUsed:     0\n"
            "Restore resolution: 300.000 x 200.000 DPI\n");
  // The texts reach the sink one line at a time.
  EXPECT_EQ(sinks.traces.size(), 9u);
}

// Gray or colour samples that vary smoothly (up to 7 rows), so quality 95 keeps
// them close.
std::vector<uint8_t> SmoothPicture(int width, int height, int components) {
  std::vector<uint8_t> samples;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < components; ++c) {
        samples.push_back(static_cast<uint8_t>(x * 150 / width + y * 4 + c * 30));
      }
    }
  }
  return samples;
}

int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  int largest = a.size() == b.size() ? 0 : 256;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    largest = std::max(largest, std::abs(a[i] - b[i]));
  }
  return largest;
}

// Quality 95 with full chroma keeps smooth samples this close.
constexpr int kJpegTolerance = 8;

TEST_F(ImageStreamTest, JpegWithoutResolutionIsTheLibraryResultWithResolutionZero) {
  const int width = 19;
  const int height = 7;
  const std::vector<uint8_t> gray = SmoothPicture(width, height, 1);
  const std::vector<uint8_t> jpeg = JpegEncode(
      gray.data(), width, height, 1, JpegEncoding{.quality = 95, .x_dpi = 72, .y_dpi = 72});
  ASSERT_FALSE(jpeg.empty());
  OwnedDib direct(PIXDEC_DibFromBuffer(jpeg.data(), static_cast<int>(jpeg.size())));
  ASSERT_TRUE(direct);
  ASSERT_NE(direct->biXPelsPerMeter, 0);  // the JFIF density

  OwnedDib dib(
      Image(Name("DCTDecode"), Name("DeviceGray"), width, height, 8, AsString(jpeg))->ToDib());
  ASSERT_TRUE(dib);
  BITMAPINFOHEADER expect = *direct.bmi();
  expect.biXPelsPerMeter = 0;
  expect.biYPelsPerMeter = 0;
  EXPECT_EQ(std::memcmp(dib.bmi(), &expect, sizeof expect), 0);
  const size_t table = BmiColorTableSize(&expect);
  EXPECT_EQ(std::memcmp(BmiColorTable(dib.bmi()), BmiColorTable(direct.bmi()), table), 0);
  EXPECT_EQ(dib.Rows(width), direct.Rows(width));
  EXPECT_LE(LargestDifference(dib.Rows(width), gray), kJpegTolerance);
  EXPECT_EQ(sinks.traces.back(), "Restore resolution: 0.000 x 0.000 DPI");
}

TEST_F(ImageStreamTest, JpegColourKeepsTheLibraryByteOrder) {
  const int width = 16;
  const int height = 5;
  const std::vector<uint8_t> rgb = SmoothPicture(width, height, 3);
  std::vector<uint8_t> bgr = rgb;
  for (size_t i = 0; i < bgr.size(); i += 3) {
    std::swap(bgr[i], bgr[i + 2]);
  }
  const std::vector<uint8_t> jpeg = JpegEncode(rgb.data(), width, height, 3);
  pdf::Dictionary* image =
      Image(Name("DCTDecode"), Name("DeviceRGB"), width, height, 8, AsString(jpeg));
  image->Set("Resolution", Array({Number(150), Number(150)}));
  OwnedDib dib(image->ToDib());
  ASSERT_TRUE(dib);
  EXPECT_EQ(dib->biBitCount, 24);
  EXPECT_LE(LargestDifference(dib.Rows(3 * width), bgr), kJpegTolerance);
  EXPECT_EQ(dib->biXPelsPerMeter, 5906);
}

TEST_F(ImageStreamTest, JpegSizeComesFromTheDataNotTheDictionary) {
  const std::vector<uint8_t> gray = SmoothPicture(8, 8, 1);
  const std::vector<uint8_t> jpeg = JpegEncode(gray.data(), 8, 8, 1);
  OwnedDib dib(Image(Name("DCTDecode"), Name("DeviceGray"), 5000, 3, 8, AsString(jpeg))->ToDib());
  ASSERT_TRUE(dib);
  EXPECT_EQ(dib->biWidth, 8);
  EXPECT_EQ(dib->biHeight, 8);
}

TEST_F(ImageStreamTest, BrokenJpegIsReported) {
  const std::vector<uint8_t> gray = SmoothPicture(8, 8, 1);
  const std::vector<uint8_t> jpeg = JpegEncode(gray.data(), 8, 8, 1);
  const std::string cut = AsString(jpeg).substr(0, 20);
  EXPECT_EQ(Image(Name("DCTDecode"), Name("DeviceGray"), 8, 8, 8, cut)->ToDib(), nullptr);
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"PDF JPEG decode failed."});
}

TEST_F(ImageStreamTest, HostileSizesNeverOverflow) {
  const std::string packed = Deflate(std::vector<uint8_t>(64, 0xAA));
  struct Case {
    const char* name;
    int width;
    int height;
    int bits;
    const char* error;  // null: a bitmap comes back
  };
  const Case cases[] = {
      {"width and height INT_MAX", INT_MAX, INT_MAX, 8, "PDF BmiCreateDib failed."},
      {"10^5 square", 100000, 100000, 8, "PDF BmiCreateDib failed."},
      {"wide row of huge bits", INT_MAX, 1, INT_MAX, "PDF BmiCreateDib failed."},
      {"negative width: no bytes per row", -5, 4, 8, "flate decoding error"},
      {"negative height: no rows", 4, -5, 8, "flate decoding error"},
      {"zero height", 4, 0, 8, "flate decoding error"},
      {"negative bits take the default depth", 8, 8, -8, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    const int live = DibLiveCount();
    {
      OwnedDib dib(Image(Name("FlateDecode"), Name("DeviceGray"), c.width, c.height, c.bits, packed)
                       ->ToDib());
      if (c.error == nullptr) {
        ASSERT_TRUE(dib);
        EXPECT_EQ(dib->biBitCount, 8);
        EXPECT_EQ(dib.Rows(8), std::vector<uint8_t>(64, 0xAA));
        EXPECT_TRUE(sinks.errors.empty());
      } else {
        EXPECT_FALSE(dib);
        EXPECT_EQ(sinks.errors, std::vector<std::string>{c.error});
      }
    }
    EXPECT_EQ(DibLiveCount(), live);
  }
}

TEST_F(ImageStreamTest, IndexedFlatePictureGetsItsPalette) {
  const std::string rows = Deflate({0, 1, 1, 0});
  pdf::Dictionary* lookup = Stream(std::string("\xFF\x00\x00\x00\x00\xFF", 6));
  pdf::Dictionary* image =
      Image(Name("FlateDecode"), Array({Name("Indexed"), Name("DeviceRGB"), Number(1), lookup}), 2,
            2, 8, rows);
  OwnedDib dib(image->ToDib());
  ASSERT_TRUE(dib);
  EXPECT_EQ(dib->biBitCount, 8);
  EXPECT_EQ(dib.Rows(2), (std::vector<uint8_t>{0, 1, 1, 0}));
  const RGBQUAD* table = BmiColorTable(dib.bmi());
  EXPECT_EQ(table[0].rgbRed, 255);
  EXPECT_EQ(table[0].rgbBlue, 0);
  EXPECT_EQ(table[1].rgbRed, 0);
  EXPECT_EQ(table[1].rgbBlue, 255);
  EXPECT_TRUE(sinks.errors.empty());
}

}  // namespace

namespace {

class ImageStreamFuzzTest : public ImageTest {};

// Every decoder with every colour space and a spread of sizes over random and
// truncated data: a missing bitmap is always explained, and none is leaked.
// Run under the sanitizers, this is where an out-of-bounds write would show.
TEST_F(ImageStreamFuzzTest, RandomDataNeverEscapeTheBitmap) {
  const char* filters[] = {"FlateDecode", "LZWDecode", "CCITTFaxDecode", "DCTDecode"};
  const char* spaces[] = {"DeviceGray", "DeviceRGB", "DeviceCMYK", nullptr};
  const int bits[] = {1, 2, 4, 8, 16};
  const int sizes[][2] = {{1, 1}, {3, 7}, {17, 5}, {33, 2}};
  const std::string flate = Deflate(Pattern(600, 3));
  uint32_t seed = 1;
  for (const char* filter : filters) {
    for (const char* space : spaces) {
      for (int b : bits) {
        for (const auto& size : sizes) {
          SCOPED_TRACE(std::string(filter) + " " + (space ? space : "indexed") + " " +
                       std::to_string(b) + " bits " + std::to_string(size[0]) + "x" +
                       std::to_string(size[1]));
          for (const std::string& raw :
               {AsString(Pattern(97, seed++)), flate, flate.substr(0, flate.size() / 3)}) {
            sinks.Clear();
            pdf::Object* color_space =
                space != nullptr
                    ? Name(space)
                    : Array({Name("Indexed"), Name("DeviceRGB"), Number(255), Stream("\x01\x02")});
            const int live = DibLiveCount();
            HDIB dib = Image(Name(filter), color_space, size[0], size[1], b, raw)->ToDib();
            if (dib == nullptr) {
              EXPECT_FALSE(sinks.errors.empty());
            }
            DibFree(dib);
            EXPECT_EQ(DibLiveCount(), live);
          }
        }
      }
    }
  }
}

}  // namespace

namespace {

class ImageWithoutDataTest : public ImageTest {};

TEST_F(ImageWithoutDataTest, APlainDictionaryHasNoDataToDecode) {
  struct Case {
    const char* filter;
    bool bitmap;  // LZW and CCITT keep a blank picture; Flate and JPEG fail
  };
  const Case cases[] = {
      {"FlateDecode", false}, {"LZWDecode", true}, {"CCITTFaxDecode", true}, {"DCTDecode", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    sinks.Clear();
    pdf::Object* dict = Dict({{"Width", Number(8)},
                              {"Height", Number(2)},
                              {"BitsPerComponent", Number(1)},
                              {"ColorSpace", Name("DeviceGray")},
                              {"Filter", Name(c.filter)}});
    OwnedDib dib(dict->AsDictionary()->ToDib());
    EXPECT_EQ(static_cast<bool>(dib), c.bitmap);
    if (dib) {
      EXPECT_EQ(dib.Rows(1), (std::vector<uint8_t>{0xFF, 0xFF}));  // white
    } else {
      EXPECT_EQ(sinks.errors.size(), 1u);
    }
  }
}

}  // namespace

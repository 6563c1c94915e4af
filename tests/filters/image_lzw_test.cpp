// LZW images: packed rows spread to padded rows and put into picture order.
#include <gtest/gtest.h>

#include "tests/filters/image_fixture.h"
#include "tests/support/lzw_encoder.h"
#include "tests/support/tiff_oracle.h"

namespace {

class ImageLzwTest : public ImageTest {
 protected:
  static std::string Lzw(const std::vector<uint8_t>& data) { return AsString(LzwEncode(data)); }
  // libtiff's encoder: a TIFF LZW strip is an LZWDecode stream.
  static std::string TiffLzw(const std::vector<uint8_t>& data) {
    return AsString(TiffRawStrip(TiffWriteLzw(data.data(), data.size())));
  }
  static HDIB Decode(int depth, int width, int height, int kind, const std::string& raw) {
    return LzwDibFromData(depth, width, height, kind, reinterpret_cast<const uint8_t*>(raw.data()),
                          static_cast<int>(raw.size()));
  }
};

TEST_F(ImageLzwTest, RowsAreInPictureOrderWithAndWithoutPadding) {
  struct Case {
    const char* name;
    const char* color_space;
    int bits;
    int width;
    int height;
    size_t row_bytes;
    size_t rgb_sample;  // bytes per sample of an RGB picture (first and third exchange)
    bool tiff;
  };
  const Case cases[] = {
      {"gray width 4: rows need no spreading", "DeviceGray", 8, 4, 5, 4, 0, false},
      {"gray width 5: rows spread", "DeviceGray", 8, 5, 5, 5, 0, false},
      {"gray width 5, libtiff's encoder", "DeviceGray", 8, 5, 7, 5, 0, true},
      {"gray 1 bit, width 9", "DeviceGray", 1, 9, 6, 2, 0, false},
      {"gray 4 bits, width 3", "DeviceGray", 4, 3, 4, 2, 0, false},
      {"RGB width 3", "DeviceRGB", 8, 3, 4, 9, 1, true},
      {"RGB 16 bits becomes 48 bits", "DeviceRGB", 16, 3, 2, 18, 2, false},
      {"CMYK 8 bits", "DeviceCMYK", 8, 3, 3, 12, 0, false},
      {"a large picture with clear codes", "DeviceGray", 8, 301, 97, 301, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    const std::vector<uint8_t> source = Pattern(c.row_bytes * c.height, c.width * 31 + c.height);
    std::vector<uint8_t> expect = source;
    for (size_t i = 0; c.rgb_sample > 0 && i < expect.size(); i += 3 * c.rgb_sample) {
      std::swap_ranges(&expect[i], &expect[i] + c.rgb_sample, &expect[i + 2 * c.rgb_sample]);
    }
    const std::string raw = c.tiff ? TiffLzw(source) : Lzw(source);
    OwnedDib dib(
        Image(Name("LZWDecode"), Name(c.color_space), c.width, c.height, c.bits, raw)->ToDib());
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib.Rows(c.row_bytes), expect);
    EXPECT_TRUE(sinks.errors.empty());
  }
}

TEST_F(ImageLzwTest, SixteenBitRgbSamplesExchangeAsPairs) {
  // One pixel: red 0x0102, green 0x0304, blue 0x0506.
  const std::vector<uint8_t> source = {1, 2, 3, 4, 5, 6};
  OwnedDib dib(Image(Name("LZWDecode"), Name("DeviceRGB"), 1, 1, 16, Lzw(source))->ToDib());
  ASSERT_TRUE(dib);
  EXPECT_EQ(dib->biBitCount, 48);
  EXPECT_EQ(dib.Row(0, 6), (std::vector<uint8_t>{5, 6, 3, 4, 1, 2}));
}

TEST_F(ImageLzwTest, UndecodedRowsAreBlankAndPaddingIsDeterministic) {
  struct Case {
    const char* name;
    int depth;
    int kind;
    int width;
    size_t row_bytes;
    uint8_t blank;
  };
  const Case cases[] = {
      {"gray", 8, kDibGray, 5, 5, 0x00},
      {"bilevel is white", 1, kDibBilevel, 12, 2, 0xFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int height = 6;
    // Two and a half rows of data.
    const std::vector<uint8_t> part = Pattern(c.row_bytes * 5 / 2, 3);
    OwnedDib dib(Decode(c.depth, c.width, height, c.kind, Lzw(part)));
    ASSERT_TRUE(dib);
    std::vector<uint8_t> expect = part;
    expect.resize(c.row_bytes * height, c.blank);
    EXPECT_EQ(dib.Rows(c.row_bytes), expect);
    const size_t padding = static_cast<size_t>(BmiRowBytes(dib.bmi())) - c.row_bytes;
    EXPECT_EQ(dib.Padding(c.row_bytes), std::vector<uint8_t>(padding * height, c.blank));
  }
}

TEST_F(ImageLzwTest, BrokenDataKeepWhatWasDecoded) {
  // 65, 66, then code 300, far above the next free code.
  LzwCodeWriter codes;
  codes.Put({kLzwClear, 65, 66, 300, kLzwEnd});
  const std::vector<uint8_t> raw = codes.Bytes();
  OwnedDib dib(Decode(8, 4, 2, kDibGray, AsString(raw)));
  ASSERT_TRUE(dib);
  EXPECT_EQ(dib.Rows(4), (std::vector<uint8_t>{65, 66, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"LZWDecode: Invalid LZW stream"});
}

TEST_F(ImageLzwTest, MoreDataThanThePictureStopAtItsEnd) {
  const std::vector<uint8_t> source = Pattern(5 * 4, 9);
  OwnedDib dib(Decode(8, 5, 3, kDibGray, Lzw(source)));
  ASSERT_TRUE(dib);
  EXPECT_EQ(dib.Rows(5), std::vector<uint8_t>(source.begin(), source.begin() + 15));
  EXPECT_EQ(dib.Padding(5), std::vector<uint8_t>(3 * 3, 0));
}

TEST_F(ImageLzwTest, DepthsTheBitmapCannotHoldAreRefused) {
  struct Case {
    const char* name;
    const char* color_space;
    int bits;
  };
  // 16-bit CMYK asks for 64 bits and 32-bit RGB for 96; both become 24-bit
  // bitmaps whose rows are too short for the packed rows.
  const Case cases[] = {
      {"16-bit CMYK", "DeviceCMYK", 16},
      {"32-bit RGB", "DeviceRGB", 32},
      {"huge bits", "DeviceGray", 1 << 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    const int live = DibLiveCount();
    const std::vector<uint8_t> source = Pattern(8 * 3 * 3, 1);
    EXPECT_EQ(Image(Name("LZWDecode"), Name(c.color_space), 3, 3, c.bits, Lzw(source))->ToDib(),
              nullptr);
    EXPECT_EQ(sinks.errors, std::vector<std::string>{"PDF BmiCreateDib failed."});
    EXPECT_EQ(DibLiveCount(), live);
  }
}

TEST_F(ImageLzwTest, DepthsThatGrowStayInsideTheirRows) {
  // 4-bit RGB asks for 12 bits and gets a 24-bit bitmap: the packed rows are
  // shorter than the bitmap's, and land unchanged at the start of each row.
  const std::vector<uint8_t> source = Pattern(5 * 3, 4);  // (12 * 3 + 7) / 8 = 5 bytes
  OwnedDib dib(Decode(12, 3, 3, kDibRgb, Lzw(source)));
  ASSERT_TRUE(dib);
  EXPECT_EQ(dib->biBitCount, 24);
  EXPECT_EQ(dib.Rows(5), source);
}

TEST_F(ImageLzwTest, MissingBitsUseTheBitmapsDepth) {
  const std::vector<uint8_t> source = Pattern(3 * 2, 2);
  OwnedDib dib(Image(Name("LZWDecode"), Name("DeviceGray"), 3, 2, 0, Lzw(source))->ToDib());
  ASSERT_TRUE(dib);
  EXPECT_EQ(dib->biBitCount, 8);
  EXPECT_EQ(dib.Rows(3), source);
}

TEST_F(ImageLzwTest, HostileSizes) {
  const std::string raw = Lzw(Pattern(64, 1));
  struct Case {
    const char* name;
    int depth;
    int width;
    int height;
    bool bitmap;
  };
  const Case cases[] = {
      {"negative width", 1, -7, 3, true},
      {"negative height", 8, 3, -7, true},
      {"INT_MAX square", 1, INT32_MAX, INT32_MAX, false},
      {"INT_MAX wide at 8 bits", 8, INT32_MAX, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    OwnedDib dib(Decode(c.depth, c.width, c.height, c.depth == 1 ? kDibBilevel : kDibGray, raw));
    EXPECT_EQ(static_cast<bool>(dib), c.bitmap);
    if (!c.bitmap) {
      EXPECT_EQ(sinks.errors, std::vector<std::string>{"PDF BmiCreateDib failed."});
    }
  }
}

}  // namespace

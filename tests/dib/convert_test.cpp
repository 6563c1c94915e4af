#include <gtest/gtest.h>

#include <vector>

#include "dib/dib.h"
#include "tests/dib/dib_test_util.h"

namespace {

struct ConvertCase {
  const char* name;
  int src_depth;
  int src_kind;
  std::vector<uint8_t> src_row;  // top row; the second row is its reverse
  int kind;
  int depth;
  int expect_bits;
  std::vector<uint8_t> expect_row;
};

std::vector<uint8_t> PixelsReversed(const std::vector<uint8_t>& row, size_t pixel_bytes) {
  std::vector<uint8_t> out;
  for (size_t p = row.size() / pixel_bytes; p-- > 0;) {
    out.insert(out.end(), row.begin() + p * pixel_bytes, row.begin() + (p + 1) * pixel_bytes);
  }
  return out;
}

TEST(DibConvertToFormat, ViewerConversions) {
  const ConvertCase cases[] = {
      // 16-bit samples are stored most significant byte first, as the file gives them.
      {"gray16 to gray8",
       16,
       kDibGray,
       {0xAB, 0x12, 0x00, 0xFF, 0xFF, 0x00},
       kDibGray,
       0,
       8,
       {0xAB, 0x00, 0xFF}},
      {"rgb48 to rgb24",
       48,
       kDibRgb,
       {0x10, 0x01, 0x20, 0x02, 0x30, 0x03, 0xF0, 0xFF, 0x00, 0xFF, 0x80, 0x7F},
       kDibRgb,
       24,
       24,
       {0x10, 0x20, 0x30, 0xF0, 0x00, 0x80}},
      {"cmyk32 to rgb24",
       32,
       kDibCmyk4,
       {0, 0, 0, 0, 255, 0, 0, 0, 10, 20, 30, 40, 200, 100, 0, 100},
       kDibRgb,
       0,
       24,
       // blue, green, red in memory
       {255, 255, 255, 255, 255, 0, 185, 195, 205, 155, 55, 0}},
      {"cmyk24 to rgb24",
       24,
       kDibCmyk,
       {0, 0, 0, 255, 128, 1},
       kDibRgb,
       24,
       24,
       {255, 255, 255, 254, 127, 0}},
      {"cmyk48 to rgb24",
       48,
       kDibCmyk,
       {0xFF, 0x00, 0x80, 0x00, 0x00, 0xFF},
       kDibRgb,
       24,
       24,
       {0xFF, 0x7F, 0x00}},
      {"rgb24 to rgb24 copies",
       24,
       kDibRgb,
       {1, 2, 3, 4, 5, 6},
       kDibRgb,
       24,
       24,
       {1, 2, 3, 4, 5, 6}},
      {"rgb24 to rgb32",
       24,
       kDibRgb,
       {1, 2, 3, 4, 5, 6},
       kDibRgb,
       32,
       32,
       {1, 2, 3, 0, 4, 5, 6, 0}},
      {"rgb32 to rgb24",
       32,
       kDibRgb,
       {1, 2, 3, 9, 4, 5, 6, 9},
       kDibRgb,
       24,
       24,
       {1, 2, 3, 4, 5, 6}},
      {"gray8 to rgb24",
       8,
       kDibGray,
       {0, 77, 255},
       kDibRgb,
       24,
       24,
       {0, 0, 0, 77, 77, 77, 255, 255, 255}},
      {"gray4 to gray8", 4, kDibGray, {0x0F, 0x80}, kDibGray, 8, 8, {0x00, 0xFF, 0x88}},
      {"rgb24 to gray8",
       24,
       kDibRgb,
       {0, 0, 255, 0, 255, 0, 255, 0, 0, 9, 9, 9},
       kDibGray,
       8,
       8,
       {77, 149, 29, 9}},
      // 5-6-5 little-endian words: pure red, pure green, pure blue.
      {"rgb565 to rgb24",
       16,
       kDibRgb,
       {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00},
       kDibRgb,
       24,
       24,
       {0, 0, 255, 0, 255, 0, 255, 0, 0}},
  };
  for (const ConvertCase& c : cases) {
    SCOPED_TRACE(c.name);
    TestDib src(c.src_depth, static_cast<int>(c.src_row.size() * 8 / c.src_depth), 2, c.src_kind);
    ASSERT_TRUE(src);
    const size_t src_pixel = std::max(1, c.src_depth / 8);
    src.SetRow(0, c.src_row);
    src.SetRow(1, c.src_depth >= 8 ? PixelsReversed(c.src_row, src_pixel) : c.src_row);
    BmiSetResolution(src.bmi(), 300, 150);
    const int live = DibLiveCount();
    TestDib out(DIB_ConvertToFormat(src.handle(), c.kind, c.depth));
    ASSERT_TRUE(out);
    EXPECT_EQ(DibLiveCount(), live + 1);
    EXPECT_EQ(out->biBitCount, c.expect_bits);
    EXPECT_EQ(out->biWidth, src->biWidth);
    EXPECT_EQ(out->biHeight, 2);
    EXPECT_EQ(out->biXPelsPerMeter, src->biXPelsPerMeter);
    EXPECT_EQ(out->biYPelsPerMeter, src->biYPelsPerMeter);
    EXPECT_EQ(out.Row(0, c.expect_row.size()), c.expect_row);
    if (c.src_depth >= 8) {
      const size_t out_pixel = c.expect_bits / 8;
      EXPECT_EQ(out.Row(1, c.expect_row.size()), PixelsReversed(c.expect_row, out_pixel));
    }
  }
}

TEST(DibConvertToFormat, PaletteToRgbUsesOwnTable) {
  TestDib src(4, 3, 1, kDibPalette);
  ASSERT_TRUE(src);
  BmiColorTable(src.bmi())[2] = Quad(10, 20, 30);
  src.SetRow(0, {0x29, 0xF0});  // entries 2, 9, 15
  TestDib out(DIB_ConvertToFormat(src.handle(), kDibRgb, 24));
  ASSERT_TRUE(out);
  EXPECT_EQ(out.Row(0, 9), (std::vector<uint8_t>{30, 20, 10, 0, 0, 255, 255, 255, 255}));
}

TEST(DibConvertToFormat, SameClassCopyKeepsTableAndClearsTrailingBits) {
  TestDib src(1, 10, 2, kDibBilevel);
  ASSERT_TRUE(src);
  BmiColorTable(src.bmi())[0] = Quad(50, 60, 70);
  src.SetRow(0, {0xAA, 0xFF, 0x77, 0x77});
  src.SetRow(1, {0x55, 0x7F});
  TestDib out(DIB_ConvertToFormat(src.handle(), kDibBilevel, 1));
  ASSERT_TRUE(out);
  EXPECT_TRUE(SameColor(BmiColorTable(out.bmi())[0], Quad(50, 60, 70)));
  // Bits beyond the tenth pixel are cleared; the padding is not taken over.
  EXPECT_EQ(out.Row(0, 2), (std::vector<uint8_t>{0xAA, 0xC0}));
  EXPECT_EQ(out.Row(1, 2), (std::vector<uint8_t>{0x55, 0x40}));

  TestDib pal(8, 2, 1, kDibPalette);
  BmiColorTable(pal.bmi())[3] = Quad(1, 2, 3);
  pal.SetRow(0, {3, 4});
  TestDib pal_copy(DIB_ConvertToFormat(pal.handle(), kDibPalette, 8));
  ASSERT_TRUE(pal_copy);
  EXPECT_TRUE(SameColor(BmiColorTable(pal_copy.bmi())[3], Quad(1, 2, 3)));
  EXPECT_EQ(pal_copy.Row(0, 2), (std::vector<uint8_t>{3, 4}));
}

TEST(DibConvertToFormat, UnsupportedTargetFailsAndRecordsError) {
  TestDib src(24, 4, 4, kDibRgb);
  ASSERT_TRUE(src);
  const int live = DibLiveCount();
  for (int kind : {kDibBilevel, kDibPalette, kDibCmyk4}) {
    SCOPED_TRACE(kind);
    EXPECT_EQ(DIB_ConvertToFormat(src.handle(), kind, 0), nullptr);
    EXPECT_EQ(DibLastErrorCode(), kDibErrConvert);
    EXPECT_STREQ(DibLastErrorWhere(), "DIB_ConvertToFormat");
  }
  EXPECT_EQ(DibLiveCount(), live);
}

TEST(DibConvertToFormat, EmptyBitmapConverts) {
  TestDib src(32, 0, 3, kDibCmyk4);
  ASSERT_TRUE(src);
  TestDib out(DIB_ConvertToFormat(src.handle(), kDibRgb, 0));
  ASSERT_TRUE(out);
  EXPECT_EQ(out->biWidth, 0);
  EXPECT_EQ(out->biHeight, 3);
}

}  // namespace

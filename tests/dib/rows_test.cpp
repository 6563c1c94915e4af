#include <gtest/gtest.h>

#include "dib/dib.h"
#include "tests/dib/dib_test_util.h"

namespace {

TEST(BmiNegate, InvertsSamplesAndLeavesPadding) {
  // 1 bit x 10 pixels: two sample bytes, two padding bytes per row.
  TestDib dib(1, 10, 2, kDibBilevel);
  ASSERT_TRUE(dib);
  for (int r = 0; r < 2; ++r) {
    uint8_t* row = BmiRowPtr(dib.bmi(), r);
    row[0] = 0x0F;
    row[1] = 0xC0;
    row[2] = 0x5A;
    row[3] = 0xA5;
  }
  BmiNegate(dib.bmi());
  for (int r = 0; r < 2; ++r) {
    EXPECT_EQ(dib.Row(r, 4), (std::vector<uint8_t>{0xF0, 0x3F, 0x5A, 0xA5}));
  }
}

TEST(BmiNegate, TwentyFourBitRowsUseWholeBytes) {
  TestDib dib(24, 3, 1, kDibRgb);
  ASSERT_TRUE(dib);
  dib.SetRow(0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
  BmiNegate(dib.bmi());
  EXPECT_EQ(dib.Row(0, 12),
            (std::vector<uint8_t>{255, 254, 253, 252, 251, 250, 249, 248, 247, 9, 10, 11}));
}

TEST(BmiFlipVertical, SwapsMirroredRows) {
  const struct { int height; } cases[] = {{1}, {2}, {3}, {4}, {7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.height);
    TestDib dib(8, 4, c.height, kDibGray);
    ASSERT_TRUE(dib);
    for (int r = 0; r < c.height; ++r) {
      dib.SetRow(r, {static_cast<uint8_t>(r), 1, 2, static_cast<uint8_t>(100 + r)});
    }
    BmiFlipVertical(dib.bmi());
    for (int r = 0; r < c.height; ++r) {
      const int from = c.height - 1 - r;
      EXPECT_EQ(dib.Row(r, 4), (std::vector<uint8_t>{static_cast<uint8_t>(from), 1, 2,
                                                     static_cast<uint8_t>(100 + from)}));
    }
  }
}

TEST(BmiColorClass, ClassifiesByDepthTableAndMasks) {
  {
    TestDib gray(8, 1, 1, kDibGray);
    EXPECT_EQ(BmiColorClass(gray.bmi()), kDibGray);
    BmiColorTable(gray.bmi())[77] = Quad(10, 10, 11);
    EXPECT_EQ(BmiColorClass(gray.bmi()), kDibPalette);
    gray->biClrUsed = 77;  // the odd entry lies beyond the used table
    EXPECT_EQ(BmiColorClass(gray.bmi()), kDibGray);
  }
  {
    TestDib rgb16(16, 1, 1, kDibRgb);
    EXPECT_EQ(BmiColorClass(rgb16.bmi()), kDibRgb);
    EXPECT_EQ(BmiSamplesPerPixel(rgb16.bmi()), 3);
    EXPECT_EQ(BmiBitsPerSample(rgb16.bmi()), 5);
    rgb16.SetMasks(0xFFFF, 0xFFFF, 0xFFFF);
    EXPECT_EQ(BmiColorClass(rgb16.bmi()), kDibGray);
    EXPECT_EQ(BmiBitsPerSample(rgb16.bmi()), 16);
    rgb16->biCompression = BI_RGB;  // no masks: 5-5-5
    EXPECT_EQ(BmiColorClass(rgb16.bmi()), kDibRgb);
  }
  const struct {
    int depth, kind, expect_class, samples, bits;
  } cases[] = {
      {1, kDibBilevel, kDibBilevel, 1, 1}, {24, kDibRgb, kDibRgb, 3, 8},
      {32, kDibRgb, kDibRgb, 4, 8},        {48, kDibRgb, kDibRgb, 3, 16},
      {24, kDibCmyk, kDibCmyk, 3, 8},      {48, kDibCmyk, kDibCmyk, 3, 16},
      {32, kDibCmyk4, kDibCmyk4, 4, 8},    {8, kDibPalette, kDibPalette, 1, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.depth << "/" << c.kind);
    TestDib dib(c.depth, 1, 1, c.kind);
    ASSERT_TRUE(dib);
    EXPECT_EQ(BmiColorClass(dib.bmi()), c.expect_class);
    EXPECT_EQ(BmiSamplesPerPixel(dib.bmi()), c.samples);
    EXPECT_EQ(BmiBitsPerSample(dib.bmi()), c.bits);
  }
  TestDib odd(8, 1, 1, kDibGray);
  odd->biBitCount = 12;
  EXPECT_EQ(BmiColorClass(odd.bmi()), -1);
}

}  // namespace

#include <gtest/gtest.h>

#include <vector>

#include "dib/dib.h"
#include "tests/dib/dib_test_util.h"

namespace {

// A bilevel picture whose pixel (x, y) is white when `white(x, y)`.
template <typename F>
HDIB Bilevel(int width, int height, F white) {
  HDIB h = BmiCreateDib(1, width, height, kDibBilevel);
  auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(h));
  for (int y = 0; y < height; ++y) {
    uint8_t* row = BmiRowPtr(bmi, y);
    std::fill(row, row + BmiRowBytes(bmi), 0);
    for (int x = 0; x < width; ++x) {
      if (white(x, y)) {
        row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  DibUnlock(h);
  return h;
}

TEST(DibScaleToGray, Sizes) {
  const struct {
    int width, height, factor, expect_w, expect_h;
  } cases[] = {
      {8, 8, 2, 4, 4},    {9, 7, 2, 5, 4}, {10, 10, 3, 4, 4}, {1, 1, 4, 1, 1},
      {100, 3, 7, 15, 1}, {5, 5, 1, 5, 5}, {0, 4, 2, 1, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "/" << c.factor);
    TestDib src(Bilevel(c.width, c.height, [](int, int) { return true; }));
    ASSERT_TRUE(src);
    TestDib gray(DIB_ScaleToGray(src.handle(), c.factor));
    ASSERT_TRUE(gray);
    EXPECT_EQ(gray->biBitCount, 8);
    EXPECT_EQ(BmiColorClass(gray.bmi()), kDibGray);
    EXPECT_EQ(gray->biWidth, c.expect_w);
    EXPECT_EQ(gray->biHeight, c.expect_h);
    for (int y = 0; y < c.expect_h; ++y) {
      for (int x = 0; x < c.expect_w; ++x) {
        EXPECT_EQ(BmiRowPtr(gray.bmi(), y)[x], 255) << x << "," << y;
      }
    }
  }
}

TEST(DibScaleToGray, AveragesBlocksIncludingPartialOnes) {
  // 5 x 3, factor 2: blocks of 4, 4, 2 (top) and 2, 2, 1 (bottom) pixels.
  // White pixels: (0,0) (1,0) (0,1) in the first block; (2,0) in the second;
  // (4,0) in the third; (0,2) in the fourth; none in the fifth; (4,2) in the last.
  const std::vector<std::pair<int, int>> white = {{0, 0}, {1, 0}, {0, 1}, {2, 0},
                                                  {4, 0}, {0, 2}, {4, 2}};
  TestDib src(Bilevel(5, 3, [&](int x, int y) {
    return std::find(white.begin(), white.end(), std::make_pair(x, y)) != white.end();
  }));
  ASSERT_TRUE(src);
  BmiSetResolution(src.bmi(), 600, 300);
  const int xppm = src->biXPelsPerMeter;
  const int yppm = src->biYPelsPerMeter;
  TestDib gray(DIB_ScaleToGray(src.handle(), 2));
  ASSERT_TRUE(gray);
  ASSERT_EQ(gray->biWidth, 3);
  ASSERT_EQ(gray->biHeight, 2);
  // 3/4 of 255 = 191.25 -> 191; 1/4 -> 64 (63.75 rounded); 1/2 -> 128 (127.5 rounded up).
  EXPECT_EQ(gray.Row(0, 3), (std::vector<uint8_t>{191, 64, 128}));
  EXPECT_EQ(gray.Row(1, 3), (std::vector<uint8_t>{128, 0, 255}));
  EXPECT_EQ(gray->biXPelsPerMeter, xppm / 2);
  EXPECT_EQ(gray->biYPelsPerMeter, yppm / 2);
}

TEST(DibScaleToGray, UsesColourTableNotRawBits) {
  // A bilevel picture whose table says 1 is black (as a fax picture kept with
  // BlackIs1 shows it through an indexed palette).
  TestDib src(Bilevel(2, 2, [](int x, int) { return x == 0; }));
  ASSERT_TRUE(src);
  BmiColorTable(src.bmi())[0] = Quad(255, 255, 255);
  BmiColorTable(src.bmi())[1] = Quad(0, 0, 0);
  TestDib gray(DIB_ScaleToGray(src.handle(), 2));
  ASSERT_TRUE(gray);
  EXPECT_EQ(BmiRowPtr(gray.bmi(), 0)[0], 128);
}

TEST(DibScaleToGray, RefusesFactorBelowOne) {
  TestDib src(1, 4, 4, kDibBilevel);
  ASSERT_TRUE(src);
  const int live = DibLiveCount();
  EXPECT_EQ(DIB_ScaleToGray(src.handle(), 0), nullptr);
  EXPECT_EQ(DIB_ScaleToGray(src.handle(), -3), nullptr);
  EXPECT_EQ(DibLiveCount(), live);
}

}  // namespace

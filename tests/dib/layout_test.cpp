#include <gtest/gtest.h>

#include "dib/dib.h"
#include "tests/dib/dib_test_util.h"

namespace {

TEST(BmiRowBytes, PadsToFourBytes) {
  const struct {
    int depth, width, expect;
  } cases[] = {
      {1, 1, 4},  {1, 32, 4}, {1, 33, 8},  {4, 9, 8},   {8, 5, 8},   {8, 4, 4},
      {16, 3, 8}, {24, 1, 4}, {24, 5, 16}, {32, 3, 12}, {48, 3, 20}, {8, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.depth << " bits x " << c.width);
    TestDib dib(c.depth, c.width, 2, -1);
    ASSERT_TRUE(dib);
    EXPECT_EQ(BmiRowBytes(dib.bmi()), c.expect);
  }
}

TEST(BmiRowPtr, BottomUpRowZeroIsLastInMemory) {
  TestDib dib(8, 6, 3, kDibGray);
  ASSERT_TRUE(dib);
  uint8_t* bits = BmiBits(dib.bmi());
  EXPECT_EQ(BmiRowPtr(dib.bmi(), 0), bits + 2 * 8);
  EXPECT_EQ(BmiRowPtr(dib.bmi(), 1), bits + 8);
  EXPECT_EQ(BmiRowPtr(dib.bmi(), 2), bits);
  EXPECT_EQ(BmiRowPtr(dib.bmi(), 3), nullptr);
  EXPECT_EQ(BmiRowPtr(dib.bmi(), -1), nullptr);
}

TEST(BmiRowPtr, TopDownWhenHeightNegative) {
  TestDib dib(8, 6, 3, kDibGray);
  ASSERT_TRUE(dib);
  dib->biHeight = -3;
  uint8_t* bits = BmiBits(dib.bmi());
  EXPECT_EQ(BmiHeightAbs(dib.bmi()), 3);
  EXPECT_EQ(BmiRowPtr(dib.bmi(), 0), bits);
  EXPECT_EQ(BmiRowPtr(dib.bmi(), 2), bits + 16);
  EXPECT_EQ(DIB_GetHeight(dib.handle()), 3);
}

TEST(BmiColorTableSize, FollowsHeaderFields) {
  TestDib dib(8, 2, 2, kDibPalette);
  ASSERT_TRUE(dib);
  EXPECT_EQ(BmiColorTableSize(dib.bmi()), 1024u);
  dib->biClrUsed = 16;
  EXPECT_EQ(BmiColorTableSize(dib.bmi()), 64u);
  EXPECT_EQ(BmiBits(dib.bmi()), reinterpret_cast<uint8_t*>(dib.bmi()) + 40 + 64);
  dib->biClrUsed = 0;
  EXPECT_EQ(static_cast<void*>(BmiColorTable(dib.bmi())),
            static_cast<void*>(reinterpret_cast<uint8_t*>(dib.bmi()) + 40));
  TestDib rgb(24, 2, 2, kDibRgb);
  EXPECT_EQ(BmiColorTableSize(rgb.bmi()), 0u);
}

TEST(BmiHeaderFits, RejectsHeadersThatOverrunTheBlock) {
  TestDib dib(8, 7, 5, kDibGray);
  ASSERT_TRUE(dib);
  const size_t size = DibHandleSize(dib.handle());
  EXPECT_TRUE(BmiHeaderFits(dib.bmi(), size));
  EXPECT_FALSE(BmiHeaderFits(dib.bmi(), size - 1));
  dib->biClrUsed = 1000;  // a table larger than the block
  EXPECT_FALSE(BmiHeaderFits(dib.bmi(), size));
  dib->biClrUsed = 0;
  dib->biBitCount = 12;
  EXPECT_FALSE(BmiHeaderFits(dib.bmi(), size));
  dib->biBitCount = 8;
  dib->biWidth = -7;
  EXPECT_FALSE(BmiHeaderFits(dib.bmi(), size));
  dib->biWidth = 7;
  dib->biHeight = INT32_MIN;
  EXPECT_FALSE(BmiHeaderFits(dib.bmi(), size));
  // The upper layer refuses such a bitmap instead of reading past it.
  EXPECT_EQ(DIB_GetWidth(dib.handle()), 0);
  dib->biHeight = 5;
  EXPECT_EQ(DIB_GetWidth(dib.handle()), 7);
}

TEST(BmiSetResolution, RoundsToPixelsPerMetre) {
  TestDib dib(1, 1, 1, kDibBilevel);
  ASSERT_TRUE(dib);
  BmiSetResolution(dib.bmi(), 300, 200);
  EXPECT_EQ(dib->biXPelsPerMeter, 11811);
  EXPECT_EQ(dib->biYPelsPerMeter, 7874);
  BmiSetResolution(dib.bmi(), 72, 0);
  EXPECT_EQ(dib->biXPelsPerMeter, 2835);
  EXPECT_EQ(dib->biYPelsPerMeter, 0);
  BmiSetResolution(dib.bmi(), 1e300, -1e300);  // garbage from a file
  EXPECT_EQ(dib->biXPelsPerMeter, 0);
  EXPECT_EQ(dib->biYPelsPerMeter, 0);
  EXPECT_DOUBLE_EQ(BmiPpmToDpi(11811), 11811 * 0.0254);
  EXPECT_NEAR(BmiPpmToDpi(11811), 300.0, 0.01);
}

TEST(DibHandle, LockCountsAndFree) {
  HDIB h = DibHandleAlloc(100);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(DibHandleSize(h), 100u);
  EXPECT_EQ(DibLockCount(h), 0);
  EXPECT_FALSE(DibUnlock(h));
  void* a = DibLock(h);
  void* b = DibLock(h);
  EXPECT_NE(a, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_EQ(DibLockCount(h), 2);
  EXPECT_TRUE(DibUnlock(h));
  EXPECT_TRUE(DibUnlock(h));
  EXPECT_FALSE(DibUnlock(h));
  EXPECT_TRUE(DibHandleFree(h));
  EXPECT_EQ(DibLock(nullptr), nullptr);
  EXPECT_FALSE(DibHandleFree(nullptr));
  EXPECT_EQ(DibHandleSize(nullptr), 0u);
  EXPECT_EQ(DibHandleAlloc(SIZE_MAX), nullptr);
}

TEST(UpperLayer, NullHandlesGiveZero) {
  EXPECT_EQ(DIB_GetWidth(nullptr), 0);
  EXPECT_EQ(DIB_GetHeight(nullptr), 0);
  EXPECT_EQ(DIB_ConvertToFormat(nullptr, kDibRgb, 24), nullptr);
  EXPECT_EQ(DIB_ScaleToGray(nullptr, 2), nullptr);
  EXPECT_EQ(DIB_Copy(nullptr), nullptr);
  const int live = DibLiveCount();
  DIB_Free(nullptr);
  EXPECT_EQ(DibLiveCount(), live);
}

TEST(UpperLayer, MeasureCopyAndFree) {
  const int live = DibLiveCount();
  HDIB h = DIB_Create(kDibRgb, 24, 9, 4);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(DIB_GetWidth(h), 9);
  EXPECT_EQ(DIB_GetHeight(h), 4);
  auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(h));
  for (int r = 0; r < 4; ++r) {
    for (int i = 0; i < 27; ++i) {
      BmiRowPtr(bmi, r)[i] = static_cast<uint8_t>(r * 31 + i);
    }
  }
  DibUnlock(h);
  HDIB copy = DIB_Copy(h);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(DibLiveCount(), live + 2);
  EXPECT_EQ(DibHandleSize(copy), DibHandleSize(h));
  EXPECT_EQ(std::memcmp(DibLock(copy), DibLock(h), DibHandleSize(h)), 0);
  DibUnlock(copy);
  DibUnlock(h);
  DIB_Free(copy);
  DIB_Free(h);
  EXPECT_EQ(DibLiveCount(), live);

  HDIB allocated = DIB_Allocate(15, 3, 3);
  ASSERT_NE(allocated, nullptr);
  EXPECT_EQ(DIB_GetWidth(allocated), 3);
  DIB_Free(allocated);
  EXPECT_EQ(DibLiveCount(), live);
}

}  // namespace

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "dib/dib.h"
#include "tests/dib/dib_test_util.h"

namespace {

struct CreateCase {
  const char* name;
  int depth;
  int kind;
  int expect_bits;
  uint32_t expect_compression;
  int expect_class;
};

TEST(BmiCreateDib, NormalisesDepthAndKind) {
  const CreateCase cases[] = {
      {"bilevel default", 0, kDibBilevel, 1, BI_RGB, kDibBilevel},
      {"gray default", 0, kDibGray, 8, BI_RGB, kDibGray},
      {"rgb default", 0, kDibRgb, 24, BI_RGB, kDibRgb},
      {"palette default", -3, kDibPalette, 8, BI_RGB, kDibPalette},
      {"cmyk default", 0, kDibCmyk, 24, BI_CMYK, kDibCmyk},
      {"cmyk4 default", 0, kDibCmyk4, 32, BI_CMYK, kDibCmyk4},
      {"depth 1 derives bilevel", 1, -1, 1, BI_RGB, kDibBilevel},
      {"depth 8 derives gray", 8, -1, 8, BI_RGB, kDibGray},
      {"depth 4 derives gray", 4, -1, 4, BI_RGB, kDibGray},
      {"depth 16 derives gray", 16, -1, 16, BI_BITFIELDS, kDibGray},
      {"depth 24 derives rgb", 24, -1, 24, BI_RGB, kDibRgb},
      {"depth 48 kept", 48, -1, 48, BI_RGB, kDibRgb},
      {"depth 32 kept", 32, kDibRgb, 32, BI_RGB, kDibRgb},
      {"depth 2 kind -1 is 4-bit rgb kind", 2, -1, 4, BI_RGB, kDibGray},
      {"depth 3 becomes 4", 3, kDibGray, 4, BI_RGB, kDibGray},
      {"depth 5 becomes 8", 5, kDibGray, 8, BI_RGB, kDibGray},
      {"depth 7 becomes 8", 7, kDibPalette, 8, BI_RGB, kDibPalette},
      {"depth 12 becomes 24", 12, -1, 24, BI_RGB, kDibRgb},
      {"depth 15 becomes 16 bitfields", 15, -1, 16, BI_BITFIELDS, kDibRgb},
      {"depth 64 becomes 24", 64, kDibCmyk4, 24, BI_CMYK, kDibCmyk},
      {"cmyk 32 kept", 32, kDibCmyk4, 32, BI_CMYK, kDibCmyk4},
      {"cmyk 48 kept", 48, kDibCmyk, 48, BI_CMYK, kDibCmyk},
  };
  for (const CreateCase& c : cases) {
    SCOPED_TRACE(c.name);
    TestDib dib(c.depth, 5, 3, c.kind);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->biSize, 40u);
    EXPECT_EQ(dib->biWidth, 5);
    EXPECT_EQ(dib->biHeight, 3);
    EXPECT_EQ(dib->biPlanes, 1);
    EXPECT_EQ(dib->biBitCount, c.expect_bits);
    EXPECT_EQ(dib->biCompression, c.expect_compression);
    EXPECT_EQ(dib->biClrUsed, 0u);
    EXPECT_EQ(dib->biXPelsPerMeter, 0);
    EXPECT_EQ(dib->biSizeImage, static_cast<uint32_t>(BmiRowBytes(dib.bmi()) * 3));
    EXPECT_EQ(BmiColorClass(dib.bmi()), c.expect_class);
    EXPECT_EQ(DibHandleSize(dib.handle()), 40 + BmiColorTableSize(dib.bmi()) + dib->biSizeImage);
  }
}

TEST(BmiCreateDib, Depth2KindMinusOneLeavesTableUnfilled) {
  // Kind 2 (RGB) fills no table: it is cleared, not left with stale bytes.
  TestDib dib(2, 4, 4, -1);
  ASSERT_TRUE(dib);
  const RGBQUAD* table = BmiColorTable(dib.bmi());
  for (int i = 0; i < 16; ++i) {
    EXPECT_TRUE(SameColor(table[i], Quad(0, 0, 0))) << i;
  }
}

TEST(BmiCreateDib, GrayRamps) {
  for (int depth : {1, 4, 8}) {
    SCOPED_TRACE(depth);
    TestDib dib(depth, 2, 2, kDibGray);
    ASSERT_TRUE(dib);
    const int n = 1 << depth;
    ASSERT_EQ(BmiColorTableSize(dib.bmi()), static_cast<size_t>(4 * n));
    const RGBQUAD* table = BmiColorTable(dib.bmi());
    for (int i = 0; i < n; ++i) {
      const int level = i * 255 / (n - 1);
      EXPECT_TRUE(SameColor(table[i], Quad(level, level, level))) << i;
    }
  }
}

TEST(BmiCreateDib, Gray16HasEqualMasks) {
  TestDib dib(16, 3, 3, kDibGray);
  ASSERT_TRUE(dib);
  uint32_t masks[3];
  std::memcpy(masks, BmiColorTable(dib.bmi()), sizeof(masks));
  EXPECT_EQ(masks[0], 0x0000FFFFu);
  EXPECT_EQ(masks[1], 0x0000FFFFu);
  EXPECT_EQ(masks[2], 0x0000FFFFu);
  EXPECT_EQ(BmiColorTableSize(dib.bmi()), 12u);
  EXPECT_EQ(BmiBits(dib.bmi()), reinterpret_cast<uint8_t*>(dib.bmi()) + 52);
  EXPECT_EQ(BmiColorClass(dib.bmi()), kDibGray);
}

TEST(BmiCreateDib, BuiltinPaletteFixedEntries) {
  const RGBQUAD* p = DibBuiltinPalette();
  const struct {
    int index;
    RGBQUAD color;
  } fixed[] = {
      {0, Quad(0, 0, 0)},         {1, Quad(128, 0, 0)},       {2, Quad(0, 128, 0)},
      {3, Quad(128, 128, 0)},     {4, Quad(0, 0, 128)},       {5, Quad(128, 0, 128)},
      {6, Quad(0, 128, 128)},     {7, Quad(192, 192, 192)},   {8, Quad(192, 220, 192)},
      {9, Quad(166, 202, 240)},   {246, Quad(255, 251, 240)}, {247, Quad(160, 160, 164)},
      {248, Quad(128, 128, 128)}, {249, Quad(255, 0, 0)},     {250, Quad(0, 255, 0)},
      {251, Quad(255, 255, 0)},   {252, Quad(0, 0, 255)},     {253, Quad(255, 0, 255)},
      {254, Quad(0, 255, 255)},   {255, Quad(255, 255, 255)},
  };
  for (const auto& f : fixed) {
    EXPECT_TRUE(SameColor(p[f.index], f.color)) << f.index;
  }
  // The middle holds every colour of a 6-level cube.
  int cube = 0;
  for (int i = 10; i < 246; ++i) {
    const auto on_level = [](int v) { return v % 51 == 0; };
    if (on_level(p[i].rgbRed) && on_level(p[i].rgbGreen) && on_level(p[i].rgbBlue)) {
      ++cube;
    }
    EXPECT_EQ(p[i].rgbReserved, 0);
  }
  EXPECT_GE(cube, 216);
}

TEST(BmiCreateDib, PaletteKindTables) {
  TestDib eight(8, 2, 2, kDibPalette);
  ASSERT_TRUE(eight);
  EXPECT_EQ(std::memcmp(BmiColorTable(eight.bmi()), DibBuiltinPalette(), 1024), 0);

  TestDib four(4, 2, 2, kDibPalette);
  ASSERT_TRUE(four);
  const RGBQUAD* table = BmiColorTable(four.bmi());
  for (int j = 0; j < 8; ++j) {
    EXPECT_TRUE(SameColor(table[j], DibBuiltinPalette()[j])) << j;
    EXPECT_TRUE(SameColor(table[8 + j], DibBuiltinPalette()[248 + j])) << j;
  }
  EXPECT_EQ(BmiColorClass(four.bmi()), kDibPalette);
}

TEST(BmiCreateDib, NegativeSizesBecomeZero) {
  TestDib narrow(8, -5, 4, kDibGray);
  ASSERT_TRUE(narrow);
  EXPECT_EQ(narrow->biWidth, 0);
  EXPECT_EQ(narrow->biHeight, 4);
  EXPECT_EQ(narrow->biSizeImage, 0u);
  TestDib flat(24, 4, -5, kDibRgb);
  ASSERT_TRUE(flat);
  EXPECT_EQ(flat->biHeight, 0);
  EXPECT_EQ(DIB_GetHeight(flat.handle()), 0);
}

TEST(BmiCreateDib, RefusesSizesBeyond32Bits) {
  const struct {
    const char* name;
    int depth, width, height;
  } cases[] = {
      {"row wider than 2 GiB", 48, INT_MAX, 1},      {"area wraps 32 bits", 24, 65536, 65536},
      {"area just over the limit", 8, 46341, 46341}, {"largest sizes", 32, INT_MAX, INT_MAX},
      {"many rows of one pixel", 1, 1, INT_MAX},
  };
  const int live = DibLiveCount();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(BmiCreateDib(c.depth, c.width, c.height, -1), nullptr);
  }
  EXPECT_EQ(DibLiveCount(), live);
}

TEST(BmiCreateDib, UnknownKindRefused) {
  EXPECT_EQ(BmiCreateDib(8, 2, 2, 6), nullptr);
}

TEST(DibFree, CountsLiveBitmaps) {
  const int before = DibLiveCount();
  HDIB a = BmiCreateDib(8, 4, 4, kDibGray);
  HDIB b = BmiCreateDib(1, 4, 4, kDibBilevel);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(DibLiveCount(), before + 2);
  EXPECT_TRUE(DibFree(a));
  EXPECT_EQ(DibLiveCount(), before + 1);
  EXPECT_TRUE(DibFree(nullptr));
  EXPECT_EQ(DibLiveCount(), before + 1);
  EXPECT_TRUE(DibFree(b));
  EXPECT_EQ(DibLiveCount(), before);
}

}  // namespace

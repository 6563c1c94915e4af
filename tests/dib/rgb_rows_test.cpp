#include "dib/dib_rgb_rows.h"

#include <gtest/gtest.h>

#include <vector>

#include "dib/dib.h"
#include "dib/dib_display.h"
#include "tests/dib/dib_test_util.h"

namespace {

std::vector<uint8_t> RowOf(DibRgbRows& rows, int y) {
  const uint8_t* p = rows.Row(y);
  if (p == nullptr) {
    return {};
  }
  return std::vector<uint8_t>(p, p + rows.width() * rows.channels());
}

TEST(DibRgbRows, TopDownRgbFromEveryDrawnFormat) {
  struct Case {
    const char* name;
    int depth, kind;
    std::vector<uint8_t> top, bottom;
    std::vector<uint8_t> expect_top, expect_bottom;  // R, G, B
  };
  const Case cases[] = {
      {"bilevel",
       1,
       kDibBilevel,
       {0x80},
       {0x40},
       {255, 255, 255, 0, 0, 0},
       {0, 0, 0, 255, 255, 255}},
      {"gray8", 8, kDibGray, {7, 200}, {0, 1}, {7, 7, 7, 200, 200, 200}, {0, 0, 0, 1, 1, 1}},
      {"bgr24",
       24,
       kDibRgb,
       {1, 2, 3, 4, 5, 6},
       {7, 8, 9, 0, 0, 0},
       {3, 2, 1, 6, 5, 4},
       {9, 8, 7, 0, 0, 0}},
      {"bgrx32",
       32,
       kDibRgb,
       {1, 2, 3, 0, 4, 5, 6, 0},
       {0, 0, 0, 0, 9, 9, 9, 0},
       {3, 2, 1, 6, 5, 4},
       {0, 0, 0, 9, 9, 9}},
      {"cmyk32",
       32,
       kDibCmyk4,
       {255, 0, 0, 0, 0, 0, 0, 255},
       {0, 0, 0, 0, 0, 0, 0, 0},
       {0, 255, 255, 0, 0, 0},
       {255, 255, 255, 255, 255, 255}},
      {"gray16",
       16,
       kDibGray,
       {0x80, 0x01, 0x10, 0xFF},
       {0, 0, 0xFF, 0xFF},
       {128, 128, 128, 16, 16, 16},
       {0, 0, 0, 255, 255, 255}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestDib dib(c.depth, 2, 2, c.kind);
    ASSERT_TRUE(dib);
    dib.SetRow(0, c.top);
    dib.SetRow(1, c.bottom);
    const int live = DibLiveCount();
    {
      DibRgbRows rows(dib.handle(), 3);
      ASSERT_TRUE(rows.ok());
      EXPECT_EQ(rows.width(), 2);
      EXPECT_EQ(rows.height(), 2);
      EXPECT_EQ(RowOf(rows, 0), c.expect_top);
      EXPECT_EQ(RowOf(rows, 1), c.expect_bottom);
      EXPECT_EQ(rows.Row(2), nullptr);
      EXPECT_EQ(rows.Row(-1), nullptr);
    }
    // A conversion made on the way is released again; the bitmap is unlocked.
    EXPECT_EQ(DibLiveCount(), live);
    EXPECT_EQ(DibLockCount(dib.handle()), 1);
  }
}

TEST(DibRgbRows, FourChannelsAddOpaqueAlpha) {
  TestDib dib(24, 1, 1, kDibRgb);
  dib.SetRow(0, {10, 20, 30});
  DibRgbRows rows(dib.handle(), 4);
  ASSERT_TRUE(rows.ok());
  EXPECT_EQ(RowOf(rows, 0), (std::vector<uint8_t>{30, 20, 10, 255}));
}

TEST(DibRgbRows, NullHandleIsNotOk) {
  DibRgbRows rows(nullptr, 3);
  EXPECT_FALSE(rows.ok());
  EXPECT_EQ(rows.Row(0), nullptr);
}

TEST(DibChooseDisplayRoute, ConvertsWhatTheScreenCannotTake) {
  const struct {
    const char* name;
    int depth, kind;
    double scale;
    DibDisplayStep step;
    int route_kind;
    int factor;
  } cases[] = {
      {"bilevel own size", 1, kDibBilevel, 1.0, DibDisplayStep::kDirect, kDibRgb, 1},
      {"bilevel just over half", 1, kDibBilevel, 0.51, DibDisplayStep::kDirect, kDibRgb, 1},
      {"bilevel half", 1, kDibBilevel, 0.5, DibDisplayStep::kScaleToGray, kDibRgb, 2},
      {"bilevel third", 1, kDibBilevel, 1.0 / 3, DibDisplayStep::kScaleToGray, kDibRgb, 3},
      {"bilevel 0.3", 1, kDibBilevel, 0.3, DibDisplayStep::kScaleToGray, kDibRgb, 3},
      {"bilevel tiny", 1, kDibBilevel, 1e-12, DibDisplayStep::kScaleToGray, kDibRgb, 16},
      {"gray8 small", 8, kDibGray, 0.1, DibDisplayStep::kDirect, kDibRgb, 1},
      {"rgb24", 24, kDibRgb, 1.0, DibDisplayStep::kDirect, kDibRgb, 1},
      {"rgb32", 32, kDibRgb, 1.0, DibDisplayStep::kDirect, kDibRgb, 1},
      {"gray16", 16, kDibGray, 1.0, DibDisplayStep::kConvert, kDibGray, 1},
      {"rgb565", 16, kDibRgb, 1.0, DibDisplayStep::kConvert, kDibRgb, 1},
      {"rgb48", 48, kDibRgb, 1.0, DibDisplayStep::kConvert, kDibRgb, 1},
      {"cmyk24", 24, kDibCmyk, 1.0, DibDisplayStep::kConvert, kDibRgb, 1},
      {"cmyk32", 32, kDibCmyk4, 0.2, DibDisplayStep::kConvert, kDibRgb, 1},
      {"palette4", 4, kDibPalette, 1.0, DibDisplayStep::kConvert, kDibRgb, 1},
      {"gray4", 4, kDibGray, 1.0, DibDisplayStep::kConvert, kDibGray, 1},
      {"cmyk-marked 16", 16, kDibCmyk, 1.0, DibDisplayStep::kConvert, kDibRgb, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestDib dib(c.depth, 16, 9, c.kind);
    ASSERT_TRUE(dib);
    const DibDisplayRoute route = DibChooseDisplayRoute(dib.bmi(), c.scale);
    EXPECT_EQ(route.step, c.step);
    if (c.step == DibDisplayStep::kConvert) {
      EXPECT_EQ(route.kind, c.route_kind);
    }
    if (c.step == DibDisplayStep::kScaleToGray) {
      EXPECT_EQ(route.factor, c.factor);
    }
  }
}

}  // namespace

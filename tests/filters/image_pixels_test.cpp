// The whole-picture pixel operations against their plain definitions: clearing
// only what decoding left equals clearing everything first, and the word-wise
// red-blue exchange equals swapping bytes pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "tests/filters/image_fixture.h"

namespace {

TEST(ImagePixelsTest, RedBlueExchangeOfEveryRowLength) {
  for (size_t pixels = 0; pixels <= 40; ++pixels) {
    SCOPED_TRACE(pixels);
    // One byte past the row shows a write beyond it.
    std::vector<uint8_t> row = Pattern(3 * pixels + 1, static_cast<uint32_t>(pixels));
    std::vector<uint8_t> expect = row;
    for (size_t x = 0; x < pixels; ++x) {
      std::swap(expect[3 * x], expect[3 * x + 2]);
    }
    ExchangeRedBlueRow(row.data(), pixels);
    EXPECT_EQ(row, expect);
  }
}

TEST(ImagePixelsTest, RedBlueExchangeOfBitmaps) {
  for (int depth : {24, 48, 8}) {
    SCOPED_TRACE(depth);
    OwnedDib dib(BmiCreateDib(depth, 13, 3, depth == 8 ? kDibGray : kDibRgb));
    ASSERT_TRUE(dib);
    const size_t stride = static_cast<size_t>(BmiRowBytes(dib.bmi()));
    const std::vector<uint8_t> before = Pattern(stride * 3, 9);
    std::memcpy(BmiBits(dib.bmi()), before.data(), before.size());
    std::vector<uint8_t> expect = before;
    const size_t sample = depth / 24;  // bytes per sample; 0: nothing moves
    for (size_t r = 0; sample > 0 && r < 3; ++r) {
      for (size_t x = 0; x < 13; ++x) {
        uint8_t* p = expect.data() + r * stride + 3 * sample * x;
        std::swap_ranges(p, p + sample, p + 2 * sample);
      }
    }
    ExchangeRedBlue(dib.bmi());
    EXPECT_EQ(std::vector<uint8_t>(BmiBits(dib.bmi()), BmiBits(dib.bmi()) + before.size()), expect);
  }
}

TEST(ImagePixelsTest, ClearingWhatDecodingLeftEqualsClearingFirst) {
  struct Case {
    int depth;
    int width;
    int height;
    size_t written;  // bytes the decoder wrote, rows packed from the top
  };
  const Case cases[] = {
      {8, 5, 3, 15},  {8, 5, 3, 7}, {8, 5, 3, 0},   {24, 3, 4, 36}, {24, 3, 4, 20},
      {1, 9, 4, 8},   {1, 9, 4, 3}, {24, 4, 2, 24}, {8, 8, 3, 24},  {8, 8, 3, 23},
      {48, 2, 2, 24}, {4, 3, 2, 3}, {24, 3, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.depth << " bits, " << c.width << "x" << c.height << ", "
                                    << c.written << " bytes");
    const size_t row_length = (static_cast<size_t>(c.depth) * c.width + 7) / 8;
    const std::vector<uint8_t> decoded = Pattern(row_length * c.height, 3);
    OwnedDib first(BmiCreateDib(c.depth, c.width, c.height, kDibGray));
    OwnedDib after(BmiCreateDib(c.depth, c.width, c.height, kDibGray));
    ASSERT_TRUE(first && after);
    const size_t area = static_cast<size_t>(BmiRowBytes(first.bmi())) * BmiHeightAbs(first.bmi());
    std::memset(BmiBits(after.bmi()), 0x5A, area);  // what a fresh bitmap may hold
    ClearPixelArea(first.bmi(), 0xEE);
    for (size_t done = 0, r = 0; done < c.written; ++r) {
      const size_t n = std::min(row_length, c.written - done);
      std::memcpy(BmiRowPtr(first.bmi(), static_cast<int>(r)), decoded.data() + done, n);
      std::memcpy(BmiRowPtr(after.bmi(), static_cast<int>(r)), decoded.data() + done, n);
      done += n;
    }
    ClearUnwritten(after.bmi(), 0xEE, row_length, c.written);
    EXPECT_EQ(std::vector<uint8_t>(BmiBits(after.bmi()), BmiBits(after.bmi()) + area),
              std::vector<uint8_t>(BmiBits(first.bmi()), BmiBits(first.bmi()) + area));
  }
}

}  // namespace

// FlateDecodeRows: one inflate call per row, straight into the bitmap.
#include <gtest/gtest.h>

#include "tests/filters/image_fixture.h"

namespace {

class ImageFlateTest : public ImageTest {
 protected:
  // A bitmap whose every pixel byte, padding included, is `fill`.
  HDIB Filled(int depth, int width, int height, uint8_t fill) {
    HDIB dib = BmiCreateDib(depth, width, height, kDibGray);
    auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(dib));
    ClearPixelArea(bmi, fill);
    DibUnlock(dib);
    return dib;
  }
  int Run(const std::string& raw, BITMAPINFOHEADER* bmi) {
    return FlateDecodeRows(reinterpret_cast<const uint8_t*>(raw.data()),
                           static_cast<int>(raw.size()), bmi);
  }
};

TEST_F(ImageFlateTest, RowsArriveTopFirstAndPaddingIsNeverWritten) {
  // 5 samples per row, 8 bytes per padded row.
  const std::vector<uint8_t> rows = Pattern(5 * 3, 11);
  OwnedDib dib(Filled(8, 5, 3, 0xEE));
  ASSERT_EQ(Run(Deflate(rows), dib.bmi()), 15);
  EXPECT_EQ(dib.Rows(5), rows);
  EXPECT_EQ(dib.Padding(5), std::vector<uint8_t>(3 * 3, 0xEE));
  // Bottom-up storage: the first inflated row is the last in memory.
  EXPECT_EQ(std::vector<uint8_t>(BmiBits(dib.bmi()) + 16, BmiBits(dib.bmi()) + 21),
            std::vector<uint8_t>(rows.begin(), rows.begin() + 5));
  EXPECT_TRUE(sinks.errors.empty());
}

TEST_F(ImageFlateTest, Outcomes) {
  const std::vector<uint8_t> rows = Pattern(4 * 4, 5);
  const std::string packed = Deflate(rows);
  std::vector<uint8_t> longer = rows;
  longer.push_back(1);
  struct Case {
    const char* name;
    int height;
    std::string raw;
    int expect;
    size_t rows_written;
  };
  const Case cases[] = {
      {"exact", 4, packed, 16, 4},
      {"one row short: the end comes early", 4,
       Deflate(std::vector<uint8_t>(rows.begin(), rows.begin() + 12)), 12, 3},
      {"one byte too many", 4, Deflate(longer), -1, 4},
      {"data never end", 4, packed.substr(0, packed.size() - 4), -1, 0},
      {"height 0", 0, packed, -1, 0},
      {"garbage", 4, "\x78\x9c garbage", -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    OwnedDib dib(Filled(8, 4, c.height, 0xEE));
    EXPECT_EQ(Run(c.raw, dib.bmi()), c.expect);
    if (c.expect < 0) {
      EXPECT_EQ(sinks.errors, std::vector<std::string>{"flate decoding error"});
    } else {
      EXPECT_TRUE(sinks.errors.empty());
    }
    if (c.rows_written > 0) {
      std::vector<uint8_t> expect(rows.begin(), rows.begin() + 4 * c.rows_written);
      expect.resize(4 * c.height, 0xEE);
      EXPECT_EQ(dib.Rows(4), expect);
    }
  }
}

TEST_F(ImageFlateTest, NullDataFail) {
  OwnedDib dib(Filled(8, 4, 4, 0));
  EXPECT_EQ(FlateDecodeRows(nullptr, 0, dib.bmi()), -1);
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"flate decoding error"});
}

}  // namespace

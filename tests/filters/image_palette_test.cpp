// Indexed colour spaces: the colour table from the lookup data, within bounds.
#include <gtest/gtest.h>

#include "tests/filters/image_fixture.h"
#include "tests/support/jpeg_encoder.h"

namespace {

class ImagePaletteTest : public ImageTest {
 protected:
  pdf::Object* Indexed(pdf::Object* base, pdf::Object* hival, pdf::Object* lookup) {
    return Array({Name("Indexed"), base, hival, lookup});
  }
  // A bitmap whose colour table and pixels are all `fill` bytes.
  HDIB Marked(int depth, int kind, uint8_t fill) {
    HDIB dib = BmiCreateDib(depth, 2, 2, kind);
    auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(dib));
    std::memset(BmiColorTable(bmi), fill, BmiColorTableSize(bmi));
    ClearPixelArea(bmi, fill);
    DibUnlock(dib);
    return dib;
  }
  static std::vector<uint8_t> Table(const OwnedDib& dib) {
    const auto* p = reinterpret_cast<const uint8_t*>(BmiColorTable(dib.bmi()));
    return std::vector<uint8_t>(p, p + BmiColorTableSize(dib.bmi()));
  }
};

// Lookup bytes 3i, 3i + 1, 3i + 2 give red, green and blue of entry i.
std::string Lookup(int entries) {
  std::string bytes;
  for (int i = 0; i < entries; ++i) {
    bytes += static_cast<char>(10 + i);
    bytes += static_cast<char>(100 + i);
    bytes += static_cast<char>(200 + i);
  }
  return bytes;
}

std::vector<uint8_t> ExpectTable(int entries, int written, uint8_t fill) {
  std::vector<uint8_t> table(4 * entries, fill);
  for (int i = 0; i < written; ++i) {
    table[4 * i] = static_cast<uint8_t>(200 + i);
    table[4 * i + 1] = static_cast<uint8_t>(100 + i);
    table[4 * i + 2] = static_cast<uint8_t>(10 + i);
    table[4 * i + 3] = 0;
  }
  return table;
}

TEST_F(ImagePaletteTest, EntriesComeFromTheLookupWithinBothBounds) {
  struct Case {
    const char* name;
    int depth;
    int hival;
    int lookup_entries;
    std::string extra;  // bytes after the whole entries
    int written;
  };
  const Case cases[] = {
      {"hival 1, 1 bit", 1, 1, 2, "", 2},
      {"hival 0 writes one entry", 1, 0, 2, "", 1},
      {"hival beyond the table", 1, 255, 256, "", 2},
      {"hival beyond the lookup", 8, 200, 5, "\x01\x02", 5},
      {"lookup longer than needed", 4, 3, 16, "", 4},
      {"negative hival", 8, -4, 16, "", 0},
      {"empty lookup", 8, 10, 0, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    OwnedDib dib(Marked(c.depth, kDibPalette, 0xEE));
    ApplyIndexedPalette(
        Indexed(Name("DeviceRGB"), Number(c.hival), Stream(Lookup(c.lookup_entries) + c.extra)),
        dib.bmi());
    EXPECT_EQ(Table(dib), ExpectTable(1 << c.depth, c.written, 0xEE));
    // The pixels right after the table are untouched.
    EXPECT_EQ(dib.Rows(1), std::vector<uint8_t>(2, 0xEE));
    EXPECT_TRUE(sinks.errors.empty());
  }
}

TEST_F(ImagePaletteTest, ColorSpacesNotInTheAcceptedFormAreRefused) {
  const std::string lookup = Lookup(2);
  struct Case {
    const char* name;
    pdf::Object* color_space;
  };
  const Case cases[] = {
      {"lookup as a string", Indexed(Name("DeviceRGB"), Number(1), String(lookup))},
      {"gray base", Indexed(Name("DeviceGray"), Number(1), Stream(lookup))},
      {"base as an array", Indexed(Array({Name("ICCBased")}), Number(1), Stream(lookup))},
      {"hival as a name", Indexed(Name("DeviceRGB"), Name("One"), Stream(lookup))},
      {"abbreviated name", Array({Name("I"), Name("DeviceRGB"), Number(1), Stream(lookup)})},
      {"five elements",
       Array({Name("Indexed"), Name("DeviceRGB"), Number(1), Stream(lookup), Number(0)})},
      {"ICCBased", Array({Name("ICCBased"), Stream(lookup)})},
      {"a name", Name("DeviceRGB")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    OwnedDib dib(Marked(8, kDibPalette, 0xEE));
    ApplyIndexedPalette(c.color_space, dib.bmi());
    EXPECT_EQ(Table(dib), std::vector<uint8_t>(4 * 256, 0xEE));
    EXPECT_EQ(sinks.errors, std::vector<std::string>{"can't parse indexed color space"});
  }
}

TEST_F(ImagePaletteTest, BitmapsWithoutAPaletteTableAreLeftAlone) {
  struct Case {
    const char* name;
    int depth;
    int kind;
  };
  const Case cases[] = {
      {"24 bits: no table", 24, kDibRgb},
      {"16 bits: channel masks", 16, kDibPalette},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OwnedDib dib(Marked(c.depth, c.kind, 0xEE));
    const std::vector<uint8_t> before = Table(dib);
    ApplyIndexedPalette(Indexed(Name("DeviceRGB"), Number(255), Stream(Lookup(256))), dib.bmi());
    EXPECT_EQ(Table(dib), before);
    EXPECT_EQ(dib.Rows(2 * c.depth / 8), std::vector<uint8_t>(2 * 2 * c.depth / 8, 0xEE));
  }
}

TEST_F(ImagePaletteTest, StringLookupKeepsTheDefaultTableOfAnImage) {
  // 8-bit indexed Flate picture: the built-in palette stays.
  pdf::Dictionary* image =
      Image(Name("FlateDecode"), Indexed(Name("DeviceRGB"), Number(1), String(Lookup(2))), 2, 2, 8,
            Deflate({0, 1, 1, 0}));
  OwnedDib dib(image->ToDib());
  ASSERT_TRUE(dib);
  EXPECT_EQ(std::memcmp(BmiColorTable(dib.bmi()), DibBuiltinPalette(), 256 * sizeof(RGBQUAD)), 0);
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"can't parse indexed color space"});
}

TEST_F(ImagePaletteTest, OneBitIndexedImageTakesTheFirstSixLookupBytes) {
  pdf::Dictionary* image =
      Image(Name("FlateDecode"), Indexed(Name("DeviceRGB"), Number(1), Stream(Lookup(2))), 8, 2, 1,
            Deflate({0xF0, 0x0F}));
  OwnedDib dib(image->ToDib());
  ASSERT_TRUE(dib);
  EXPECT_EQ(dib->biBitCount, 1);
  EXPECT_EQ(Table(dib), ExpectTable(2, 2, 0));
  EXPECT_EQ(dib.Rows(1), (std::vector<uint8_t>{0xF0, 0x0F}));
}

TEST_F(ImagePaletteTest, JpegWithAnIndexedColorSpaceGetsTheTable) {
  // A gray JPEG is an 8-bit bitmap with a gray table, which the lookup overwrites.
  const std::vector<uint8_t> gray(8 * 8, 1);
  const std::vector<uint8_t> jpeg = JpegEncode(gray.data(), 8, 8, 1);
  ASSERT_FALSE(jpeg.empty());
  pdf::Dictionary* image =
      Image(Name("DCTDecode"), Indexed(Name("DeviceRGB"), Number(2), Stream(Lookup(3))), 8, 8, 8,
            AsString(jpeg));
  OwnedDib dib(image->ToDib());
  ASSERT_TRUE(dib);
  ASSERT_EQ(dib->biBitCount, 8);
  std::vector<uint8_t> table = Table(dib);
  table.resize(12);
  EXPECT_EQ(table, ExpectTable(3, 3, 0));
  EXPECT_EQ(BmiColorTable(dib.bmi())[3].rgbRed, 3);  // the gray ramp goes on
  EXPECT_TRUE(sinks.errors.empty());
}

}  // namespace

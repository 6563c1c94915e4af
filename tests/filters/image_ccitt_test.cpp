// CCITT fax images: the parameters K and BlackIs1, and the inversion, checked
// against libtiff's fax encoder (its strips hold 1 for black).
#include <gtest/gtest.h>

#include "tests/filters/image_fixture.h"
#include "tests/support/synthetic_data.h"
#include "tests/support/tiff_oracle.h"

namespace {

class ImageCcittTest : public ImageTest {
 protected:
  static std::string Fax(const Bilevel& picture, FaxCoding coding) {
    return AsString(
        TiffRawStrip(TiffWriteFax(picture.rows, picture.width, picture.height, coding)));
  }
  pdf::Dictionary* FaxImage(const Bilevel& picture, const std::string& raw,
                            pdf::Object* decode_parms) {
    pdf::Dictionary* image =
        Image(Name("CCITTFaxDecode"), Name("DeviceGray"), picture.width, picture.height, 1, raw);
    if (decode_parms != nullptr) {
      image->Set("DecodeParms", decode_parms);
    }
    return image;
  }
};

std::vector<uint8_t> Inverted(std::vector<uint8_t> bytes) {
  for (uint8_t& b : bytes) {
    b = static_cast<uint8_t>(~b);
  }
  return bytes;
}

// Bits past the width of each row's last byte, which the decoder never writes.
std::vector<uint8_t> MaskTail(std::vector<uint8_t> rows, int width) {
  const size_t stride = static_cast<size_t>((width + 7) / 8);
  const uint8_t keep = static_cast<uint8_t>(0xFF << ((8 - width % 8) % 8));
  for (size_t i = stride - 1; i < rows.size(); i += stride) {
    rows[i] &= keep;
  }
  return rows;
}

TEST_F(ImageCcittTest, ParametersChooseCodingAndInversion) {
  const Bilevel page = MakeTextPage(203, 61, 17);
  struct Case {
    const char* name;
    FaxCoding coding;
    pdf::Object* decode_parms;  // null: no DecodeParms
    bool inverted;
  };
  const Case cases[] = {
      {"no DecodeParms: Group 3 one-dimensional, inverted", FaxCoding::kG3OneD, nullptr, true},
      {"K -1: Group 4", FaxCoding::kG4, Dict({{"K", Number(-1)}}), true},
      {"K -1, BlackIs1 true: not inverted", FaxCoding::kG4,
       Dict({{"K", Number(-1)}, {"BlackIs1", Boolean(true)}}), false},
      {"BlackIs1 false is inverted", FaxCoding::kG4,
       Dict({{"K", Number(-5)}, {"BlackIs1", Boolean(false)}}), true},
      {"K 1: Group 3 two-dimensional", FaxCoding::kG3TwoD,
       Dict({{"K", Number(1)}, {"BlackIs1", Boolean(true)}}), false},
      {"BlackIs1 as a number counts as false", FaxCoding::kG3OneD, Dict({{"BlackIs1", Number(1)}}),
       true},
      {"Columns and Rows change nothing", FaxCoding::kG4,
       Dict({{"K", Number(-1)}, {"Columns", Number(16)}, {"Rows", Number(2)}}), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    OwnedDib dib(FaxImage(page, Fax(page, c.coding), c.decode_parms)->ToDib());
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->biBitCount, 1);
    const std::vector<uint8_t> expect = c.inverted ? Inverted(page.rows) : page.rows;
    EXPECT_EQ(MaskTail(dib.Rows(page.stride()), page.width), MaskTail(expect, page.width));
    EXPECT_TRUE(sinks.errors.empty());
  }
}

TEST_F(ImageCcittTest, KThatIsNotANumberMeansGroup3) {
  // Group 4 data read as Group 3 finds no end-of-line code: not the picture.
  const Bilevel page = MakeTextPage(64, 20, 3);
  OwnedDib as_g3(FaxImage(page, Fax(page, FaxCoding::kG4), Dict({{"K", Name("Minus1")}}))->ToDib());
  ASSERT_TRUE(as_g3);
  EXPECT_NE(as_g3.Rows(page.stride()), Inverted(page.rows));
  OwnedDib with_g3_data(
      FaxImage(page, Fax(page, FaxCoding::kG3OneD), Dict({{"K", Name("Minus1")}}))->ToDib());
  ASSERT_TRUE(with_g3_data);
  EXPECT_EQ(with_g3_data.Rows(page.stride()), Inverted(page.rows));
}

TEST_F(ImageCcittTest, RowsAfterAGroup3StopAreWhite) {
  const Bilevel page = MakeBlankPage(40, 12, /*black=*/true);
  const std::string raw = Fax(page, FaxCoding::kG3OneD);
  // About half the lines survive; decoding stops where the data end.
  const std::string cut = raw.substr(0, raw.size() / 2);
  struct Case {
    const char* name;
    bool black_is_1;
    uint8_t white;  // an undecoded row's bytes after the inversion rules
  };
  const Case cases[] = {
      {"inverted: white is 1", false, 0xFF},
      {"BlackIs1: rows stay as the decoder's white", true, 0x00},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    OwnedDib dib(FaxImage(page, cut, Dict({{"BlackIs1", Boolean(c.black_is_1)}}))->ToDib());
    ASSERT_TRUE(dib);
    const std::vector<uint8_t> last = dib.Row(page.height - 1, page.stride());
    EXPECT_EQ(last, std::vector<uint8_t>(page.stride(), c.white));
    const std::vector<uint8_t> first = dib.Row(0, page.stride());
    EXPECT_EQ(first, std::vector<uint8_t>(page.stride(), static_cast<uint8_t>(~c.white)));
    // The padding is the same on every run.
    EXPECT_EQ(dib.Padding(page.stride()),
              std::vector<uint8_t>((BmiRowBytes(dib.bmi()) - page.stride()) * page.height, 0));
  }
}

TEST_F(ImageCcittTest, EightBitGrayIsNotDecodedButStaysDeterministic) {
  const Bilevel page = MakeTextPage(16, 4, 1);
  pdf::Dictionary* image = Image(Name("CCITTFaxDecode"), Name("DeviceGray"), page.width,
                                 page.height, 8, Fax(page, FaxCoding::kG4));
  image->Set("DecodeParms", Dict({{"K", Number(-1)}}));
  OwnedDib dib(image->ToDib());
  ASSERT_TRUE(dib);
  EXPECT_EQ(sinks.errors,
            std::vector<std::string>{"Bits/sample must be 1 for Group 3/4 encoding/decoding"});
  // Cleared to the decoder's white, then inverted like any other fax picture.
  EXPECT_EQ(dib.Rows(16), std::vector<uint8_t>(16 * 4, 0xFF));
}

TEST_F(ImageCcittTest, HostileSizes) {
  const Bilevel page = MakeTextPage(32, 8, 2);
  const std::string raw = Fax(page, FaxCoding::kG4);
  struct Case {
    const char* name;
    int width;
    int height;
    bool bitmap;
  };
  const Case cases[] = {
      {"negative width", -32, 8, true},
      {"zero height", 32, 0, true},
      {"INT_MAX square", INT32_MAX, INT32_MAX, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    const int live = DibLiveCount();
    {
      OwnedDib dib(CcittDibFromData(1, c.width, c.height, kDibBilevel,
                                    reinterpret_cast<const uint8_t*>(raw.data()),
                                    static_cast<int>(raw.size()), doc_.null_object));
      EXPECT_EQ(static_cast<bool>(dib), c.bitmap);
    }
    if (!c.bitmap) {
      EXPECT_EQ(sinks.errors, std::vector<std::string>{"PDF BmiCreateDib failed."});
    }
    EXPECT_EQ(DibLiveCount(), live);
  }
}

}  // namespace

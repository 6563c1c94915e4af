// What modern mode draws for the parts of an image dictionary that producers'
// files above do not reach: masks of every kind, stencils, reduction, data
// that end early, missing and hostile entries. Each row is an image stream
// (object 5) built byte for byte, and a few pixels and lines the user sees.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "describe/description.h"
#include "describe/open_mode.h"
#include "describe/viewer_document.h"
#include "dib/dib.h"
#include "dib/dib_rgb_rows.h"
#include "filters/modern_image.h"
#include "pdf/object.h"
#include "tests/support/jbig2_writer.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/synthetic_data.h"

namespace {

struct Pixel {
  int x, y;
  uint8_t r, g, b;
};

struct Case {
  const char* name;
  const char* entries;  // of object 5; object 6 is a second stream for masks
  std::string data;
  const char* mask_entries;  // null for no object 6
  std::string mask_data;
  size_t max_pixels;
  int width, height;  // drawn; 0 when nothing may be drawn
  std::vector<Pixel> pixels;
  const char* line;  // a line the pane must show
};

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values)
    s += static_cast<char>(v);
  return s;
}

std::string Repeat(const std::string& unit, int times) {
  std::string s;
  for (int i = 0; i < times; ++i)
    s += unit;
  return s;
}

constexpr uint8_t kLight = 204;  // the checkerboard's darker squares
const size_t kBig = size_t{1} << 26;

const Case kCases[] = {
    {"soft mask: opaque, half and clear over the checkerboard",
     "/Subtype /Image /Width 16 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceRGB "
     "/SMask 6 0 R",
     Repeat(Bytes({255, 0, 0}), 16),
     "/Subtype /Image /Width 16 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray",
     Bytes({255, 0, 0, 0, 0, 0, 0, 0, 0, 128, 0, 0, 0, 0, 0, 0}),
     kBig,
     16,
     1,
     {{0, 0, 255, 0, 0},
      {1, 0, 255, 255, 255},
      {8, 0, kLight, kLight, kLight},
      {9, 0, 230, 102, 102}},
     "Soft mask (SMask): transparent parts drawn over a checkerboard"},
    {"soft mask of another size is stretched",
     "/Subtype /Image /Width 16 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceGray "
     "/SMask 6 0 R",
     std::string(32, '\0'),
     "/Subtype /Image /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray",
     Bytes({0, 255}),
     kBig,
     16,
     2,
     {{1, 1, 255, 255, 255}, {7, 0, 255, 255, 255}, {8, 1, 0, 0, 0}},
     nullptr},
    {"stencil Mask: 1 masks out",
     "/Subtype /Image /Width 16 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray "
     "/Mask 6 0 R",
     std::string(16, '\0'),
     "/Subtype /Image /Width 16 /Height 1 /ImageMask true",
     Bytes({0x00, 0xff}),
     kBig,
     16,
     1,
     {{0, 0, 0, 0, 0}, {8, 0, kLight, kLight, kLight}},
     "Mask image: masked parts drawn as a checkerboard"},
    {"colour key Mask array",
     "/Subtype /Image /Width 16 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray "
     "/Mask [10 20]",
     Bytes({0, 15, 0, 0, 0, 0, 0, 0, 0, 20, 21, 0, 0, 0, 0, 0}),
     nullptr,
     "",
     kBig,
     16,
     1,
     {{0, 0, 0, 0, 0}, {1, 0, 255, 255, 255}, {9, 0, kLight, kLight, kLight}, {10, 0, 21, 21, 21}},
     nullptr},
    {"ImageMask paints black where 0",
     "/Subtype /Image /Width 8 /Height 2 /ImageMask true",
     Bytes({0xf0, 0x0f}),
     nullptr,
     "",
     kBig,
     8,
     2,
     {{0, 0, 255, 255, 255}, {4, 0, 0, 0, 0}, {0, 1, 0, 0, 0}},
     "Image mask: 8 x 2"},
    {"ImageMask with Decode [1 0] paints where 1",
     "/Subtype /Image /Width 8 /Height 1 /ImageMask true /Decode [1 0]",
     Bytes({0xf0}),
     nullptr,
     "",
     kBig,
     8,
     1,
     {{0, 0, 0, 0, 0}, {4, 0, 255, 255, 255}},
     nullptr},
    {"huge picture drawn reduced by sampling",
     "/Subtype /Image /Width 100 /Height 100 /BitsPerComponent 8 /ColorSpace /DeviceGray",
     Repeat(Repeat(Bytes({0, 255}), 50) + Repeat(Bytes({255, 0}), 50), 50),
     nullptr,
     "",
     2500,
     50,
     50,
     {{0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}},
     "Drawn reduced to 50 x 50"},
    {"data that end early leave the rest blank",
     "/Subtype /Image /Width 2 /Height 3 /BitsPerComponent 8 /ColorSpace /DeviceGray",
     Bytes({0, 0, 0}),
     nullptr,
     "",
     kBig,
     2,
     3,
     {{0, 0, 0, 0, 0}, {0, 1, 255, 255, 255}},
     "The data end after 1 of 3 rows"},
    {"no ColorSpace: the data length tells",
     "/Subtype /Image /Width 2 /Height 1 /BitsPerComponent 8",
     Bytes({255, 0, 0, 0, 0, 255}),
     nullptr,
     "",
     kBig,
     2,
     1,
     {{0, 0, 255, 0, 0}, {1, 0, 0, 0, 255}},
     "3 components per pixel, as the data length says"},
    {"CMYK inverted by its Decode array",
     "/Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceCMYK "
     "/Decode [1 0 1 0 1 0 1 0]",
     Bytes({255, 0, 255, 255}),
     nullptr,
     "",
     kBig,
     1,
     1,
     {{0, 0, 255, 0, 255}},
     nullptr},
    {"no Width",
     "/Subtype /Image /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray",
     Bytes({0}),
     nullptr,
     "",
     kBig,
     0,
     0,
     {},
     "Width null and Height 1 are no picture size"},
    {"BitsPerComponent 3",
     "/Subtype /Image /Width 1 /Height 1 /BitsPerComponent 3 /ColorSpace /DeviceGray",
     Bytes({0}),
     nullptr,
     "",
     kBig,
     0,
     0,
     {},
     "BitsPerComponent 3 is none of"},
    {"a billion pixels of samples are refused before decoding",
     "/Subtype /Image /Width 16000000 /Height 16000000 /BitsPerComponent 16 "
     "/ColorSpace /DeviceCMYK",
     Bytes({0}),
     nullptr,
     "",
     kBig,
     0,
     0,
     {},
     "the samples would take"},
    {"unknown filter",
     "/Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 "
     "/ColorSpace /DeviceGray /Filter /NoSuchDecode",
     Bytes({0}),
     nullptr,
     "",
     kBig,
     0,
     0,
     {},
     "unsupported filter: NoSuchDecode"},
};

// The bitmap's size and the pixels the row names; the rows are let go
// before the bitmap is freed.
void CheckPixels(HDIB dib, const Case& c) {
  DibRgbRows rows(dib, /*channels=*/3);
  ASSERT_TRUE(rows.ok());
  EXPECT_EQ(rows.width(), c.width);
  EXPECT_EQ(rows.height(), c.height);
  for (const Pixel& p : c.pixels) {
    SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
    const uint8_t* at = rows.Row(p.y) + 3 * p.x;
    EXPECT_EQ(at[0], p.r);
    EXPECT_EQ(at[1], p.g);
    EXPECT_EQ(at[2], p.b);
  }
}

class ImageDrawingTest : public ::testing::TestWithParam<Case> {};

TEST_P(ImageDrawingTest, DrawsWhatTheDictionarySays) {
  const Case& c = GetParam();
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Stream(5, c.entries, c.data);
  if (c.mask_entries != nullptr)
    b.Stream(6, c.mask_entries, c.mask_data);
  b.Finish("/Root 1 0 R");
  const std::string bytes = b.Bytes();
  ViewerDocument doc;
  ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "test.pdf",
                             OpenOptionsFor(pdf::Mode::kModern)));
  ImageDrawing drawing = DrawImageStream(doc.GetObject(5, 0)->AsDictionary(), c.max_pixels);
  std::string said;
  for (const std::string& line : drawing.lines)
    said += line + "\n";
  if (c.line != nullptr) {
    EXPECT_NE(said.find(c.line), std::string::npos) << said;
  }
  if (c.width == 0) {
    EXPECT_EQ(drawing.dib, nullptr) << said;
    DibFree(drawing.dib);
    return;
  }
  ASSERT_NE(drawing.dib, nullptr) << said;
  CheckPixels(drawing.dib, c);
  DibFree(drawing.dib);
}

INSTANTIATE_TEST_SUITE_P(Images, ImageDrawingTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           std::string name;
                           for (const char* p = info.param.name; *p != '\0'; ++p)
                             name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           return name;
                         });

// The pane of an image stream in modern mode: the entries, then what the
// picture is; classic mode's pane lists the entries only.
TEST(ImageDescription, ModernPaneSaysWhatThePictureIs) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Stream(5, "/Subtype /Image /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray",
           Bytes({0, 255}));
  b.Finish("/Root 1 0 R");
  const std::string bytes = b.Bytes();
  for (pdf::Mode mode : {pdf::Mode::kClassic, pdf::Mode::kModern}) {
    ViewerDocument doc;
    ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "test.pdf",
                               OpenOptionsFor(mode)));
    HDIB image = nullptr;
    pdf::Object* stream = doc.GetObject(5, 0);
    const std::string text = DescribeWithPicture(stream, &image);
    const bool modern = mode == pdf::Mode::kModern;
    EXPECT_EQ(
        text.find("Image: 2 x 1 pixels, 8 bits per component, DeviceGray") != std::string::npos,
        modern)
        << text;
    EXPECT_EQ(text.substr(0, DescribeObject(stream).size()), DescribeObject(stream));
    // Classic mode draws no image without a filter.
    EXPECT_EQ(image != nullptr, modern);
    DibFree(image);
  }
}

}  // namespace

namespace {

// A JBIG2 page (its black pixels 1) draws black where the page is black,
// with the image's default Decode array, in both of the standard's codings.
TEST(ImageDrawing, Jbig2PageDrawsBlackWhereThePageIsBlack) {
  const Bilevel page = MakeTextPage(61, 40, /*seed=*/3);
  for (Jbig2Coding coding : {Jbig2Coding::kMmr, Jbig2Coding::kArithmetic}) {
    const std::vector<uint8_t> coded = Jbig2EmbeddedPage(page, coding, /*stripes=*/2);
    PdfBuilder b;
    b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    b.Stream(5,
             "/Subtype /Image /Width 61 /Height 40 /BitsPerComponent 1 /ColorSpace /DeviceGray "
             "/Filter /JBIG2Decode",
             std::string(coded.begin(), coded.end()));
    b.Finish("/Root 1 0 R");
    const std::string bytes = b.Bytes();
    ViewerDocument doc;
    ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "test.pdf",
                               OpenOptionsFor(pdf::Mode::kModern)));
    ImageDrawing drawing = DrawImageStream(doc.GetObject(5, 0)->AsDictionary());
    ASSERT_NE(drawing.dib, nullptr);
    {
      DibRgbRows rows(drawing.dib, /*channels=*/3);
      ASSERT_TRUE(rows.ok());
      int wrong = 0;
      for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x)
          wrong += (rows.Row(y)[3 * x] == 0) != page.Get(x, y);
      }
      EXPECT_EQ(wrong, 0);
    }
    DibFree(drawing.dib);
  }
}

}  // namespace

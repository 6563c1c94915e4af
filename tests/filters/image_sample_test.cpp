// The bundled sample's images, written into a file, opened, reached through the
// page's resources (references resolved) and converted: each must show its
// picture after the conversion that drawing makes.
#include <gtest/gtest.h>

#include <cstdlib>

#include "dib/dib_rgb_rows.h"
#include "tests/filters/image_fixture.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/sample_images.h"

namespace {

class ImageSampleTest : public SinkTest {
 protected:
  void SetUp() override {
    images_ = MakeSampleImages();
    PdfBuilder b;
    std::string xobjects;
    int number = 5;
    for (const SampleImage& image : images_) {
      xobjects += " /" + image.name + " " + std::to_string(number) + " 0 R";
      number += image.lookup.empty() ? 1 : 2;
    }
    b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    b.Object(2, "<< /Type /Pages /Kids [4 0 R] /Count 1 >>");
    b.Object(3, "<< /Title (Images) >>");
    b.Object(4, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject <<" +
                    xobjects + " >> >> >>");
    number = 5;
    for (const SampleImage& image : images_) {
      b.Stream(number, image.Entries(number + 1), image.data);
      if (!image.lookup.empty()) {
        b.Stream(number + 1, "", image.lookup);
      }
      number += image.lookup.empty() ? 1 : 2;
    }
    b.Finish(
        "/Root 1 0 R /Info 3 0 R /ID [<00112233445566778899aabbccddeeff> "
        "<00112233445566778899aabbccddeeff>]");
    bytes_ = b.Bytes();
    ASSERT_TRUE(doc_.OpenMemory(bytes_.data(), static_cast<int32_t>(bytes_.size()), "images.pdf"));
  }

  pdf::Object* XObject(const std::string& name) {
    return doc_.catalog->Get("Pages")
        ->Get("Kids")
        ->Item(0)
        ->Get("Resources")
        ->Get("XObject")
        ->Get(name.c_str());
  }

  std::vector<SampleImage> images_;
  std::string bytes_;
  pdf::Document doc_;
};

// Ppm of a resolution in dpi, as the bitmap stores it.
int Ppm(double dpi) {
  return static_cast<int>(dpi * 39.37007874015748 + 0.5);
}

TEST_F(ImageSampleTest, EveryImageShowsItsPicture) {
  ASSERT_EQ(images_.size(), 9u);
  for (const SampleImage& image : images_) {
    SCOPED_TRACE(image.name);
    sinks.Clear();
    pdf::Object* stream = XObject(image.name);
    ASSERT_TRUE(stream->IsStream());
    OwnedDib dib(stream->AsDictionary()->ToDib());
    ASSERT_TRUE(dib);
    EXPECT_TRUE(sinks.errors.empty()) << sinks.errors.front();
    EXPECT_EQ(dib->biXPelsPerMeter, Ppm(image.x_dpi));
    EXPECT_EQ(dib->biYPelsPerMeter, Ppm(image.y_dpi));

    DibRgbRows rows(dib.handle(), 3);
    ASSERT_TRUE(rows.ok());
    ASSERT_EQ(rows.width(), image.width);
    ASSERT_EQ(rows.height(), image.height);
    int largest = 0;
    const size_t row_bytes = 3 * static_cast<size_t>(image.width);
    for (int y = 0; y < image.height; ++y) {
      const uint8_t* got = rows.Row(y);
      const uint8_t* want = image.rgb.data() + row_bytes * y;
      for (size_t i = 0; i < row_bytes; ++i) {
        largest = std::max(largest, std::abs(got[i] - want[i]));
      }
    }
    EXPECT_LE(largest, image.tolerance);
  }
}

}  // namespace

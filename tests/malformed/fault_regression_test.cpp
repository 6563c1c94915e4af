// Faults found by fuzzing, one test each, named after the fault. A picture
// without rows may still claim a width of 2^31 (an image with Width 2^31 and
// no Height); work rows sized by that width asked for gigabytes to show
// nothing. The array allocations made meanwhile are watched through this
// program's own operator new[].
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <new>
#include <string>

#include "dib/dib.h"
#include "dib/dib_rgb_rows.h"
#include "tests/malformed/document_walk.h"
#include "tests/malformed/open_check.h"
#include "tests/support/pdf_builder.h"

namespace {

std::atomic<bool> g_watching{false};
std::atomic<size_t> g_largest{0};

void Note(size_t size) {
  if (!g_watching) {
    return;
  }
  size_t seen = g_largest;
  while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
  }
}

// The largest array allocation made while the object lives.
class LargestArray {
 public:
  LargestArray() {
    g_largest = 0;
    g_watching = true;
  }
  ~LargestArray() { g_watching = false; }
  size_t bytes() const { return g_largest; }
};

// Work rows for rows that exist are fine; a megabyte is far above any used here.
constexpr size_t kSmall = size_t{1} << 20;

}  // namespace

void* operator new[](size_t size) {
  Note(size);
  if (void* block = std::malloc(size != 0 ? size : 1)) {
    return block;
  }
  throw std::bad_alloc();
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  Note(size);
  return std::malloc(size != 0 ? size : 1);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block, size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}

namespace {

TEST(FaultRegression, RowExportOfEmptyWidePictureSizedRowBuffersByItsWidth) {
  HDIB dib = BmiCreateDib(1, INT_MAX, 0, kDibBilevel);
  ASSERT_NE(dib, nullptr);
  {
    LargestArray largest;
    DibRgbRows rows(dib, /*channels=*/3);
    EXPECT_TRUE(rows.ok());
    EXPECT_EQ(rows.height(), 0);
    EXPECT_EQ(rows.Row(0), nullptr);
    EXPECT_LT(largest.bytes(), kSmall);
  }
  DibFree(dib);
}

TEST(FaultRegression, ConversionOfEmptyWidePictureSizedItsWorkRowByItsWidth) {
  // 16-bit gray is converted before drawing; 2^29 pixels make a 1 GiB row.
  HDIB dib = BmiCreateDib(16, 1 << 29, 0, kDibGray);
  ASSERT_NE(dib, nullptr);
  {
    LargestArray largest;
    HDIB converted = DIB_ConvertToFormat(dib, kDibGray, 8);
    EXPECT_NE(converted, nullptr);
    EXPECT_EQ(DIB_GetHeight(converted), 0);
    EXPECT_LT(largest.bytes(), kSmall);
    DibFree(converted);
  }
  DibFree(dib);
}

TEST(FaultRegression, ScaleToGrayOfEmptyWidePictureSizedItsWorkRowsByItsWidth) {
  constexpr int kWidth = 1 << 24;
  HDIB dib = BmiCreateDib(1, kWidth, 0, kDibBilevel);
  ASSERT_NE(dib, nullptr);
  {
    LargestArray largest;
    HDIB gray = DIB_ScaleToGray(dib, 2);
    ASSERT_NE(gray, nullptr);
    EXPECT_LT(largest.bytes(), kSmall);
    // An empty picture is paper white.
    auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(gray));
    ASSERT_EQ(bmi->biWidth, kWidth / 2);
    EXPECT_EQ(BmiRowPtr(bmi, 0)[0], 255);
    EXPECT_EQ(BmiRowPtr(bmi, 0)[kWidth / 2 - 1], 255);
    DibUnlock(gray);
    DibFree(gray);
  }
  DibFree(dib);
}

TEST(FaultRegression, ImageWithHugeWidthAndNoHeightIsShownWithoutRowBuffers) {
  // As the fuzzer wrote it: the Height key misspelt, so the bitmap has no rows.
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R /Im 3 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Stream(3,
           "/Type /XObject /Subtype /Image /Width 5033333333333 /Heikht 80 /ColorSpace "
           "/DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode",
           std::string(32, '\xfc'));
  b.Finish("/Root 1 0 R");
  const std::string bytes = b.Bytes();
  UserMessages quiet;
  ViewerDocument doc;
  ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), kMalformedName));
  HDIB dib = doc.GetObject(3, 0)->AsDictionary()->ToDib();
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(DIB_GetWidth(dib), INT_MAX);
  EXPECT_EQ(DIB_GetHeight(dib), 0);
  {
    LargestArray largest;
    EXPECT_EQ(ShowBitmap(dib), 0);
    EXPECT_LT(largest.bytes(), kSmall);
  }
  DibFree(dib);
}

}  // namespace

namespace {

// Without the fix each conversion below visited all 2^31 empty rows several
// times over (clearing, inverting, turning upside down, exchanging red and
// blue, converting), seconds each; repeated, they run far past the suite's
// ctest timeout. With it each takes microseconds.
constexpr int kRepeats = 100;

TEST(FaultRegression, ImageOfNoColumnsAnd2To31RowsVisitedEveryEmptyRow) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  const std::string shape = "/Subtype /Image /Width 0 /Height 2147483647 ";
  b.Stream(3, shape + "/ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode",
           std::string(8, '\0'));
  b.Stream(4, shape + "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /LZWDecode",
           std::string(8, '\x80'));
  b.Finish("/Root 1 0 R");
  const std::string bytes = b.Bytes();
  UserMessages quiet;
  ViewerDocument doc;
  ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), kMalformedName));
  for (int repeat = 0; repeat < kRepeats; ++repeat) {
    for (int number : {3, 4}) {
      HDIB dib = doc.GetObject(number, 0)->AsDictionary()->ToDib();
      ASSERT_NE(dib, nullptr) << number;
      EXPECT_EQ(DIB_GetWidth(dib), 0);
      EXPECT_EQ(DIB_GetHeight(dib), INT_MAX);
      EXPECT_EQ(ShowBitmap(dib), 0);
      DibFree(dib);
    }
  }
}

TEST(FaultRegression, ConversionOfNoColumnsAnd2To31RowsVisitedEveryEmptyRow) {
  HDIB gray16 = BmiCreateDib(16, 0, INT_MAX, kDibGray);
  HDIB gray8 = BmiCreateDib(8, 0, INT_MAX, kDibGray);
  ASSERT_NE(gray16, nullptr);
  ASSERT_NE(gray8, nullptr);
  for (int repeat = 0; repeat < kRepeats; ++repeat) {
    // A row conversion and a plain copy of the rows.
    for (HDIB source : {gray16, gray8}) {
      HDIB converted = DIB_ConvertToFormat(source, kDibGray, 8);
      ASSERT_NE(converted, nullptr);
      EXPECT_EQ(DIB_GetHeight(converted), INT_MAX);
      DibFree(converted);
    }
  }
  DibFree(gray16);
  DibFree(gray8);
}

}  // namespace

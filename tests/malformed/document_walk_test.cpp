// The walk itself: it must reach what the panes reach and stop where its limits
// say, or the malformed-file tests and the fuzz target prove little.
#include "tests/malformed/document_walk.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "dib/dib.h"
#include "pdf/document.h"
#include "tests/malformed/malformed_files.h"
#include "tests/malformed/open_check.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/sample_images.h"

namespace {

TEST(DocumentWalk, RichSampleConvertsEveryImageAndFreesIt) {
  const int live_before = DibLiveCount();
  const OpenOutcome outcome = OpenAndWalk(RichSamplePdf());
  ASSERT_TRUE(outcome.opened);
  EXPECT_TRUE(outcome.messages.empty()) << outcome.messages.front();
  // The images sit below Root/Pages/Kids/[0]/Resources/XObject, deeper than
  // the expansion goes; the numbered objects reach each of them once.
  const int images = static_cast<int>(MakeSampleImages().size());
  EXPECT_EQ(outcome.counts.images, images);
  EXPECT_EQ(outcome.counts.bitmaps, images);
  EXPECT_EQ(outcome.counts.skipped_images, 0);
  int rows = 0;
  for (const SampleImage& image : MakeSampleImages()) {
    rows += image.height;
  }
  EXPECT_EQ(outcome.counts.shown_rows, rows);
  // Two content streams, the lookup stream and the images, at least once each.
  EXPECT_GE(outcome.counts.streams, images + 3);
  EXPECT_GT(outcome.counts.expanded, 4);
  EXPECT_EQ(DibLiveCount(), live_before);
}

TEST(DocumentWalk, ExpandsNoDeeperThanItsDepth) {
  // A chain of arrays: each one holds the next, so each level adds one item.
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R /Chain [[[[[[[[1]]]]]]]] >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Finish("/Root 1 0 R");
  const std::string bytes = b.Bytes();
  struct Case {
    int depth;
    int expanded;
  };
  // Depth 0 expands nothing; then Root and Trailer (1), Root's Pages and Chain
  // and Trailer's Root (2), and so on.
  for (const Case& c : {Case{0, 0}, Case{1, 2}, Case{2, 5}}) {
    SCOPED_TRACE(c.depth);
    WalkLimits limits;
    limits.max_depth = c.depth;
    const OpenOutcome outcome = OpenAndWalk(bytes, limits);
    ASSERT_TRUE(outcome.opened);
    EXPECT_EQ(outcome.counts.expanded, c.expanded);
  }
}

TEST(DocumentWalk, StopsAfterItsItemBudget) {
  // Every item of the array is the array again: 100^4 items at depth 4.
  std::string refs;
  for (int i = 0; i < 100; ++i) {
    refs += " 3 0 R";
  }
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R /Loop 3 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Object(3, "[" + refs + " ]");
  b.Finish("/Root 1 0 R");
  WalkLimits limits;
  limits.max_items = 2000;
  const OpenOutcome outcome = OpenAndWalk(b.Bytes(), limits);
  ASSERT_TRUE(outcome.opened);
  EXPECT_EQ(outcome.counts.items + outcome.counts.objects, limits.max_items);
}

TEST(DocumentWalk, SkipsImagesAboveItsBudgetAndCountsTheRest) {
  const OpenOutcome outcome = OpenAndWalk(HugeImagePdf());
  ASSERT_TRUE(outcome.opened);
  // Every shape with a width and height above 0 asks for more than the budget.
  EXPECT_GT(outcome.counts.skipped_images, 0);
  WalkLimits none;
  none.max_images = 0;
  const OpenOutcome rich = OpenAndWalk(RichSamplePdf(), none);
  EXPECT_EQ(rich.counts.images, 0);
  EXPECT_EQ(rich.counts.skipped_images, static_cast<int>(MakeSampleImages().size()));
}

TEST(RequestedImageBytes, FollowsTheColourSpaceAndPadsRows) {
  struct Case {
    const char* entries;
    int64_t expect;
  };
  const Case cases[] = {
      {"/Width 10 /Height 3 /ColorSpace /DeviceGray /BitsPerComponent 8", 12 * 3},
      {"/Width 10 /Height 3 /ColorSpace /DeviceGray /BitsPerComponent 1", 4 * 3},
      {"/Width 10 /Height 3 /ColorSpace /DeviceRGB /BitsPerComponent 8", 32 * 3},
      {"/Width 10 /Height 3 /ColorSpace /DeviceCMYK /BitsPerComponent 8", 40 * 3},
      {"/Width 10 /Height 3 /ColorSpace [/Indexed /DeviceRGB 1 <00>] /BitsPerComponent 4", 8 * 3},
      {"/Width 10 /Height 3 /ColorSpace /Lab /BitsPerComponent 8", 0},
      {"/Width -10 /Height 3 /ColorSpace /DeviceGray /BitsPerComponent 8", 0},
      // The library picks its default depth; the estimate takes the deepest.
      {"/Width 10 /Height 3 /ColorSpace /DeviceGray", 40 * 3},
      {"/Width 2147483648 /Height 2147483648 /ColorSpace /DeviceCMYK /BitsPerComponent 16",
       INT64_MAX},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entries);
    PdfBuilder b;
    b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    b.Stream(3, std::string("/Subtype /Image ") + c.entries, "x");
    b.Finish("/Root 1 0 R");
    UserMessages quiet;
    ViewerDocument doc;
    const std::string bytes = b.Bytes();
    ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "image.pdf"));
    EXPECT_EQ(RequestedImageBytes(doc.GetObject(3, 0)), c.expect);
  }
}

}  // namespace

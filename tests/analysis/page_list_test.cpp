#include "analysis/page_list.h"

#include <gtest/gtest.h>

#include <string>

#include "describe/open_mode.h"
#include "describe/viewer_document.h"
#include "pdf/object.h"
#include "tests/support/pdf_builder.h"

namespace {

struct Opened {
  std::string bytes;
  ViewerDocument doc;
  bool Open() {
    const pdf::OpenOptions options = OpenOptionsFor(pdf::Mode::kModern);
    return doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "pages.pdf", options);
  }
};

// Root 1; Pages 2 with Kids [3 (page), 4 (Pages: 5, 6), 7 (page)]; contents
// 8 for page 5 and [9 10] for page 7.
std::string NestedTree(const char* extra_kid_of_4 = "") {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [3 0 R 4 0 R 7 0 R] /Count 4 >>");
  b.Object(3, "<< /Type /Page /Parent 2 0 R >>");
  b.Object(4, std::string("<< /Type /Pages /Parent 2 0 R /Kids [5 0 R 6 0 R") + extra_kid_of_4 +
                  "] /Count 2 >>");
  b.Object(5, "<< /Type /Page /Parent 4 0 R /Contents 8 0 R >>");
  b.Object(6, "<< /Type /Page /Parent 4 0 R >>");
  b.Object(7, "<< /Type /Page /Parent 2 0 R /Contents [9 0 R 10 0 R] >>");
  b.Stream(8, "", "0 0 m");
  b.Stream(9, "", "q");
  b.Stream(10, "", "Q");
  b.Stream(11, "/Type /XObject /Subtype /Form /BBox [0 0 1 1]", "0 0 m");
  b.Stream(12, "/Subtype /Image /Width 1 /Height 1", "x");
  b.Stream(13, "/Type /Pattern /PatternType 1 /PaintType 1 /BBox [0 0 1 1]", "0 0 m");
  b.Stream(14, "/Filter /ASCIIHexDecode", "3020>");  // like contents, but of no page
  b.Finish("/Root 1 0 R");
  return b.Bytes();
}

TEST(PageListTest, NestedPagesInTreeOrder) {
  Opened o{NestedTree(), {}};
  ASSERT_TRUE(o.Open());
  const PageList list = ListPages(o.doc);
  EXPECT_TRUE(list.complete);
  struct Expect {
    int object;
    int page;
  };
  const Expect kExpect[] = {{3, 1}, {5, 2}, {6, 3}, {7, 4}, {2, 0}, {4, 0}, {8, 0}};
  for (const Expect& e : kExpect) {
    SCOPED_TRACE(e.object);
    EXPECT_EQ(PageNumberOf(list, o.doc.GetObject(e.object, 0)), e.page);
  }
  EXPECT_EQ(list.pages.size(), 4u);
  EXPECT_EQ(PageNumberOf(list, nullptr), 0);
}

TEST(PageListTest, ContentStreams) {
  Opened o{NestedTree(), {}};
  ASSERT_TRUE(o.Open());
  const PageList list = ListPages(o.doc);
  struct Expect {
    int object;
    bool content;
  };
  const Expect kExpect[] = {{8, true},   {9, true},  {10, true},  {11, true},
                            {12, false}, {13, true}, {14, false}, {5, false}};
  for (const Expect& e : kExpect) {
    SCOPED_TRACE(e.object);
    EXPECT_EQ(IsContentStream(list, o.doc.GetObject(e.object, 0)), e.content);
  }
}

// The dictionary alone answers for most streams, so that they need no page walk.
TEST(PageListTest, GuessFromTheDictionary) {
  Opened o{NestedTree(), {}};
  ASSERT_TRUE(o.Open());
  struct Expect {
    int object;
    ContentGuess guess;
  };
  const Expect kExpect[] = {{8, ContentGuess::kMaybe}, {14, ContentGuess::kMaybe},
                            {11, ContentGuess::kYes},  {13, ContentGuess::kYes},
                            {12, ContentGuess::kNo},   {5, ContentGuess::kNo}};
  for (const Expect& e : kExpect) {
    SCOPED_TRACE(e.object);
    EXPECT_EQ(GuessContentStream(o.doc.GetObject(e.object, 0)), e.guess);
  }
  EXPECT_EQ(GuessContentStream(nullptr), ContentGuess::kNo);
}

// A Kids entry that leads back to the root must neither loop nor count pages twice.
TEST(PageListTest, CycleThroughKidsEnds) {
  Opened o{NestedTree(" 2 0 R 4 0 R 5 0 R"), {}};
  ASSERT_TRUE(o.Open());
  const PageList list = ListPages(o.doc);
  EXPECT_EQ(list.pages.size(), 4u);
  EXPECT_EQ(PageNumberOf(list, o.doc.GetObject(7, 0)), 4);
}

TEST(PageListTest, DeepTreeIsCutAtTheBound) {
  PdfBuilder b;
  const int levels = kMaxPageListDepth + 20;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  for (int i = 0; i < levels; ++i) {
    b.Object(2 + i, "<< /Type /Pages /Kids [" + std::to_string(3 + i) + " 0 R] >>");
  }
  b.Object(2 + levels, "<< /Type /Page >>");
  b.Finish("/Root 1 0 R");
  Opened o{b.Bytes(), {}};
  ASSERT_TRUE(o.Open());
  const PageList list = ListPages(o.doc);
  EXPECT_FALSE(list.complete);
  EXPECT_TRUE(list.pages.empty());
}

TEST(PageListTest, NoPagesWithoutRoot) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog >>");
  b.Finish("/Root 1 0 R");
  Opened o{b.Bytes(), {}};
  ASSERT_TRUE(o.Open());
  EXPECT_TRUE(ListPages(o.doc).pages.empty());
}

}  // namespace

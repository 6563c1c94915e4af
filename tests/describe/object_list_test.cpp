#include "describe/object_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "describe/open_mode.h"
#include "describe/viewer_document.h"
#include "tests/support/modern_builder.h"
#include "tests/support/pdf_builder.h"

namespace {

std::vector<int32_t> Numbers(const std::vector<ListedObject>& list) {
  std::vector<int32_t> numbers;
  for (const ListedObject& listed : list) {
    numbers.push_back(listed.number);
  }
  return numbers;
}

std::vector<std::string> Labels(pdf::Document& doc) {
  std::vector<std::string> labels;
  for (const ListedObject& listed : ListObjects(doc)) {
    labels.push_back(ListedObjectLabel(listed, doc.GetObject(listed.number, listed.generation)));
  }
  return labels;
}

// The newest section decides: an update that frees 4 and adds 5 over an
// older section listing 1 to 4.
TEST(ObjectList, ClassicNewestSectionDecides) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Object(3, "(old)");
  b.Object(4, "[1 2]");
  b.Finish("/Root 1 0 R");
  b.StartUpdate();
  b.Object(3, "/New");
  b.Object(5, "null");
  b.Finish("/Root 1 0 R");
  ViewerDocument doc;
  const std::string& bytes = b.Bytes();
  ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "update.pdf"));
  EXPECT_EQ(Labels(doc), (std::vector<std::string>{"1 0 obj  Catalog", "2 0 obj  Pages",
                                                   "3 0 obj  name", "5 0 obj  null"}));
}

// Modern mode lists compressed objects with generation 0, passes over a
// number the newest section leaves out, and leaves free entries out.
TEST(ObjectList, ModernListsCompressedObjects) {
  ModernBuilder m;
  m.Classic().Object(7, "<< /Length 0 >>", 3);
  m.ObjectStream(10, {{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                      {2, "<< /Type /Pages /Kids [] /Count 0 >>"},
                      {4, "[(a) 1]"}});
  m.XRefStream(11,
               {{1, 2, 10, 0},
                {2, 2, 10, 1},
                {3, 0, 0, 0},
                {4, 2, 10, 2},
                {7, 1, static_cast<long>(m.Classic().OffsetOf(7)), 3},
                m.InUse(10)},
               "/Size 12 /Root 1 0 R");
  ViewerDocument doc;
  const pdf::OpenOptions options = OpenOptionsFor(pdf::Mode::kModern);
  const std::string& bytes = m.Bytes();
  ASSERT_TRUE(
      doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "modern.pdf", options));
  const std::vector<ListedObject> list = ListObjects(doc);
  EXPECT_EQ(Numbers(list), (std::vector<int32_t>{1, 2, 4, 7, 10, 11}));
  EXPECT_EQ(list[3].generation, 3);
  EXPECT_EQ(FindListedObject(list, 7), 3);
  EXPECT_EQ(FindListedObject(list, 3), -1);
  EXPECT_EQ(FindListedObject(list, 99), -1);
  EXPECT_EQ(Labels(doc)[2], "4 0 obj  array");
  EXPECT_EQ(Labels(doc)[3], "7 3 obj  dictionary");
}

TEST(ObjectList, ParsesObjectNumbers) {
  struct Case {
    const char* text;
    bool ok;
    int32_t number;
    int32_t generation;
  };
  const Case cases[] = {
      {"12", true, 12, -1},
      {" 12 0 ", true, 12, 0},
      {"12 0 R", true, 12, 0},
      {"5 1 obj", true, 5, 1},
      {"", false, 0, 0},
      {"R", false, 0, 0},
      {"12 0 3", false, 0, 0},
      {"-1", false, 0, 0},
      {"1x", false, 0, 0},
      {"2147483648", false, 0, 0},
      {"2147483647", true, INT32_MAX, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    int32_t number = 0;
    int32_t generation = 0;
    ASSERT_EQ(ParseObjectNumber(c.text, &number, &generation), c.ok);
    if (c.ok) {
      EXPECT_EQ(number, c.number);
      EXPECT_EQ(generation, c.generation);
    }
  }
}

}  // namespace

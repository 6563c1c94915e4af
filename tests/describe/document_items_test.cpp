#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "describe/description.h"
#include "describe/item_path.h"
#include "describe/labels.h"
#include "pdf/document.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/sink_capture.h"

namespace {

// Findings are recorded, as in the viewer, instead of failing the open.
class LenientDocument : public pdf::Document {
 public:
  int findings = 0;
  void ReportInvalid(const char*, ...) override { ++findings; }
  void ReportWarning(const char*, ...) override { ++findings; }
};

class DocumentItemsTest : public SinkTest {
 protected:
  void Open(const std::string& bytes) {
    bytes_ = bytes;
    ASSERT_TRUE(doc_.OpenMemory(bytes_.data(), static_cast<int32_t>(bytes_.size()), "test.pdf"));
  }
  std::string Describe(const std::string& path) {
    std::vector<TreeItem> trail;
    std::string error;
    EXPECT_TRUE(FindItemPath(doc_, path, &trail, &error)) << error;
    return trail.empty() ? std::string("<none>") : DescribeObject(trail.back().object);
  }

  LenientDocument doc_;
  std::string bytes_;
};

TEST_F(DocumentItemsTest, FourTopLevelItemsInOrder) {
  Open(MinimalPdf());
  std::vector<TreeItem> items = TopLevelItems(doc_);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].label, "Header");
  EXPECT_EQ(items[1].label, "Root");
  EXPECT_EQ(items[2].label, "XRefs");
  EXPECT_EQ(items[3].label, "Trailer");
  EXPECT_FALSE(items[0].Expandable());  // a string
  EXPECT_TRUE(items[1].Expandable());
  EXPECT_FALSE(items[2].Expandable());  // the table has no children
  EXPECT_TRUE(items[3].Expandable());
  EXPECT_EQ(items[1].object, doc_.catalog);
}

TEST_F(DocumentItemsTest, HeaderAndXRefsDescriptions) {
  Open(MinimalPdf());
  EXPECT_EQ(Describe("Header"), "string: %PDF-1.4");
  std::string xrefs = Describe("XRefs");
  EXPECT_EQ(xrefs.rfind("xref\n0 6\n0000000000 65535 f \n", 0), 0u) << xrefs;
  EXPECT_EQ(xrefs.find("trailer"), std::string::npos);
  // Six 20-byte entries after the two heading lines.
  EXPECT_EQ(xrefs.size(), 5u + 4u + 6u * 20u);
}

TEST_F(DocumentItemsTest, PathsWalkLabels) {
  Open(MinimalPdf());
  EXPECT_EQ(Describe("Root/Pages/Kids/[0]/Contents"),
            "stream\n  Length=36\n\nBT /F1 24 Tf 72 712 Td (Hello) Tj ET");
  EXPECT_EQ(Describe("Root/Type"), "name: Catalog");
  EXPECT_EQ(Describe("Trailer/Size"), "number: 6");
  EXPECT_EQ(Describe("Root/Pages/Kids/[0]/MediaBox/[2]"), "number: 612");
  EXPECT_EQ(Describe("/Root//Pages/"), "dictionary, 3 entries");

  struct Case {
    const char* path;
    const char* error;
  };
  const Case bad[] = {
      {"", "empty item path"},
      {"Nope", "no top-level item 'Nope'"},
      {"Root/Nope", "no item 'Nope' below 'Root'"},
      {"Root/Type/X", "no item 'X' below 'Root/Type'"},
      {"Root/Pages/Kids/[1]", "no item '[1]' below 'Root/Pages/Kids'"},
  };
  for (const Case& c : bad) {
    SCOPED_TRACE(c.path);
    std::vector<TreeItem> trail;
    std::string error;
    EXPECT_FALSE(FindItemPath(doc_, c.path, &trail, &error));
    EXPECT_EQ(error, c.error);
  }
}

TEST_F(DocumentItemsTest, TrailerWithoutRootGivesNullRoot) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog >>");
  b.Finish("");
  Open(b.Bytes());
  EXPECT_GT(doc_.findings, 0);
  std::vector<TreeItem> items = TopLevelItems(doc_);
  EXPECT_TRUE(items[1].object->IsNull());
  EXPECT_FALSE(items[1].Expandable());
}

TEST_F(DocumentItemsTest, ArrayHoldingAReferenceToADictionaryIsSummarisedAsArray) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R /List [3 0 R] /Nums [1 2 3] >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Object(3, "<< /A 1 >>");
  b.Finish("/Root 1 0 R");
  Open(b.Bytes());
  std::vector<TreeItem> children = ChildItems(doc_.catalog);
  ASSERT_EQ(children.size(), 4u);
  EXPECT_EQ(children[2].label, "List= array");
  EXPECT_EQ(children[3].label, "Nums= array [1, 2, 3]");
  EXPECT_EQ(children[1].label, "Pages= <<...>>");
}

}  // namespace

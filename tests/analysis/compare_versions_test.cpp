// "Compare with Previous" on a file whose update rewrites streams: the line
// diff of the descriptions, then of the decoded data, or why the data are
// not compared line by line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/object_versions.h"
#include "analysis/revisions.h"
#include "describe/open_mode.h"
#include "pdf/document.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/zlib_encoder.h"

namespace {

std::string Binary(int size, int seed) {
  std::string bytes;
  for (int i = 0; i < size; ++i) {
    bytes += static_cast<char>((i * 37 + seed) & 0xff);
  }
  return bytes;
}

TEST(CompareWithPreviousTest, DecodedStreamsAreComparedToo) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R >>");
  b.Stream(4, "", "BT\n/F1 12 Tf\n72 700 Td\n(Hello) Tj\nET");
  b.Stream(5, "/Type /XObject /Subtype /Image", Binary(16, 0));
  b.Stream(6, "/Type /XObject /Subtype /Image", Binary(16, 0));
  b.Object(7, "<< /Kind (not yet a stream) >>");
  b.Stream(8, "", "q Q");
  b.Finish("/Root 1 0 R");
  b.StartUpdate();
  b.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] /Contents 4 0 R >>");
  // Compressed now, with one line changed and the ends of line CR LF.
  b.Stream(4, "/Filter /FlateDecode", Deflate("BT\r\n/F1 12 Tf\r\n72 700 Td\r\n(World) Tj\r\nET"));
  b.Stream(5, "/Type /XObject /Subtype /Image", Binary(17, 1));
  b.Stream(6, "/Type /XObject /Subtype /Image /Name /Same", Binary(16, 0));
  b.Stream(7, "", "line one\nline two\n");
  b.Stream(8, "/Filter /FlateDecode", "not zlib data");
  b.Finish("/Root 1 0 R");
  const std::string& bytes = b.Bytes();

  struct Row {
    int32_t number;
    // What follows the description diff: the decoded data's section.
    std::string data;
  };
  const Row rows[] = {
      {3, ""},
      {4,
       "\nDecoded stream data:\n  BT\n  /F1 12 Tf\n  72 700 Td\n- (Hello) Tj\n+ (World) Tj\n  "
       "ET\n"},
      {5, "\nDecoded stream data:\nbinary data, 16 bytes against 17, differ\n"},
      {6, "\nDecoded stream data:\nbinary data, 16 bytes, identical\n"},
      {7,
       "\nDecoded stream data:\n(revision 1's version is not a stream)\n+ line one\n+ line two\n"},
      {8, "\nDecoded stream data:\nnot compared: revision 2's data cannot be decoded: "},
  };
  pdf::Document doc;
  for (pdf::Mode mode : {pdf::Mode::kClassic, pdf::Mode::kModern}) {
    SCOPED_TRACE(mode == pdf::Mode::kModern ? "modern" : "classic");
    ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "streams.pdf",
                               OpenOptionsFor(mode)));
    const std::vector<Revision> revisions = ListRevisions(doc);
    ASSERT_EQ(revisions.size(), 2u);
    for (const Row& row : rows) {
      SCOPED_TRACE(row.number);
      const std::string text = CompareWithPreviousText(doc, revisions, 2, row.number);
      EXPECT_EQ(
          text.rfind("Object " + std::to_string(row.number) + ": revision 2 against revision 1\n\n",
                     0),
          0u)
          << text;
      const size_t data = text.find("\nDecoded stream data:\n");
      if (row.data.empty()) {
        EXPECT_EQ(data, std::string::npos) << text;
      } else if (row.number == 8) {
        EXPECT_EQ(text.substr(data, row.data.size()), row.data) << text;
      } else {
        ASSERT_NE(data, std::string::npos) << text;
        EXPECT_EQ(text.substr(data), row.data) << text;
      }
    }
    // The original has no earlier version to compare with.
    EXPECT_EQ(CompareWithPreviousText(doc, revisions, 1, 4), "");
    doc.Close();
  }
}

}  // namespace

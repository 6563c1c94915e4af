// Revisions of files updated by hand with exact offsets: what each added,
// changed and freed, where each ends, and which revision a signature signs.
#include "analysis/revisions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/number_ranges.h"
#include "analysis/object_versions.h"
#include "describe/open_mode.h"
#include "pdf/document.h"
#include "tests/support/pdf_builder.h"

namespace {

struct Expected {
  std::vector<int32_t> added;
  std::vector<int32_t> changed;
  std::vector<int32_t> freed;
  int64_t end;
};

// The original file; an update that changes 3 and adds 6 and 7, its section
// (3 to 7) listing 4 and 5 as free; one that lists 4 again, changes 6 and
// lists 5, free already, between them.
TEST(RevisionsTest, UpdatesAddChangeAndFree) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>");
  b.Object(4, "<< /Producer (first) >>");
  b.Object(5, "(spare)");
  b.Finish("/Root 1 0 R /Info 4 0 R");
  const auto first_end = static_cast<int64_t>(b.Size());
  b.StartUpdate();
  b.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] /Annots [6 0 R] >>");
  b.Object(6, "<< /Type /Annot /Subtype /Text /Rect [0 0 10 10] >>");
  b.Object(7, "(new)");
  b.Finish("/Root 1 0 R /Info 4 0 R");
  const auto second_end = static_cast<int64_t>(b.Size());
  b.StartUpdate();
  b.Object(4, "<< /Producer (third) >>");
  b.Object(6, "<< /Type /Annot /Subtype /Text /Rect [0 0 20 20] >>");
  b.Finish("/Root 1 0 R /Info 4 0 R");
  const auto third_end = static_cast<int64_t>(b.Size());

  pdf::Document doc;
  const std::string& bytes = b.Bytes();
  for (pdf::Mode mode : {pdf::Mode::kClassic, pdf::Mode::kModern}) {
    SCOPED_TRACE(mode == pdf::Mode::kModern ? "modern" : "classic");
    ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "updates.pdf",
                               OpenOptionsFor(mode)));
    bool ordered = false;
    const std::vector<Revision> revisions = ListRevisions(doc, &ordered);
    EXPECT_TRUE(ordered);
    const Expected expected[] = {
        {{1, 2, 3, 4, 5}, {}, {}, first_end},
        {{6, 7}, {3}, {4, 5}, second_end},
        {{4}, {6}, {}, third_end},
    };
    ASSERT_EQ(revisions.size(), std::size(expected));
    for (size_t i = 0; i < revisions.size(); ++i) {
      SCOPED_TRACE("revision " + std::to_string(i + 1));
      EXPECT_EQ(revisions[i].index, static_cast<int>(i) + 1);
      EXPECT_EQ(revisions[i].added, expected[i].added);
      EXPECT_EQ(revisions[i].changed, expected[i].changed);
      EXPECT_EQ(revisions[i].freed, expected[i].freed);
      EXPECT_EQ(revisions[i].end, expected[i].end);
    }
    doc.Close();
  }
}

TEST(RevisionsTest, NumberRangesAreShort) {
  EXPECT_EQ(NumberRanges({1, 2, 3, 5, 7, 8}), "1-3 5 7-8");
  EXPECT_EQ(NumberRanges({}), "");
  EXPECT_EQ(NumberRanges({1, 3, 5, 7}, 2), "1 3 ... (2 more)");
}

// A signature made in the first revision: its ByteRange leaves out the hex
// string of its Contents and ends at that revision's end; the update after
// it changes the page. A range that leaves out more, or starts later, does
// not sign the whole revision.
TEST(RevisionsTest, SignaturesSignTheirRevision) {
  const std::string placeholder = "[0000000000 0000000000 0000000000 0000000000]";
  const std::string contents = "<" + std::string(64, '0') + ">";
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [4 0 R] /SigFlags 3 >> >>");
  b.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Annots [4 0 R] >>");
  b.Object(4, "<< /FT /Sig /T (Signature1) /V 5 0 R /Subtype /Widget /Rect [0 0 0 0] >>");
  const size_t five = b.Object(5, "<< /Type /Sig /Filter /Adobe.PPKLite /ByteRange " + placeholder +
                                      " /Contents " + contents + " >>");
  b.Finish("/Root 1 0 R");
  const auto signed_end = static_cast<int64_t>(b.Size());
  b.StartUpdate();
  b.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] /Annots [4 0 R] >>");
  b.Finish("/Root 1 0 R");
  const std::string unsigned_bytes = b.Bytes();
  const auto gap = static_cast<int64_t>(unsigned_bytes.find(contents, five));
  const auto after = gap + static_cast<int64_t>(contents.size());
  struct Row {
    const char* name;
    int64_t range[4];
    bool whole;
    std::string text;  // what the signature's line says after its ByteRange
  };
  const Row rows[] = {
      {"the Contents left out",
       {0, gap, after, signed_end - after},
       true,
       ": revision 1, all of it but bytes " + std::to_string(gap) + " to " +
           std::to_string(after - 1) + " (the signature); changed after it (1): 3\n"},
      // "/Contents " unsigned too: bytes the signature does not cover.
      {"more than the Contents left out",
       {0, gap - 10, after, signed_end - after},
       false,
       ": revision 1, but bytes " + std::to_string(gap - 10) + " to " + std::to_string(after - 1) +
           " left out are not its Contents alone; changed after it (1): 3\n"},
      {"not from the first byte",
       {10, gap - 10, after, signed_end - after},
       false,
       ": revision 1, not from its first byte; changed after it (1): 3\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string bytes = unsigned_bytes;
    char written[64];
    snprintf(written, sizeof written, "[%010lld %010lld %010lld %010lld]",
             static_cast<long long>(row.range[0]), static_cast<long long>(row.range[1]),
             static_cast<long long>(row.range[2]), static_cast<long long>(row.range[3]));
    bytes.replace(bytes.find(placeholder), placeholder.size(), written);

    pdf::Document doc;
    ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "signed.pdf",
                               OpenOptionsFor(pdf::Mode::kModern)));
    const std::vector<SignedRevision> signatures = ListSignatures(doc, ListRevisions(doc));
    ASSERT_EQ(signatures.size(), 1u);
    EXPECT_EQ(signatures[0].number, 5);
    EXPECT_TRUE(signatures[0].usable);
    EXPECT_EQ(signatures[0].revision, 1);
    EXPECT_EQ(signatures[0].whole, row.whole);
    EXPECT_EQ(signatures[0].changed_after, std::vector<int32_t>{3});
    const std::string line = "Signature 5: ByteRange [" + std::to_string(row.range[0]) + " " +
                             std::to_string(row.range[1]) + " " + std::to_string(row.range[2]) +
                             " " + std::to_string(row.range[3]) + "]" + row.text;
    EXPECT_NE(RevisionsText(doc).find(line), std::string::npos) << RevisionsText(doc);
  }
}

}  // namespace

namespace {

TEST(LineDiffTest, MarksRemovedAndAddedLines) {
  struct Row {
    const char* before;
    const char* after;
    const char* expected;
  };
  const Row rows[] = {
      {"a\nb\nc\n", "a\nb\nc\n", "  a\n  b\n  c\n"},
      {"a\nb\nc\n", "a\nx\nc\n", "  a\n- b\n+ x\n  c\n"},
      {"a\nc\n", "a\nb\nc\n", "  a\n+ b\n  c\n"},
      {"a\nb\n", "", "- a\n- b\n"},
      {"", "z", "+ z\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(LineDiff(row.before, row.after), row.expected) << row.before << "|" << row.after;
  }
  // Past the bound, line by line in order.
  std::string many;
  for (size_t i = 0; i <= kMaxDiffLines; ++i) {
    many += "line\n";
  }
  const std::string diff = LineDiff(many, many + "tail\n");
  EXPECT_EQ(diff.substr(diff.size() - 7), "+ tail\n");
}

}  // namespace

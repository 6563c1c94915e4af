// Writing a cross-reference section: the free list, the pending objects, and
// the 20-byte entry lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/bounds.h"
#include "pdf/document.h"
#include "pdf/output_memory.h"
#include "tests/support/sink_capture.h"

namespace pdf {
namespace {

constexpr char kHeader[] = "%PDF-1.4\r";
constexpr int kHeaderSize = 9;

class XRefWriteTest : public SinkTest {
 protected:
  XRefWriteTest() {
    out.Attach(&memory);
    out.Write(kHeader);
  }
  std::string Written() const { return memory.Bytes().substr(kHeaderSize); }

  Document doc;
  OutputMemory memory;
  Output out;
};

TEST_F(XRefWriteTest, EmptyTable) {
  XRefTable* table = doc.xref;
  table->Write(out);
  EXPECT_EQ(Written(), "xref\r0 1\r0000000000 65535 f \r");
  EXPECT_EQ(table->section_offset, kHeaderSize);
  EXPECT_EQ(sinks.traces, std::vector<std::string>{"writing xref at 9"});
  EXPECT_TRUE(sinks.warnings.empty());
}

TEST_F(XRefWriteTest, FreeListIsThreadedThroughTheFreeEntries) {
  auto* table = new XRefTable(&doc, 0);
  table->SetEntry(1, 0, 100, 'n');
  table->SetEntry(2, 0, 200, 'n');
  table->SetEntry(3, 1, 999, 'f');
  table->SetEntry(4, 0, 300, 'n');
  table->SetEntry(5, 2, 999, 'f');
  table->Write(out);
  EXPECT_EQ(Written(),
            "xref\r0 6\r"
            "0000000003 65535 f \r"
            "0000000100 00000 n \r"
            "0000000200 00000 n \r"
            "0000000005 00001 f \r"
            "0000000300 00000 n \r"
            "0000000000 00002 f \r");
}

TEST_F(XRefWriteTest, FreeLinksAreObjectNumbersInASectionThatStartsLater) {
  auto* table = new XRefTable(&doc, 0);
  table->first = 10;  // entry 0 is object 10
  table->SetEntry(11, 0, 100, 'n');
  table->SetEntry(12, 0, 0, 'f');
  table->Write(out);
  EXPECT_EQ(Written(),
            "xref\r10 3\r"
            "0000000012 65535 f \r"
            "0000000100 00000 n \r"
            "0000000000 00000 f \r");
}

TEST_F(XRefWriteTest, PendingObjectsAreWrittenInTheSamePass) {
  // The root refers to 40 dictionaries that have no number yet: writing it
  // appends their entries, which moves the entry array more than once.
  auto* root = new Dictionary(&doc);
  std::vector<Dictionary*> children;
  for (int i = 0; i < 40; ++i) {
    auto* child = new Dictionary(&doc);
    child->Set("I", i);
    children.push_back(child);
    root->Add("K", child);
  }
  doc.xref->AddObject(root);
  ASSERT_EQ(doc.xref->EntryCount(), 2);

  doc.xref->Write(out);
  XRefTable* table = doc.xref;
  ASSERT_EQ(table->EntryCount(), 42);
  for (int i = 0; i < 40; ++i) {
    SCOPED_TRACE(i);
    Dictionary* child = children[static_cast<size_t>(i)];
    ASSERT_EQ(child->number, i + 2);
    ASSERT_GT(child->offset, 0);
    EXPECT_EQ(table->entries[i + 2].offset, child->offset);
    const std::string expected =
        std::to_string(i + 2) + " 0 obj\r<<\r/I " + std::to_string(i) + "\r>>\rendobj\r";
    EXPECT_EQ(memory.Bytes().substr(static_cast<size_t>(child->offset), expected.size()), expected);
  }
  EXPECT_EQ(root->offset, kHeaderSize);
  // The section follows the last object.
  const std::string text = memory.Bytes();
  EXPECT_EQ(text.substr(static_cast<size_t>(table->section_offset), 10), "xref\r0 42\r");
  EXPECT_EQ(text.size(), static_cast<size_t>(table->section_offset) + 10 + 42 * 20);
  EXPECT_TRUE(sinks.warnings.empty());
}

TEST_F(XRefWriteTest, InUseEntryWithoutOffsetIsReportedAndCapped) {
  auto* table = new XRefTable(&doc, 0);
  table->SetEntry(1, 0, 0, 'n');
  table->SetEntry(2, 0, 50, 'n');
  table->Write(out);
  EXPECT_EQ(sinks.warnings, std::vector<std::string>{"used xref entry offset == 0"});
  EXPECT_NE(Written().find("0000000000 00000 n \r"), std::string::npos);

  sinks.Clear();
  auto* damaged = new XRefTable(&doc, 0);
  damaged->SetEntry(1000, 0, 0, 'n');
  for (int i = 1; i < 1000; ++i) {
    damaged->SetEntry(i, 0, 0, 'n');
  }
  damaged->Write(out);
  EXPECT_EQ(sinks.warnings.size(), static_cast<size_t>(kMaxOffsetWarnings));
}

}  // namespace
}  // namespace pdf

// A page tree whose Kids lead back to an ancestor: the writer counts the pages
// of the tree before writing it, and must neither loop nor recurse without end.
// Every load parses afresh, so a cycle through references meets ever new copies
// of the same objects; the walk knows them by their numbers.
#include <gtest/gtest.h>

#include <string>

#include "describe/viewer_document.h"
#include "pdf/output_memory.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/sink_capture.h"

namespace {

struct CycleCase {
  const char* name;
  const char* root_kids;   // Kids of the page tree root, object 2
  const char* inner_kids;  // Kids of the inner node, object 3
};

TEST(PageTreeCycle, WriterStopsAtAnAncestor) {
  const CycleCase cases[] = {
      {"root lists itself", "[2 0 R 4 0 R]", "[4 0 R]"},
      {"inner node lists the root", "[3 0 R]", "[2 0 R 4 0 R]"},
      {"inner node lists itself", "[3 0 R]", "[3 0 R 4 0 R 3 0 R]"},
  };
  for (const CycleCase& c : cases) {
    SCOPED_TRACE(c.name);
    PdfBuilder b;
    b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    b.Object(2, std::string("<< /Type /Pages /Kids ") + c.root_kids + " /Count 5 >>");
    b.Object(3,
             std::string("<< /Type /Pages /Parent 2 0 R /Kids ") + c.inner_kids + " /Count 5 >>");
    b.Object(4, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>");
    b.Finish("/Root 1 0 R");
    const std::string bytes = b.Bytes();

    SinkCapture sinks;
    ViewerDocument doc;
    ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "cycle.pdf"));
    const int counted = doc.CountPages(doc.pages);
    // The one page leaf is counted once, whichever way the cycle runs.
    EXPECT_EQ(counted, 1);

    pdf::OutputMemory memory;
    doc.output.Attach(&memory);
    doc.output.Write("%PDF-1.4\r");
    doc.Close();  // writes the document, counting its pages on the way
    EXPECT_TRUE(memory.IsClosed());
    EXPECT_TRUE(sinks.warnings.empty()) << sinks.warnings.front();
    const std::string& written = memory.Bytes();
    ASSERT_GE(written.size(), 6u);
    EXPECT_EQ(written.substr(written.size() - 6), "%%EOF\r");
    // The corrected Count makes the root be written again.
    EXPECT_NE(written.find("/Count 1\r"), std::string::npos);
  }
}

}  // namespace

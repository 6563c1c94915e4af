#include "describe/viewer_document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/pdf_builder.h"
#include "tests/support/sink_capture.h"

namespace {

class RecordingDocument : public ViewerDocument {
 public:
  std::vector<std::string> lines;

 protected:
  void OnFinding(const char* line) override { lines.emplace_back(line); }
};

TEST(ViewerDocument, FindingsAreTracedAndNeverFailTheOpen) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count (3) >>");
  b.Finish("/Root 1 0 R");
  const std::string bytes = b.Bytes();
  SinkCapture sinks;
  RecordingDocument doc;
  ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "f.pdf"));
  const std::vector<std::string> expect = {
      "Invalid: Count object is not a number",
      "Warning: No 'Info' entry in Trailer",
      "Warning: No 'ID' entry in Trailer (strongly recommended)",
  };
  EXPECT_EQ(doc.lines, expect);
  EXPECT_TRUE(sinks.errors.empty());
  for (const std::string& line : expect) {
    EXPECT_NE(std::find(sinks.traces.begin(), sinks.traces.end(), line), sinks.traces.end())
        << line;
  }
  EXPECT_FALSE(doc.invalid);
}

TEST(ViewerDocument, PercentSignsReachTheTraceUnchanged) {
  SinkCapture sinks;
  RecordingDocument doc;
  doc.ReportInvalid("%s", "100% sure %d");
  ASSERT_EQ(sinks.traces.size(), 1u);
  EXPECT_EQ(sinks.traces[0], "Invalid: 100% sure %d");
  EXPECT_EQ(doc.lines, std::vector<std::string>{"Invalid: 100% sure %d"});
}

}  // namespace

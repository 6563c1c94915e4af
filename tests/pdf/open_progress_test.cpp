// The progress callback of an open: called at a throttled rate with growing
// values while a large file is read or repaired, and a "no" from it stops the
// open as a failure that reports nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "diag/error_info.h"
#include "pdf/document.h"
#include "tests/support/large_pdf.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/sink_capture.h"

namespace {

struct Call {
  int64_t done;
  int64_t total;
};

constexpr int64_t kStep = 64 << 10;

pdf::OpenOptions ModernWithProgress(std::vector<Call>* calls, int cancel_at = -1) {
  pdf::OpenOptions options;
  options.mode = pdf::Mode::kModern;
  options.progress_bytes = kStep;
  options.progress = [calls, cancel_at](int64_t done, int64_t total) {
    calls->push_back({done, total});
    return static_cast<int>(calls->size()) != cancel_at;
  };
  return options;
}

class OpenProgressTest : public SinkTest {
 protected:
  // About 2 MB, no cross-reference section: a modern open repairs it.
  TempFile file_{LargeDamagedPdf(2000, 1000)};
};

TEST_F(OpenProgressTest, RepairReportsGrowingValuesAndOpens) {
  std::vector<Call> calls;
  pdf::Document doc;
  ASSERT_TRUE(doc.Open(file_.path().c_str(), ModernWithProgress(&calls)));
  EXPECT_NE(doc.ModernFeatures() & pdf::kFeatureRepaired, 0u);
  const int64_t size = static_cast<int64_t>(ReadAll(file_.path()).size());
  // Every 64 KiB of the scan, then of the objects parsed in the search for a
  // catalog (this file has no trailer): some sixty calls, not one per object.
  EXPECT_GE(calls.size(), static_cast<size_t>(size / kStep - 2));
  EXPECT_LE(calls.size(), static_cast<size_t>(2 * size / kStep + 8));
  for (size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].total, size);
    EXPECT_LE(calls[i].done, size);
    if (i > 0) {
      EXPECT_GE(calls[i].done, calls[i - 1].done) << i;
    }
  }
  EXPECT_GT(calls.back().done, calls.front().done);
  EXPECT_GE(calls.back().done, size - 2 * kStep);
  EXPECT_FALSE(doc.OpenCancelled());
  // The callback belonged to that open.
  EXPECT_FALSE(doc.Options().progress);
  EXPECT_TRUE(doc.GetObject(2003, 0)->IsDictionary());
}

TEST_F(OpenProgressTest, TheSameOpenWithoutCallbackFindsTheSame) {
  std::vector<Call> calls;
  pdf::Document with;
  ASSERT_TRUE(with.Open(file_.path().c_str(), ModernWithProgress(&calls)));
  const std::vector<std::string> reported = sinks.all;
  sinks.Clear();
  pdf::OpenOptions plain;
  plain.mode = pdf::Mode::kModern;
  pdf::Document without;
  ASSERT_TRUE(without.Open(file_.path().c_str(), plain));
  EXPECT_EQ(sinks.all, reported);
  EXPECT_EQ(without.xref->count, with.xref->count);
}

TEST_F(OpenProgressTest, CancelStopsTheOpenAsAQuietFailure) {
  std::vector<Call> calls;
  pdf::Document doc;
  sinks.Clear();
  EXPECT_FALSE(doc.Open(file_.path().c_str(), ModernWithProgress(&calls, /*cancel_at=*/3)));
  // Stopped at once: no call after the one that said no.
  EXPECT_EQ(calls.size(), 3u);
  EXPECT_TRUE(doc.OpenCancelled());
  EXPECT_EQ(doc.open_error.code, kErrCancelled);
  // Closed as a failed open is, and nothing claims the file is damaged.
  EXPECT_FALSE(doc.file.IsOpen());
  EXPECT_TRUE(sinks.errors.empty()) << ::testing::PrintToString(sinks.all);
  EXPECT_TRUE(sinks.warnings.empty()) << ::testing::PrintToString(sinks.all);
  // The blank document of a failed open.
  pdf::Document blank;
  EXPECT_EQ(doc.xref->count, blank.xref->count);
  EXPECT_TRUE(doc.catalog->IsDictionary());
  EXPECT_TRUE(doc.catalog->Get("Pages")->IsDictionary());

  // The same document opens the file afterwards, uncancelled.
  calls.clear();
  ASSERT_TRUE(doc.Open(file_.path().c_str(), ModernWithProgress(&calls)));
  EXPECT_FALSE(doc.OpenCancelled());
  EXPECT_EQ(doc.open_error.code, kErrNone);
}

TEST_F(OpenProgressTest, CancelInTheLastCallStillFails) {
  // Whichever call says no, even one after the scan, the open fails.
  std::vector<Call> all;
  {
    pdf::Document doc;
    ASSERT_TRUE(doc.Open(file_.path().c_str(), ModernWithProgress(&all)));
  }
  std::vector<Call> calls;
  pdf::Document doc;
  EXPECT_FALSE(
      doc.Open(file_.path().c_str(), ModernWithProgress(&calls, static_cast<int>(all.size()))));
  EXPECT_EQ(calls.size(), all.size());
  EXPECT_EQ(doc.open_error.code, kErrCancelled);
  EXPECT_TRUE(sinks.errors.empty()) << ::testing::PrintToString(sinks.all);
}

// A classic section of many entries: told every 65,536 entries, in either
// mode, and cancelled as quietly as a repair.
TEST_F(OpenProgressTest, LongClassicSectionReportsAndCancels) {
  PdfBuilder pdf;
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  pdf.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  for (int i = 3; i < 200000; ++i) {
    pdf.Object(i, "<< >>");
  }
  pdf.Finish("/Root 1 0 R /Info 1 0 R /ID [<00> <00>]");
  TempFile file(pdf.Bytes());
  for (pdf::Mode mode : {pdf::Mode::kClassic, pdf::Mode::kModern}) {
    std::vector<Call> calls;
    pdf::OpenOptions options = ModernWithProgress(&calls);
    options.mode = mode;
    pdf::Document doc;
    sinks.Clear();
    ASSERT_TRUE(doc.Open(file.path().c_str(), options));
    const std::vector<std::string> reported = sinks.all;
    // After entries 65,535, 131,071 and 196,607 (modern mode tells the
    // section's end as well).
    EXPECT_GE(calls.size(), 3u);
    EXPECT_LE(calls.size(), 4u);
    for (size_t i = 1; i < calls.size(); ++i) {
      EXPECT_GT(calls[i].done, calls[i - 1].done);
    }
    // The same findings and traces as an open without a callback.
    sinks.Clear();
    pdf::OpenOptions plain;
    plain.mode = mode;
    ASSERT_TRUE(doc.Open(file.path().c_str(), plain));
    EXPECT_EQ(sinks.all, reported);

    calls.clear();
    sinks.Clear();
    pdf::OpenOptions cancelling = ModernWithProgress(&calls, 2);
    cancelling.mode = mode;
    EXPECT_FALSE(doc.Open(file.path().c_str(), cancelling));
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_EQ(doc.open_error.code, kErrCancelled);
    EXPECT_FALSE(doc.file.IsOpen());
    EXPECT_TRUE(sinks.errors.empty()) << ::testing::PrintToString(sinks.all);
    EXPECT_TRUE(sinks.warnings.empty()) << ::testing::PrintToString(sinks.all);
  }
}

TEST_F(OpenProgressTest, SmallFilesCallNothing) {
  std::vector<Call> calls;
  TempFile small(MinimalPdf());
  pdf::OpenOptions options = ModernWithProgress(&calls);
  options.mode = pdf::Mode::kClassic;
  pdf::Document doc;
  ASSERT_TRUE(doc.Open(small.path().c_str(), options));
  options.mode = pdf::Mode::kModern;
  ASSERT_TRUE(doc.Open(small.path().c_str(), options));
  EXPECT_TRUE(calls.empty());
}

}  // namespace

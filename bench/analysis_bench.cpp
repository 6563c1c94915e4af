// The analysis views on large files: the reference index of the
// 1,000,000-object modern file (open included) against mutool printing every
// object of it (`mutool show F grep`, the same parse work), in the same run;
// the revisions of a file of 100 incremental updates of 10,000 objects each
// (open included); and the space table and treemap of the 1,000,000-object
// file (after the open).
//
// Usage: analysis_bench MODERN.pdf
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/reference_index.h"
#include "analysis/revisions.h"
#include "analysis/space.h"
#include "analysis/space_tiles.h"
#include "bench/bench_report.h"
#include "bench/process_timing.h"
#include "describe/open_mode.h"
#include "describe/viewer_document.h"
#include "diag/messages.h"
#include "tests/support/pdf_builder.h"

namespace {

constexpr int kRounds = 3;
constexpr int kUpdates = 100;
constexpr int kObjectsPerUpdate = 10000;

int Quiet(const char*) {
  return 0;
}

// The original file and 100 updates of 10,000 objects each: the first all
// new, each later one writing the last 5,000 of the update before again and
// 5,000 new ones, so that every section lists one run of numbers.
std::string UpdatedFile() {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Finish("/Root 1 0 R");
  int next = 3;
  int again = next;  // the first number written again by the next update
  for (int update = 0; update < kUpdates; ++update) {
    b.StartUpdate();
    const std::string tag = std::to_string(update);
    int fresh = kObjectsPerUpdate;
    if (update > 0) {
      for (int i = 0; i < kObjectsPerUpdate / 2; ++i) {
        b.Object(again + i, "<< /Again " + tag + " >>");
      }
      fresh = kObjectsPerUpdate / 2;
    }
    const int first = next;
    for (int i = 0; i < fresh; ++i) {
      b.Object(next++, "<< /Update " + tag + " >>");
    }
    again = first + fresh - kObjectsPerUpdate / 2;
    b.Finish("/Root 1 0 R");
  }
  return b.Bytes();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s MODERN.pdf\n", argv[0]);
    return 2;
  }
  g_error_sink = Quiet;
  g_warning_sink = Quiet;
  g_trace_sink = Quiet;
  const char* path = argv[1];

  // The reference index, open included, against mutool in the same run.
  bench::Tool mutool("mutool", {"mutool", "show", path, "grep"});
  std::vector<double> ours;
  int64_t objects = 0;
  int64_t references = 0;
  size_t orphans = 0;
  for (int round = 0; round <= kRounds; ++round) {
    const double seconds = bench::Seconds([&] {
      ViewerDocument doc;
      if (!doc.Open(path, OpenOptionsFor(pdf::Mode::kModern))) {
        return;
      }
      ReferenceIndex index;
      index.Build(doc);
      objects = index.Objects();
      references = index.References();
      orphans = index.Orphans().size();
    });
    if (round > 0) {  // round 0 warms up
      ours.push_back(seconds);
      bench::Round(mutool);
    }
  }
  if (objects == 0 || !mutool.ok) {
    fprintf(stderr, "%s: no index, or mutool failed\n", path);
    return 1;
  }
  const double t_ours = bench::Median(ours);
  const double t_mutool = bench::Median(mutool.seconds);
  bench::PrintRatioRow(
      bench::Format("reference index of %.0f objects (%.0f references), open included, vs "
                    "mutool show grep",
                    static_cast<double>(objects), static_cast<double>(references)),
      bench::Duration(t_ours) + bench::Format(", %.0f orphans", static_cast<double>(orphans)),
      "mutool " + bench::Duration(t_mutool), t_mutool / t_ours, 1.0,
      bench::Format("process peak %.1f MB", bench::PeakRssKb() / 1024.0));

  // Revisions of 100 updates.
  const std::string updated = UpdatedFile();
  std::vector<double> listing;
  size_t revisions = 0;
  for (int round = 0; round <= kRounds; ++round) {
    const double seconds = bench::Seconds([&] {
      ViewerDocument doc;
      if (!doc.OpenMemory(updated.data(), static_cast<int32_t>(updated.size()), "updated.pdf",
                          OpenOptionsFor(pdf::Mode::kModern))) {
        return;
      }
      revisions = ListRevisions(doc).size();
    });
    if (round > 0) {
      listing.push_back(seconds);
    }
  }
  const double t_listing = bench::Median(listing);
  bench::Print({bench::Format("revisions of a file of %.0f updates of %.0f objects each, open "
                              "included",
                              kUpdates, kObjectsPerUpdate),
                bench::Duration(t_listing) +
                    bench::Format(", %.0f revisions", static_cast<double>(revisions)),
                "-", -1, "< 1 s", revisions == kUpdates + 1 && t_listing < 1.0, ""});

  // The space table, after the open.
  std::vector<double> measuring;
  size_t kinds = 0;
  size_t tiles = 0;
  for (int round = 0; round <= kRounds; ++round) {
    ViewerDocument doc;
    if (!doc.Open(path, OpenOptionsFor(pdf::Mode::kModern))) {
      return 1;
    }
    // What the Space dock does: the measure, the kinds' largest objects and
    // the treemap's tiles for a pane of 1200 x 600.
    const double seconds = bench::Seconds([&] {
      const SpaceSummary summary = SummarizeSpace(MeasureSpace(doc));
      kinds = summary.kinds.size();
      tiles = LayoutSpace(summary, 1200, 600).size();
    });
    if (round > 0) {
      measuring.push_back(seconds);
    }
  }
  const double t_space = bench::Median(measuring);
  bench::Print({bench::Format("space table and treemap of %.0f objects (%.0f kinds, %.0f tiles)",
                              static_cast<double>(objects), static_cast<double>(kinds),
                              static_cast<double>(tiles)),
                bench::Duration(t_space), "-", -1, "< 2 s", kinds > 0 && t_space < 2.0, ""});
  return 0;
}

// Expanding a Kids array of 100,000 page references as the tree pane does:
// ChildItems resolves every reference (loading the page dictionary) and labels
// it. Each run opens the file afresh, so that every page is really loaded.
// Heap per page is what the document keeps for each loaded page dictionary,
// measured after the labels themselves are gone.
//
// Usage: tree_expand_bench LARGE.pdf
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_report.h"
#include "describe/item_path.h"
#include "describe/labels.h"
#include "diag/messages.h"
#include "pdf/document.h"

namespace {

constexpr int kRuns = 5;
// The first node below the root; its Kids are taken directly, since walking a
// path expands the last item too.
constexpr char kNodePath[] = "Root/Pages/Kids/[0]";

int Quiet(const char*) {
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s LARGE.pdf\n", argv[0]);
    return 2;
  }
  g_error_sink = Quiet;
  g_warning_sink = Quiet;
  std::vector<double> seconds;
  std::vector<double> heap_per_page;
  size_t labels = 0;
  for (int run = 0; run <= kRuns; ++run) {  // run 0 warms up
    pdf::Document doc;
    std::vector<TreeItem> trail;
    std::string error;
    if (!doc.Open(argv[1]) || !FindItemPath(doc, kNodePath, &trail, &error)) {
      fprintf(stderr, "%s: cannot reach %s: %s\n", argv[1], kNodePath, error.c_str());
      return 1;
    }
    pdf::Object* kids = trail.back().object->Get("Kids");
    const size_t heap_before = bench::HeapBytes();
    bool pages_ok = true;
    const double t = bench::Seconds([&] {
      std::vector<TreeItem> children = ChildItems(kids);
      labels = children.size();
      pages_ok = labels > 0 && children.back().label == bench::Format("[%.0f]", labels - 1.0) &&
                 children.back().object->Get("Type")->IsName("Page");
    });
    const double per_page = static_cast<double>(bench::HeapBytes() - heap_before) / labels;
    if (!pages_ok) {
      fprintf(stderr, "%s: the children of %s are not labelled pages\n", argv[1], kNodePath);
      return 1;
    }
    if (run > 0) {
      seconds.push_back(t);
      heap_per_page.push_back(per_page);
    }
  }
  const double rate = labels / bench::Median(seconds);
  const double heap = bench::Median(heap_per_page);
  bench::Print({bench::Format("expand Kids of %.0f page references (ChildItems labels)", labels),
                bench::Format("%.0f labels/s", rate), "-", -1, ">= 200000 labels/s", rate >= 200000,
                bench::Format("%.1f MB heap", heap * labels / 1e6)});
  bench::Print({"same, heap per loaded page dictionary", bench::Format("%.0f B/page", heap), "-",
                -1, "< 400 B/page", heap < 400, ""});
  return 0;
}

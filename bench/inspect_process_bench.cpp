// Opening the large file as whole processes: `quorvel-inspect F` (open, then
// print the four top-level items) against the tools a user would otherwise
// run to look at a file's trailer. Each round runs every tool once, so the
// machine's noise is shared; wall time and peak resident set are the medians.
// Our memory is also given per cross-reference entry above the process's
// baseline, which is quorvel-inspect on a tiny file.
//
// Usage: inspect_process_bench QUORVEL_INSPECT LARGE.pdf TINY.pdf ENTRIES
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_report.h"
#include "bench/process_timing.h"

namespace {

using bench::Round;
using bench::Tool;

constexpr int kRounds = 7;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: %s QUORVEL_INSPECT LARGE.pdf TINY.pdf ENTRIES\n", argv[0]);
    return 2;
  }
  const std::string inspect = argv[1];
  const std::string large = argv[2];
  const std::string tiny = argv[3];
  const double entries = atof(argv[4]);

  Tool ours{"quorvel-inspect", {inspect, large}};
  Tool baseline{"quorvel-inspect (tiny file)", {inspect, tiny}};
  std::vector<Tool> peers = {
      {"mutool", {"mutool", "show", large, "trailer"}},
      {"pdfinfo", {"pdfinfo", large}},
      {"qpdf", {"qpdf", "--show-object=trailer", large}},
  };
  // One untimed round brings the file into the page cache for everybody.
  for (int round = 0; round <= kRounds; ++round) {
    Round(ours);
    Round(baseline);
    for (Tool& peer : peers) {
      Round(peer);
    }
    if (round == 0) {
      for (Tool* tool : {&ours, &baseline}) {
        tool->seconds.clear();
        tool->peak_kb.clear();
      }
      for (Tool& peer : peers) {
        peer.seconds.clear();
        peer.peak_kb.clear();
      }
    }
  }
  if (!ours.ok || !baseline.ok) {
    fprintf(stderr, "quorvel-inspect failed on %s or %s\n", large.c_str(), tiny.c_str());
    return 1;
  }

  const double our_time = bench::Median(ours.seconds);
  const double our_peak = bench::Median(ours.peak_kb);
  const double base_peak = bench::Median(baseline.peak_kb);
  std::string peer_times;
  std::string peer_memory;
  double fastest = 0;
  std::string fastest_name;
  for (const Tool& peer : peers) {
    const std::string sep = peer_times.empty() ? "" : ", ";
    if (!peer.ok) {
      peer_times += sep + peer.name + " n/a";
      peer_memory += sep + peer.name + " n/a";
      continue;
    }
    const double t = bench::Median(peer.seconds);
    peer_times += sep + peer.name + " " + bench::Duration(t);
    peer_memory += sep + peer.name + bench::Format(" %.1f MB", bench::Median(peer.peak_kb) / 1e3);
    if (fastest_name.empty() || t < fastest) {
      fastest = t;
      fastest_name = peer.name;
    }
  }
  const std::string workload = "open 1,000,000 objects, print the 4 top-level items (process)";
  if (fastest_name.empty()) {
    bench::Print({workload, bench::Duration(our_time), peer_times, -1, "no peer ran", false, ""});
  } else {
    bench::PrintRatioRow(workload + ", vs " + fastest_name, bench::Duration(our_time), peer_times,
                         fastest / our_time, 2.0, bench::Format("%.1f MB", our_peak / 1e3));
  }
  const double per_entry = (our_peak - base_peak) * 1024 / entries;
  bench::Print({"same, peak RSS above baseline per xref entry",
                bench::Format("%.1f B/entry (%.1f MB - %.1f MB)", per_entry, our_peak / 1e3,
                              base_peak / 1e3),
                peer_memory, -1, "<= 50 B/entry", per_entry <= 50,
                bench::Format("%.1f MB", our_peak / 1e3)});
  return 0;
}

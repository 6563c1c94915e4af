// Modern mode as whole processes. `quorvel-inspect --modern F` (open, then print
// the four top-level items) on the large file with its objects in object
// streams behind one cross-reference stream, against the tools a user would
// otherwise run to look at its trailer; our peak resident set per object above
// the baseline, which is the same command on a tiny file of the same kind; and
// the repair of the classic large file whose cross-reference table was
// overwritten by spaces, against mutool, which repairs as it opens.
//
// Usage: modern_process_bench QUORVEL_INSPECT MODERN.pdf TINY_MODERN.pdf REPAIR.pdf OBJECTS
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_report.h"
#include "bench/process_timing.h"

namespace {

using bench::Round;
using bench::Tool;

constexpr int kOpenRounds = 7;
// The peer's repair of the large file takes seconds a run.
constexpr int kRepairRounds = 5;

// Runs every tool once per round; round 0 is untimed and brings the files into
// the page cache for everybody. Peers whose runs take seconds may skip it when
// ours read the same whole file before them. False when one of ours failed.
bool Measure(int rounds, std::vector<Tool*> ours, std::vector<Tool>& peers, bool warm_peers) {
  for (int round = 0; round <= rounds; ++round) {
    for (Tool* tool : ours) {
      Round(*tool);
    }
    for (Tool& peer : peers) {
      if (round > 0 || warm_peers) {
        Round(peer);
      }
    }
    if (round == 0) {
      for (Tool* tool : ours) {
        tool->Forget();
      }
      for (Tool& peer : peers) {
        peer.Forget();
      }
    }
  }
  for (const Tool* tool : ours) {
    if (!tool->ok) {
      fprintf(stderr, "%s failed: %s\n", tool->name.c_str(), tool->argv.back().c_str());
      return false;
    }
  }
  return true;
}

struct PeerSummary {
  std::string times;   // "mutool 51 ms, qpdf 2.14 s"
  std::string memory;  // "mutool 50.0 MB, ..."
  std::string fastest_name;
  double fastest = 0;
};

PeerSummary Summarize(const std::vector<Tool>& peers) {
  PeerSummary summary;
  for (const Tool& peer : peers) {
    const std::string sep = summary.times.empty() ? "" : ", ";
    if (!peer.ok) {
      summary.times += sep + peer.name + " n/a";
      summary.memory += sep + peer.name + " n/a";
      continue;
    }
    const double t = bench::Median(peer.seconds);
    summary.times += sep + peer.name + " " + bench::Duration(t);
    summary.memory +=
        sep + peer.name + bench::Format(" %.1f MB", bench::Median(peer.peak_kb) / 1e3);
    if (summary.fastest_name.empty() || t < summary.fastest) {
      summary.fastest = t;
      summary.fastest_name = peer.name;
    }
  }
  return summary;
}

// A row comparing our median time with the fastest peer's: met when the ratio
// reaches `least`, or passes it when `strictly`.
void PrintVsFastest(const std::string& workload, const Tool& ours, const PeerSummary& peers,
                    double least, bool strictly) {
  const double time = bench::Median(ours.seconds);
  const std::string memory = bench::Format("%.1f MB", bench::Median(ours.peak_kb) / 1e3);
  if (peers.fastest_name.empty()) {
    bench::Print({workload, bench::Duration(time), peers.times, -1, "no peer ran", false, memory});
    return;
  }
  const double ratio = peers.fastest / time;
  const bool met = strictly ? ratio > least : ratio >= least;
  const std::string target = bench::Format(strictly ? "ratio > %.2f" : "ratio >= %.2f", least);
  bench::Print({workload + ", vs " + peers.fastest_name, bench::Duration(time), peers.times, ratio,
                target, met, memory});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    fprintf(stderr, "usage: %s QUORVEL_INSPECT MODERN.pdf TINY_MODERN.pdf REPAIR.pdf OBJECTS\n",
            argv[0]);
    return 2;
  }
  const std::string inspect = argv[1];
  const std::string modern = argv[2];
  const std::string tiny = argv[3];
  const std::string repair = argv[4];
  const double objects = atof(argv[5]);

  Tool ours{"quorvel-inspect --modern", {inspect, "--modern", modern}};
  Tool baseline{"quorvel-inspect --modern (tiny file)", {inspect, "--modern", tiny}};
  std::vector<Tool> peers = {
      {"mutool", {"mutool", "show", modern, "trailer"}},
      {"pdfinfo", {"pdfinfo", modern}},
      {"qpdf", {"qpdf", "--show-object=trailer", modern}},
  };
  if (!Measure(kOpenRounds, {&ours, &baseline}, peers, /*warm_peers=*/true)) {
    return 1;
  }
  const PeerSummary open_peers = Summarize(peers);
  PrintVsFastest(
      "open 1,000,000 objects in object streams + xref stream, print the 4 top-level items "
      "(process)",
      ours, open_peers, 2.0, /*strictly=*/false);
  const double our_peak = bench::Median(ours.peak_kb);
  const double base_peak = bench::Median(baseline.peak_kb);
  const double per_object = (our_peak - base_peak) * 1024 / objects;
  bench::Print({"same, peak RSS above baseline per object",
                bench::Format("%.1f B/object (%.1f MB - %.1f MB)", per_object, our_peak / 1e3,
                              base_peak / 1e3),
                open_peers.memory, -1, "<= 60 B/object", per_object <= 60,
                bench::Format("%.1f MB", our_peak / 1e3)});

  Tool repaired{"quorvel-inspect --modern", {inspect, "--modern", repair}};
  std::vector<Tool> repairers = {{"mutool", {"mutool", "show", repair, "trailer"}}};
  if (!Measure(kRepairRounds, {&repaired}, repairers, /*warm_peers=*/false)) {
    return 1;
  }
  const PeerSummary repair_peers = Summarize(repairers);
  PrintVsFastest(
      "repair the 1,000,000-object classic file with its xref overwritten by spaces (process)",
      repaired, repair_peers, 1.0, /*strictly=*/true);
  return 0;
}

// What every benchmark program shares: timing by the median of several runs,
// ours and the peer's interleaved so that the shared machine's noise hits both
// alike, memory figures, and the one line per table row that bench/run_bench.sh
// collects ("ROW" and tab-separated cells).
#pragma once

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

inline double Median(std::vector<double> values) {
  if (values.empty()) {
    return 0;
  }
  std::sort(values.begin(), values.end());
  const size_t mid = values.size() / 2;
  return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

template <typename F>
double Seconds(F&& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct PairTimes {
  double ours = 0;    // median seconds
  double theirs = 0;  // median seconds
};

// Runs ours and theirs alternately, `runs` times each (after one untimed warm-up
// of each), and returns the median time of each.
template <typename F, typename G>
PairTimes TimePair(int runs, F&& ours, G&& theirs) {
  ours();
  theirs();
  std::vector<double> a;
  std::vector<double> b;
  for (int i = 0; i < runs; ++i) {
    a.push_back(Seconds(ours));
    b.push_back(Seconds(theirs));
  }
  return {Median(a), Median(b)};
}

// Heap in use by malloc, mapped blocks included.
inline size_t HeapBytes() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

inline long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

inline std::string Format(const char* format, double a, double b = 0, double c = 0) {
  char text[256];
  snprintf(text, sizeof text, format, a, b, c);
  return text;
}

// "1.2 ms", "340 ms", "2.10 s".
inline std::string Duration(double seconds) {
  if (seconds < 0.01) {
    return Format("%.2f ms", seconds * 1e3);
  }
  if (seconds < 1) {
    return Format("%.0f ms", seconds * 1e3);
  }
  return Format("%.2f s", seconds);
}

// One table row. `ratio` is our speed over the peer's (above 1: we are faster),
// met when it reaches `least`; rows with absolute targets pass ratio < 0.
struct Row {
  std::string workload;
  std::string ours;
  std::string peers;
  double ratio = -1;
  std::string target;
  bool met = false;
  std::string memory;
};

inline void Print(const Row& row) {
  const std::string ratio = row.ratio < 0 ? "-" : Format("%.2f", row.ratio);
  printf("ROW\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", row.workload.c_str(), row.ours.c_str(),
         row.peers.c_str(), ratio.c_str(), row.target.c_str(), row.met ? "yes" : "NO",
         row.memory.c_str());
  fflush(stdout);
}

// A row whose target is a speed ratio of at least `least`.
inline void PrintRatioRow(const std::string& workload, const std::string& ours,
                          const std::string& peers, double ratio, double least,
                          const std::string& memory) {
  Print({workload, ours, peers, ratio, Format("ratio >= %.2f", least), ratio >= least, memory});
}

}  // namespace bench

// pdf::Document::Open alone on the large file, against the least any reader of
// that file must do: map it and pass once over the cross-reference section's
// bytes (memchr counting its lines), on a fresh mapping each time as Open has.
//
// Usage: open_bench LARGE.pdf
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_report.h"
#include "diag/messages.h"
#include "pdf/document.h"

namespace {

constexpr int kRuns = 15;

struct Section {
  size_t start = 0;  // the xref keyword
  size_t end = 0;    // the trailer keyword
};

// Finds the newest section through startxref; untimed.
bool FindSection(const std::string& path, Section* section) {
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) {
    return false;
  }
  std::string bytes;
  char chunk[1 << 16];
  for (size_t n; (n = fread(chunk, 1, sizeof chunk, file)) > 0;) {
    bytes.append(chunk, n);
  }
  fclose(file);
  const size_t keyword = bytes.rfind("startxref");
  if (keyword == std::string::npos) {
    return false;
  }
  section->start = strtoul(bytes.c_str() + keyword + 9, nullptr, 10);
  section->end = bytes.find("trailer", section->start);
  return section->end != std::string::npos && bytes.compare(section->start, 4, "xref") == 0;
}

// Map, count the section's lines, unmap. Returns the line count.
long ScanSection(const std::string& path, const Section& section) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  fstat(fd, &info);
  void* map = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  long lines = 0;
  const char* at = static_cast<const char*>(map) + section.start;
  const char* end = static_cast<const char*>(map) + section.end;
  while ((at = static_cast<const char*>(memchr(at, '\n', static_cast<size_t>(end - at)))) !=
         nullptr) {
    ++lines;
    ++at;
  }
  munmap(map, static_cast<size_t>(info.st_size));
  close(fd);
  return lines;
}

int Quiet(const char*) {
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s LARGE.pdf\n", argv[0]);
    return 2;
  }
  const std::string path = argv[1];
  Section section;
  if (!FindSection(path, &section)) {
    fprintf(stderr, "%s: no classic cross-reference section found\n", path.c_str());
    return 1;
  }
  g_error_sink = Quiet;
  g_warning_sink = Quiet;

  pdf::Document doc;
  bool opened = true;
  int entries = 0;
  size_t heap = 0;
  long lines = 0;
  std::vector<double> open_times;
  std::vector<double> scan_times;
  for (int run = 0; run <= kRuns; ++run) {  // run 0 warms up
    doc.Close();  // untimed: unmapping and freeing the previous open's objects
    const size_t before = bench::HeapBytes();
    const double open_time = bench::Seconds([&] { opened = doc.Open(path.c_str()) && opened; });
    heap = bench::HeapBytes() - before;
    entries = doc.xref != nullptr ? doc.xref->EntryCount() : 0;
    const double scan_time = bench::Seconds([&] { lines = ScanSection(path, section); });
    if (run > 0) {
      open_times.push_back(open_time);
      scan_times.push_back(scan_time);
    }
  }
  const bench::PairTimes t{bench::Median(open_times), bench::Median(scan_times)};
  if (!opened || lines < entries) {
    fprintf(stderr, "open failed or the section was not scanned\n");
    return 1;
  }
  const double mb = static_cast<double>(section.end - section.start) / 1e6;
  bench::Print({"Document::Open alone, vs one memchr pass over the xref section",
                bench::Duration(t.ours) + bench::Format(" (%.0f entries)", entries),
                bench::Format("memchr %.2f ms over %.1f MB", t.theirs * 1e3, mb), t.theirs / t.ours,
                "ratio >= 0.33 (within 3x)", t.ours <= 3 * t.theirs,
                bench::Format("heap %.1f MB after open", heap / 1e6)});
  return 0;
}

// Describing a Flate content stream as the detail pane does (its entries, then
// its contents inflated into the 4095-byte buffer), against a bare zlib inflate
// of the same data into a buffer of the same size. The stream is the first
// page's contents in the large file, which inflate to nearly 4095 bytes.
//
// Usage: describe_flate_bench LARGE.pdf
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_report.h"
#include "describe/description.h"
#include "describe/item_path.h"
#include "diag/messages.h"
#include "pdf/document.h"

namespace {

constexpr int kRuns = 9;
constexpr int kCallsPerRun = 4000;
constexpr char kContentsPath[] = "Root/Pages/Kids/[0]/Kids/[0]/Contents";

int Quiet(const char*) {
  return 0;
}

// inflateInit, one inflate into `out`, inflateEnd: what the pane's decoding
// does, without anything around it.
bool BareInflate(const pdf::Token& raw, uint8_t* out, unsigned capacity) {
  z_stream z{};
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.text));
  z.avail_in = static_cast<uInt>(raw.length);
  int status = inflateInit(&z);
  if (status == Z_OK) {
    z.next_out = out;
    z.avail_out = capacity;
    status = inflate(&z, Z_SYNC_FLUSH);
  }
  inflateEnd(&z);
  return status == Z_STREAM_END;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s LARGE.pdf\n", argv[0]);
    return 2;
  }
  g_error_sink = Quiet;
  g_warning_sink = Quiet;
  pdf::Document doc;
  std::vector<TreeItem> trail;
  std::string error;
  if (!doc.Open(argv[1]) || !FindItemPath(doc, kContentsPath, &trail, &error)) {
    fprintf(stderr, "%s: cannot reach %s: %s\n", argv[1], kContentsPath, error.c_str());
    return 1;
  }
  pdf::Object* stream = trail.back().object;
  pdf::Token raw;
  stream->GetStreamData(raw);
  uint8_t buffer[kDescriptionContentsCapacity + 1];
  size_t described = 0;
  bool inflated = true;
  const bench::PairTimes t = bench::TimePair(
      kRuns,
      [&] {
        for (int i = 0; i < kCallsPerRun; ++i) {
          described = DescribeObject(stream).size();
        }
      },
      [&] {
        for (int i = 0; i < kCallsPerRun; ++i) {
          inflated = BareInflate(raw, buffer, kDescriptionContentsCapacity) && inflated;
        }
      });
  // The description holds the entries and all of the inflated contents.
  if (!inflated || described < 3000) {
    fprintf(stderr, "%s: the contents did not inflate whole\n", argv[1]);
    return 1;
  }
  const double mb = static_cast<double>(raw.length) * kCallsPerRun / 1e6;
  bench::PrintRatioRow(
      bench::Format("describe a Flate content stream (%.0f B -> 4095 B buffer)", raw.length),
      bench::Format("%.0f MB/s", mb / t.ours),
      bench::Format("zlib inflate %.0f MB/s", mb / t.theirs), t.theirs / t.ours, 0.90, "");
  return 0;
}

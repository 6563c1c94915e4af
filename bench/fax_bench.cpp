// CCITT fax decoding speed: our decoder against libtiff's on the same data. A
// 2480 x 3508 page (A4 at 300 dpi) of text-like content is written by libtiff
// as Group 4, Group 3 one-dimensional and Group 3 two-dimensional strips; our
// decoder fills a bitmap from each raw strip and libtiff decodes the same strip
// with TIFFReadEncodedStrip. One table row per coding: pages per second.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_report.h"
#include "diag/messages.h"
#include "dib/dib.h"
#include "filters/fax_decoder.h"
#include "tests/support/synthetic_data.h"
#include "tests/support/tiff_oracle.h"

namespace {

constexpr int kWidth = 2480;
constexpr int kHeight = 3508;
constexpr int kRuns = 15;  // the median run counts

int IgnoreMessage(const char*) {
  return 0;
}

bool Run(const char* name, const Bilevel& page, FaxCoding coding, int k) {
  std::vector<uint8_t> file = TiffWriteFax(page.rows, page.width, page.height, coding);
  const std::vector<uint8_t> raw = TiffRawStrip(file);
  TiffStripDecoder libtiff(std::move(file));
  if (raw.empty() || !libtiff.ok() || libtiff.strip_size() != page.rows.size()) {
    std::fprintf(stderr, "%s: libtiff could not write or open the strip\n", name);
    return false;
  }
  HDIB handle = BmiCreateDib(1, page.width, page.height, kDibBilevel);
  auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(handle));
  std::vector<uint8_t> tiff_out(page.rows.size());
  long tiff_n = 0;

  const bench::PairTimes t = bench::TimePair(
      kRuns, [&] { CcittDecode(raw.data(), static_cast<int>(raw.size()), bmi, k); },
      [&] { tiff_n = libtiff.Decode(tiff_out.data(), tiff_out.size()); });

  bool same = tiff_n == static_cast<long>(page.rows.size()) && tiff_out == page.rows;
  for (int y = 0; y < page.height && same; ++y) {
    same = std::equal(page.rows.begin() + y * page.stride(),
                      page.rows.begin() + (y + 1) * page.stride(), BmiRowPtr(bmi, y));
  }
  DibUnlock(handle);
  DibFree(handle);
  if (!same) {
    std::fprintf(stderr, "%s: decoded page differs from the original\n", name);
    return false;
  }
  bench::PrintRatioRow(std::string("CCITT ") + name +
                           bench::Format(", 2480x3508 text page (%.0f KB coded)", raw.size() / 1e3),
                       bench::Format("%.0f pages/s", 1 / t.ours),
                       bench::Format("libtiff %.0f pages/s", 1 / t.theirs), t.theirs / t.ours, 1.0,
                       "");
  return true;
}

}  // namespace

int main() {
  g_error_sink = IgnoreMessage;  // a benchmark shows no message boxes
  const Bilevel page = MakeTextPage(kWidth, kHeight, 1);
  bool ok = Run("G4", page, FaxCoding::kG4, -1);
  ok = Run("G3 1-D", page, FaxCoding::kG3OneD, 0) && ok;
  ok = Run("G3 2-D", page, FaxCoding::kG3TwoD, 1) && ok;
  return ok ? 0 : 1;
}

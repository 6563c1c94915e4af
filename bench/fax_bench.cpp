// CCITT fax decoding speed: our decoder against libtiff's on the same data. A
// 2480 x 3508 page (A4 at 300 dpi) of text-like content is written by libtiff
// as Group 4, Group 3 one-dimensional and Group 3 two-dimensional strips; our
// decoder fills a bitmap from each raw strip and libtiff decodes the same strip
// with TIFFReadEncodedStrip. Prints pages per second for both and the ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "diag/messages.h"
#include "dib/dib.h"
#include "filters/fax_decoder.h"
#include "tests/support/synthetic_data.h"
#include "tests/support/tiff_oracle.h"

namespace {

constexpr int kWidth = 2480;
constexpr int kHeight = 3508;
constexpr int kRuns = 30;  // the best run counts

template <typename F>
double BestSeconds(F&& decode) {
  double best = 1e30;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = std::chrono::steady_clock::now();
    decode();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

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

  const double ours =
      BestSeconds([&] { CcittDecode(raw.data(), static_cast<int>(raw.size()), bmi, k); });
  const double theirs =
      BestSeconds([&] { tiff_n = libtiff.Decode(tiff_out.data(), tiff_out.size()); });

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
  std::printf("%-10s %7.0f KB coded   ours %7.1f pages/s   libtiff %7.1f pages/s   ratio %.2f\n",
              name, raw.size() / 1e3, 1 / ours, 1 / theirs, theirs / ours);
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

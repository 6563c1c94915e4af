// LZW decoding speed: our decoder against libtiff's on the same code streams.
// libtiff writes each data set as one LZW strip of an in-memory TIFF; its raw
// strip is the stream our decoder reads, and libtiff decodes the same strip with
// TIFFReadEncodedStrip. One table row per data set: MB/s of decoded output.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "bench/bench_report.h"
#include "filters/lzw_decoder.h"
#include "tests/support/synthetic_data.h"
#include "tests/support/tiff_oracle.h"

namespace {

constexpr size_t kDataSize = 8 << 20;  // decoded bytes per run
constexpr int kRuns = 9;               // the median run counts

// An 8-bit grayscale picture: smooth shading, edges and a little noise, the kind
// of image that is stored with LZW.
std::vector<uint8_t> MakeGrayImage(size_t size) {
  constexpr int kWidth = 2048;
  std::vector<uint8_t> pixels(size);
  std::mt19937 rng(5);
  for (size_t i = 0; i < size; ++i) {
    const int x = static_cast<int>(i % kWidth);
    const int y = static_cast<int>(i / kWidth);
    int v = (x / 8 + y / 16) & 0xFF;
    if (((x / 200) + (y / 150)) % 3 == 0)
      v = 230;
    if (rng() % 16 == 0)
      v += static_cast<int>(rng() % 3) - 1;
    pixels[i] = static_cast<uint8_t>(std::clamp(v, 0, 255));
  }
  return pixels;
}

bool Run(const char* name, const std::vector<uint8_t>& plain) {
  std::vector<uint8_t> file = TiffWriteLzw(plain.data(), plain.size());
  const std::vector<uint8_t> raw = TiffRawStrip(file);
  TiffStripDecoder libtiff(std::move(file));
  if (raw.empty() || !libtiff.ok() || libtiff.strip_size() != plain.size()) {
    std::fprintf(stderr, "%s: libtiff could not write or open the strip\n", name);
    return false;
  }
  std::vector<uint8_t> ours_out(plain.size());
  std::vector<uint8_t> tiff_out(plain.size());
  int ours_n = 0;
  long tiff_n = 0;
  const bench::PairTimes t = bench::TimePair(
      kRuns,
      [&] {
        LzwDecoder decoder;
        ours_n = decoder.Decode(raw.data(), static_cast<int>(raw.size()), ours_out.data(),
                                static_cast<int>(ours_out.size()));
      },
      [&] { tiff_n = libtiff.Decode(tiff_out.data(), tiff_out.size()); });
  if (ours_n != static_cast<int>(plain.size()) || ours_out != plain || tiff_n != ours_n ||
      tiff_out != plain) {
    std::fprintf(stderr, "%s: decoded output differs from the input\n", name);
    return false;
  }
  const double mb = plain.size() / 1e6;
  bench::PrintRatioRow(bench::Format("LZW decode, %.1f MB of ", mb) + name +
                           bench::Format(" (%.1f MB coded)", raw.size() / 1e6),
                       bench::Format("%.0f MB/s", mb / t.ours),
                       bench::Format("libtiff %.0f MB/s", mb / t.theirs), t.theirs / t.ours, 1.0,
                       "");
  return true;
}

}  // namespace

int main() {
  bool ok = Run("content text", MakeContentText(kDataSize, 1));
  ok = Run("gray image", MakeGrayImage(kDataSize)) && ok;
  return ok ? 0 : 1;
}

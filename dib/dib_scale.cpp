// Reduction to an 8-bit gray picture by averaging blocks of n by n pixels: how a
// bilevel page stays legible when drawn at a fraction of its size.
#include <algorithm>
#include <chrono>
#include <memory>
#include <new>

#include "dib/dib.h"
#include "dib/dib_locked.h"
#include "dib/dib_row_decode.h"
#include "dib/dib_trace.h"

namespace {

// A block with no source pixels (an empty picture) shows as paper white.
constexpr uint8_t kEmptyBlockGray = 255;

int CeilDiv(int a, int n) {
  return static_cast<int>((static_cast<int64_t>(a) + n - 1) / n);
}

bool Reduce(BITMAPINFOHEADER* src, BITMAPINFOHEADER* dst, int n) {
  const int src_w = src->biWidth;
  const int src_h = BmiHeightAbs(src);
  const int dst_w = dst->biWidth;
  const int dst_h = BmiHeightAbs(dst);
  DibRowDecoder decoder;
  if (!decoder.Init(src)) {
    return false;
  }
  // Work rows only for a picture with pixels: an empty one, all paper white,
  // may still claim a width of 2^31.
  const bool empty = src_w <= 0 || src_h <= 0;
  const size_t work = empty ? 0 : static_cast<size_t>(src_w);
  const size_t blocks = empty ? 0 : static_cast<size_t>(dst_w);
  std::unique_ptr<uint8_t[]> bgr(new (std::nothrow) uint8_t[work * 3 + 1]);
  std::unique_ptr<uint64_t[]> sums(new (std::nothrow) uint64_t[blocks + 1]);
  if (!bgr || !sums) {
    return false;
  }
  for (int y = 0; y < dst_h; ++y) {
    const int first_row = static_cast<int>(static_cast<int64_t>(y) * n);
    const int rows = first_row < src_h ? std::min(n, src_h - first_row) : 0;
    std::fill(sums.get(), sums.get() + blocks, 0);
    for (int r = 0; r < rows; ++r) {
      decoder.DecodeBgr(BmiRowPtr(src, first_row + r), bgr.get());
      for (int x = 0; x < src_w; ++x) {
        sums[x / n] += DibRowDecoder::Luma(bgr.get() + 3 * x);
      }
    }
    uint8_t* out = BmiRowPtr(dst, y);
    for (int x = 0; x < dst_w; ++x) {
      const int64_t first_col = static_cast<int64_t>(x) * n;
      const int64_t cols = first_col < src_w ? std::min<int64_t>(n, src_w - first_col) : 0;
      const uint64_t count = static_cast<uint64_t>(cols) * static_cast<uint64_t>(rows);
      // Rounded to the nearest level.
      out[x] = count == 0 ? kEmptyBlockGray : static_cast<uint8_t>((sums[x] + count / 2) / count);
    }
  }
  dst->biXPelsPerMeter = src->biXPelsPerMeter / n;
  dst->biYPelsPerMeter = src->biYPelsPerMeter / n;
  return true;
}

}  // namespace

HDIB DIB_ScaleToGray(HDIB handle, int factor) {
  if (factor < 1) {
    return nullptr;
  }
  const auto start = std::chrono::steady_clock::now();
  DibLocked src(handle);
  if (!src) {
    return nullptr;
  }
  const int width = std::max(1, CeilDiv(src->biWidth, factor));
  const int height = std::max(1, CeilDiv(BmiHeightAbs(src.get()), factor));
  HDIB gray = BmiCreateDib(8, width, height, kDibGray);
  if (gray == nullptr) {
    return nullptr;
  }
  bool ok;
  {
    DibLocked dst(gray);
    ok = dst && Reduce(src.get(), dst.get(), factor);
  }
  if (!ok) {
    DibFree(gray);
    return nullptr;
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  DibTrace(
      "DIB_ScaleToGray: [%dms]\n",
      static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
  DibTraceFlush();
  return gray;
}

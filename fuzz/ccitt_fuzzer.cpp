// The CCITT fax decoder for every K: the first byte is K as a signed byte (below
// 0 Group 4, 0 Group 3 one-dimensional, above 0 Group 3 two-dimensional), the
// next two the line width, the fourth the row count; the rest is the data.
#include <cstddef>
#include <cstdint>

#include "dib/dib.h"
#include "filters/fax_decoder.h"
#include "fuzz/fuzz_sinks.h"

namespace {

constexpr size_t kHeaderBytes = 4;
// Wide enough for real scans; wider lines only slow the fuzzer down.
constexpr int kWidthMask = 0x3FFF;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  DiscardAllMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeaderBytes || size > INT32_MAX) {
    return 0;
  }
  const int k = static_cast<int8_t>(data[0]);
  const int width = 1 + ((data[1] << 8 | data[2]) & kWidthMask);
  const int height = 1 + data[3];
  HDIB dib = BmiCreateDib(1, width, height, kDibBilevel);
  if (dib == nullptr) {
    return 0;
  }
  auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(dib));
  CcittDecode(data + kHeaderBytes, static_cast<int>(size - kHeaderBytes), bmi, k);
  DibUnlock(dib);
  DibFree(dib);
  return 0;
}

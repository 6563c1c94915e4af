// DibFromStream (classic) and DrawImageStream (modern) with a fuzzed dictionary
// and data: the first two bytes give the length of the dictionary text that
// follows ("<< /Width ... >>"), the rest is the stream's raw data. References
// resolve to nothing. Each bitmap is read as drawing reads it, then freed.
#include <cstddef>
#include <cstdint>

#include "dib/dib.h"
#include "filters/image_stream.h"
#include "filters/modern_image.h"
#include "fuzz/fuzz_sinks.h"
#include "fuzz/fuzzed_stream.h"
#include "pdf/document.h"
#include "tests/malformed/document_walk.h"

namespace {

// Bitmaps as large as 2 GiB are accepted, and clearing and decoding one costs
// time in proportion to its size; the fuzzer spends its time better on more
// inputs.
constexpr int64_t kMaxImageBytes = int64_t{4} << 20;
// A small bound keeps modern mode's reduced drawing on the path and each run short.
constexpr size_t kMaxDrawnPixels = size_t{1} << 16;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  DiscardAllMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pdf::Document doc;
  pdf::Dictionary* dictionary = ParseFuzzedStream(doc, data, size);
  if (dictionary == nullptr) {
    return 0;
  }
  if (RequestedImageBytes(dictionary) > kMaxImageBytes) {
    return 0;
  }
  HDIB dib = dictionary->ToDib();
  ShowBitmap(dib);
  DibFree(dib);
  ImageDrawing drawing = DrawImageStream(dictionary, kMaxDrawnPixels);
  ShowBitmap(drawing.dib);
  DibFree(drawing.dib);
  return 0;
}

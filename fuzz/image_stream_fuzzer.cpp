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
#include "pdf/document.h"
#include "tests/malformed/document_walk.h"

namespace {

constexpr size_t kPrefixBytes = 2;
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
  if (size < kPrefixBytes || size > INT32_MAX) {
    return 0;
  }
  size_t text_size = static_cast<size_t>(data[0] << 8 | data[1]);
  if (text_size > size - kPrefixBytes) {
    text_size = size - kPrefixBytes;
  }
  const char* text = reinterpret_cast<const char*>(data + kPrefixBytes);
  const char* data_end = reinterpret_cast<const char*>(data + size);
  pdf::Document doc;
  doc.begin = text;
  doc.end = text + text_size;
  doc.cursor = text;
  doc.NextToken();
  pdf::Dictionary* dictionary = doc.ParseDictionary();
  if (dictionary == nullptr) {
    return 0;
  }
  if (!dictionary->IsStream()) {
    dictionary->data = pdf::Token(doc.end, data_end, pdf::TokenType::StreamData);
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

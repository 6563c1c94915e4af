// JBIG2Decode with JBIG2Globals: the first two bytes give the length of the
// globals that follow, the rest is the page's embedded stream.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "filters/filter_stage.h"
#include "fuzz/fuzz_sinks.h"
#include "pdf/document.h"
#include "pdf/object.h"

namespace {

constexpr size_t kPrefixBytes = 2;
// Decoding time grows with the page: an 8-megapixel page took 0.6 s under the
// sanitizers and passed the 2 s timeout on a busy machine; pages of up to 2
// megapixels keep each input well inside it. Symbols may still fill the
// decoder's base memory budget (128 megapixels, about 2 s), hence this
// target's longer timeout in run-fuzzers.sh.
constexpr size_t kOutputLimit = size_t{256} << 10;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  DiscardAllMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kPrefixBytes || size > INT32_MAX) {
    return 0;
  }
  size_t globals_size = static_cast<size_t>(data[0] << 8 | data[1]);
  if (globals_size > size - kPrefixBytes) {
    globals_size = size - kPrefixBytes;
  }
  const char* globals = reinterpret_cast<const char*>(data + kPrefixBytes);
  pdf::Document doc;
  auto* globals_stream = new pdf::Dictionary(&doc);
  globals_stream->Set("Length", static_cast<double>(globals_size));
  globals_stream->data = pdf::Token(globals, globals + globals_size, pdf::TokenType::StreamData);
  auto* parms = new pdf::Dictionary(&doc);
  parms->Set("JBIG2Globals", globals_stream);
  std::vector<uint8_t> out;
  const StageResult result =
      Jbig2Stage(std::span<const uint8_t>(data + kPrefixBytes + globals_size,
                                          size - kPrefixBytes - globals_size),
                 parms, kOutputLimit, &out);
  if (out.size() > kOutputLimit ||
      (result.outcome == StageOutcome::kComplete) != result.message.empty()) {
    __builtin_trap();
  }
  return 0;
}

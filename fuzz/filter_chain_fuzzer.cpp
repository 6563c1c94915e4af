// Every filter and predictor through DecodeStreamFully, as the readers of
// cross-reference and object streams, find and Save Decoded Stream use it: the
// first two bytes give the length of the dictionary text that follows
// ("<< /Filter [...] /DecodeParms [...] >>"), the rest is the stream's data.
// References resolve to nothing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "filters/filter_chain.h"
#include "fuzz/fuzz_sinks.h"
#include "fuzz/fuzzed_stream.h"
#include "pdf/document.h"

namespace {

// Output bound of one decode: decompression bombs must stop here, and the
// fuzzer spends its time better on more inputs than on large outputs.
constexpr size_t kMaxOutput = size_t{1} << 20;

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
  std::vector<uint8_t> out;
  std::string error;
  const bool decoded = DecodeStreamFully(dictionary, kMaxOutput, &out, &error);
  // The bound holds whatever the filters: no stage keeps more than it.
  if (out.size() > kMaxOutput + 1 || (!decoded && error.empty())) {
    __builtin_trap();
  }
  return 0;
}

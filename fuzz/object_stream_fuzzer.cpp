// An object stream around the input: the first bytes give N, First and whether
// the stream is compressed, extends another stream, itself, or a stream that
// extends it back; the rest is its decoded data ("number offset" pairs, then
// the objects). The catalog, page tree and page live there (see
// modern_inputs.h). Opened in modern mode and walked.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/fuzz_sinks.h"
#include "fuzz/modern_inputs.h"
#include "fuzz/modern_walk.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  DiscardAllMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  OpenAndWalkModern(ObjectStreamFile(std::span<const uint8_t>(data, size)));
  return 0;
}

// A cross-reference stream around the input: the first bytes choose W, Size,
// Index, the filter and predictor, and whether a classic section names the
// stream (XRefStm) or is named by it (Prev); the rest is the stream's data,
// whose entries name the objects before it (see modern_inputs.h). Opened in
// modern mode and walked.
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
  OpenAndWalkModern(XRefStreamFile(std::span<const uint8_t>(data, size)));
  return 0;
}

// The input as a whole file in modern mode, where a missing or broken
// startxref makes the reader rebuild the table by scanning; then the same bytes
// behind a valid header, so that the scan also meets files whose header is
// fine. Each open is walked.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_sinks.h"
#include "fuzz/modern_walk.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  DiscardAllMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  OpenAndWalkModern(input);
  OpenAndWalkModern("%PDF-1.7\n" + input);
  return 0;
}

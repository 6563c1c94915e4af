// A whole open of arbitrary bytes, from memory, with the viewer's report hooks
// (findings never fail the open), then the walk a user exploring everything
// makes: every item expanded to depth 4, every object described, every stream
// decoded, every image converted, read as drawing reads it, and freed.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_sinks.h"
#include "tests/malformed/document_walk.h"

namespace {

// Every item resolves its reference afresh, and a damaged object may run to the
// end of the file: items times file size is the cost of one input.
constexpr int kMaxItems = 2000;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  DiscardAllMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > INT32_MAX) {
    return 0;
  }
  ViewerDocument doc;
  if (doc.OpenMemory(reinterpret_cast<const char*>(data), static_cast<int32_t>(size), "fuzz.pdf")) {
    WalkLimits limits;
    limits.max_items = kMaxItems;
    WalkDocument(doc, limits);
  }
  return 0;
}

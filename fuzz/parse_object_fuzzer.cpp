// ParseIndirectObject on arbitrary bytes: the object at the start, then one at
// each place where the previous parse stopped, each described and expanded as
// the panes would. References resolve to nothing: the document has no sections.
#include <cstddef>
#include <cstdint>

#include "describe/description.h"
#include "describe/labels.h"
#include "fuzz/fuzz_sinks.h"
#include "pdf/document.h"

namespace {

// Enough to reach several objects of a seed file; each parse costs a full pass
// over its bytes at most.
constexpr int kMaxObjects = 64;
// Children of children are described this deep.
constexpr int kMaxDepth = 2;

void Explore(pdf::Object* object, int depth) {
  (void)DescribeObject(object);
  if (depth >= kMaxDepth) {
    return;
  }
  for (const TreeItem& child : ChildItems(object)) {
    Explore(child.object, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  DiscardAllMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > INT32_MAX) {
    return 0;
  }
  pdf::Document doc;
  doc.begin = reinterpret_cast<const char*>(data);
  doc.end = doc.begin + size;
  doc.cursor = doc.begin;
  int32_t offset = 0;
  for (int i = 0; i < kMaxObjects && offset < static_cast<int32_t>(size); ++i) {
    if (pdf::Object* object = doc.ParseIndirectObject(offset)) {
      Explore(object, 0);
    }
    // Go on at the token that ended the parse (normally "endobj"), or behind it.
    int32_t next = static_cast<int32_t>(doc.cursor - doc.begin);
    if (doc.current.text != nullptr && doc.current.text >= doc.begin &&
        doc.current.text < doc.cursor) {
      next = static_cast<int32_t>(doc.current.text - doc.begin);
    }
    offset = next > offset ? next : offset + 1;
  }
  return 0;
}

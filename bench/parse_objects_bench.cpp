// Heap cost and speed of parsing small dictionaries. Parses 100,000 indirect
// objects holding a three-entry dictionary and, for comparison, three values
// without a dictionary around them: the difference is what a dictionary and its
// entry table cost (its keys are never objects). Heap bytes are malloc's own
// count (mallinfo2), so they include each block's header and rounding; the
// parser's objects come from the document's arena blocks.
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "pdf/document.h"

namespace {

constexpr int kDictionaries = 100000;

size_t HeapInUse() {
  return mallinfo2().uordblks;
}

struct Result {
  double bytes_per_unit;
  double nanoseconds_per_unit;
};

// Parses kDictionaries indirect objects "N 0 obj `body` endobj" and keeps every
// object made on the way.
Result Measure(const std::string& body) {
  std::string text;
  std::vector<int32_t> offsets;
  for (int i = 1; i <= kDictionaries; ++i) {
    offsets.push_back(static_cast<int32_t>(text.size()));
    text += std::to_string(i) + " 0 obj\n" + body + "\nendobj\n";
  }
  pdf::Document doc;
  doc.begin = text.data();
  doc.end = text.data() + text.size();
  doc.stack.reserve(64);  // the stack is reused; keep its first growth out of the figure
  size_t before = HeapInUse();
  auto start = std::chrono::steady_clock::now();
  for (int32_t offset : offsets) {
    doc.ParseIndirectObject(offset);
  }
  auto stop = std::chrono::steady_clock::now();
  size_t after = HeapInUse();
  double ns = std::chrono::duration<double, std::nano>(stop - start).count();
  return {static_cast<double>(after - before) / kDictionaries, ns / kDictionaries};
}

}  // namespace

int main() {
  const std::string values = "/Font /Type1 12";
  const std::string dictionary = "<< /Type /Font /Subtype /Type1 /Size 12 >>";
  Result bare = Measure(values);
  Result whole = Measure(dictionary);
  printf("parsed %d three-entry dictionaries\n", kDictionaries);
  printf("heap per dictionary with its entry table:   %7.1f bytes\n",
         whole.bytes_per_unit - bare.bytes_per_unit);
  printf("heap per dictionary with its values:        %7.1f bytes\n", whole.bytes_per_unit);
  printf("parse time per dictionary:                  %7.1f ns\n", whole.nanoseconds_per_unit);
  return 0;
}

// The lexer over arbitrary bytes: every token with its text and value until the
// input ends, then the backward keyword search of the structure reader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_sinks.h"
#include "pdf/token.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  DiscardAllMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* begin = reinterpret_cast<const char*>(data);
  const char* end = begin + size;
  const char* cursor = begin;
  pdf::Token token;
  while (cursor < end) {
    const char* before = cursor;
    if (token.Next(&cursor, end)) {
      (void)token.String();
      (void)token.IsInteger();
      (void)token.IntValue();
      (void)token.IsBoolean();
      if (token.IsNumber()) {
        pdf::Token printed(token.value);  // the program's own text of the number
        (void)printed.String();
      }
      pdf::Token copy(token);
      copy = token;
    }
    // Every call consumes input, failures included: a caller that goes on after
    // an error must never loop in place or run past the end.
    if (cursor <= before || cursor > end) {
      abort();
    }
  }
  (void)pdf::FindLast("%%EOF", begin, end);
  (void)pdf::FindLast("startxref", begin, end);
  return 0;
}

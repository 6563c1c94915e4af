// The lexer over arbitrary bytes: every token with its text and value until the
// input ends, then the backward keyword search of the structure reader. A
// number's value must be bit for bit what the C library makes of its text.
#include <locale.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_sinks.h"
#include "pdf/bounds.h"
#include "pdf/token.h"

namespace {

// The independent conversion: strtod in the "C" locale over the number's own
// text, at most kMaxNumberText bytes of it.
double ReferenceValue(const pdf::Token& token) {
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  char text[pdf::kMaxNumberText + 1];
  const size_t size =
      static_cast<size_t>(token.length < pdf::kMaxNumberText ? token.length : pdf::kMaxNumberText);
  memcpy(text, token.text, size);
  text[size] = '\0';
  return strtod_l(text, nullptr, c_locale);
}

}  // namespace

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
        const double expect = ReferenceValue(token);
        if (memcmp(&expect, &token.value, sizeof expect) != 0) {
          abort();
        }
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

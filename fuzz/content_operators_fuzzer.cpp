// The content stream listing: any bytes give printable lines within the cap,
// and every line keeps to the operand bound plus its indentation and operator.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "analysis/content_operators.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kLines = 1000;
  const auto lines = FormatContentOperators(std::span<const uint8_t>(data, size), kLines);
  if (lines.size() > kLines + 1) {
    abort();
  }
  for (const auto& line : lines) {
    for (char c : line) {
      if (c < 0x20 || c >= 0x7F) {
        abort();
      }
    }
  }
  return 0;
}

// ASCIIHexDecode: pairs of hexadecimal digits, white space anywhere, ">" at
// the end; a last lone digit stands for its high half.
#include "diag/format.h"
#include "filters/filter_stage.h"
#include "pdf/chars.h"

StageResult AsciiHexStage(std::span<const uint8_t> input, pdf::Object* /*parms*/, size_t limit,
                          std::vector<uint8_t>* out) {
  out->clear();
  out->reserve(std::min(input.size() / 2 + 1, OutputCap(limit)));
  const StageResult over{StageOutcome::kOverLimit,
                         FormatText("the data decode to more than %zu bytes", limit)};
  int high = -1;
  for (size_t i = 0; i < input.size(); ++i) {
    const uint8_t c = input[i];
    if (c == '>')
      break;
    if (pdf::IsWhite(static_cast<char>(c)) || c == 0)
      continue;
    const int value = pdf::HexDigitValue(static_cast<char>(c));
    if (value < 0) {
      return {out->empty() ? StageOutcome::kUnreadable : StageOutcome::kDamaged,
              FormatText("a byte that is no hexadecimal digit (0x%02x) after %zu bytes", c,
                         out->size())};
    }
    if (high < 0) {
      high = value;
      continue;
    }
    if (out->size() >= limit)
      return over;
    out->push_back(static_cast<uint8_t>(high << 4 | value));
    high = -1;
  }
  // A missing ">" ends the data all the same, as readers take it.
  if (high >= 0) {
    if (out->size() >= limit)
      return over;
    out->push_back(static_cast<uint8_t>(high << 4));
  }
  return {};
}

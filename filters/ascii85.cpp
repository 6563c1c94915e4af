// ASCII85Decode: groups of five characters from "!" to "u" give four bytes
// (base 85), "z" four zero bytes, white space is ignored and "~>" ends the
// data; a last group of n characters gives n - 1 bytes. A missing "~>" and a
// leading "<~" (as some producers write) are forgiven, as readers do.
#include "diag/format.h"
#include "filters/filter_stage.h"
#include "pdf/chars.h"

namespace {

StageResult OverLimit(size_t limit) {
  return {StageOutcome::kOverLimit, FormatText("the data decode to more than %zu bytes", limit)};
}

// Appends the first `bytes` bytes of the group's value; false when the group
// is larger than 32 bits.
bool PutGroup(const uint32_t (&digits)[5], int count, std::vector<uint8_t>* out) {
  uint64_t value = 0;
  for (int i = 0; i < 5; ++i) {
    value = value * 85 + (i < count ? digits[i] : 84);  // short groups pad with "u"
  }
  if (value > UINT32_MAX)
    return false;
  for (int i = 0; i < count - 1; ++i) {
    out->push_back(static_cast<uint8_t>(value >> (24 - 8 * i)));
  }
  return true;
}

}  // namespace

StageResult Ascii85Stage(std::span<const uint8_t> input, pdf::Object* /*parms*/, size_t limit,
                         std::vector<uint8_t>* out) {
  out->clear();
  out->reserve(std::min(input.size() / 5 * 4 + 4, OutputCap(limit)));
  size_t i = 0;
  while (i < input.size() && (pdf::IsWhite(static_cast<char>(input[i])) || input[i] == 0))
    ++i;
  if (i + 1 < input.size() && input[i] == '<' && input[i + 1] == '~')
    i += 2;
  uint32_t digits[5];
  int count = 0;
  for (; i < input.size(); ++i) {
    const uint8_t c = input[i];
    if (pdf::IsWhite(static_cast<char>(c)) || c == 0)
      continue;
    if (c == '~')
      break;  // "~>", or a "~" alone at the end: the data end here
    if (out->size() + 4 > OutputCap(limit))
      return OverLimit(limit);
    if (c == 'z' && count == 0) {
      out->insert(out->end(), 4, 0);
      continue;
    }
    if (c < '!' || c > 'u') {
      return {out->empty() ? StageOutcome::kUnreadable : StageOutcome::kDamaged,
              FormatText("a byte outside the alphabet (0x%02x) after %zu bytes", c, out->size())};
    }
    digits[count++] = c - '!';
    if (count == 5) {
      if (!PutGroup(digits, 5, out)) {
        return {out->empty() ? StageOutcome::kUnreadable : StageOutcome::kDamaged,
                FormatText("a group beyond 32 bits after %zu bytes", out->size())};
      }
      count = 0;
    }
  }
  if (count == 1) {
    return {out->empty() ? StageOutcome::kUnreadable : StageOutcome::kDamaged,
            FormatText("a last group of one character after %zu bytes", out->size())};
  }
  if (count > 1 && !PutGroup(digits, count, out)) {
    return {out->empty() ? StageOutcome::kUnreadable : StageOutcome::kDamaged,
            FormatText("a last group beyond 32 bits after %zu bytes", out->size())};
  }
  return out->size() > limit ? OverLimit(limit) : StageResult{};
}

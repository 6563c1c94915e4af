// LZWDecode for whole streams. The decoder writes into a fixed buffer; when
// that fills, the data are decoded again into one twice as large, up to the
// limit. Most streams fit the first guess, and the retries cost at most as
// much again as the last decode.
#include "diag/format.h"
#include "filters/filter_stage.h"
#include "filters/lzw_decoder.h"
#include "pdf/object.h"

namespace {

const char* StopText(LzwStop stop) {
  switch (stop) {
    case LzwStop::kInvalidCode:
      return "a code beyond the table";
    case LzwStop::kWrongLength:
      return "a code of an undefined entry";
    case LzwStop::kLoop:
      return "a loop in the code table";
    default:
      return "";
  }
}

}  // namespace

StageResult LzwStage(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                     std::vector<uint8_t>* out) {
  out->clear();
  // Codes one early (1, the default) or as late as possible (0).
  int early_change = 1;
  std::string why;
  if (!ReadZeroOrOne(parms, "EarlyChange", /*absent=*/1, &early_change, &why))
    return {StageOutcome::kBadParameters, why};
  const LzwDecoder decoder(early_change == 1);
  // The decoder counts in 32 bits.
  const size_t cap = std::min<size_t>(OutputCap(limit), UINT32_MAX);
  size_t size = FirstOutputSize(input.size(), cap);
  LzwResult decoded;
  for (;;) {
    // Dropped first: the old contents would only be decoded again.
    std::vector<uint8_t>().swap(*out);
    ResizeExactly(out, size);
    decoded = decoder.DecodeSpan(input, *out);
    if (decoded.stop != LzwStop::kOutputFull || size == cap)
      break;
    size = NextOutputSize(size, cap);
  }
  out->resize(decoded.written);
  switch (decoded.stop) {
    case LzwStop::kEndCode:
      return {};
    case LzwStop::kDataEnded:
      return {
          StageOutcome::kTruncated,
          FormatText("the data end without an end-of-data code, after %u bytes", decoded.written)};
    case LzwStop::kOutputFull:
      return {StageOutcome::kOverLimit,
              FormatText("the data decode to more than %zu bytes", std::min(limit, cap))};
    default:
      return {decoded.written > 0 ? StageOutcome::kDamaged : StageOutcome::kUnreadable,
              FormatText("%s after %u bytes", StopText(decoded.stop), decoded.written)};
  }
}

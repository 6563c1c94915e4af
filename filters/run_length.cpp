// RunLengthDecode: a length byte L, then L + 1 bytes to copy (L below 128) or
// one byte to repeat 257 - L times (L above 128); 128 ends the data.
#include "diag/format.h"
#include "filters/filter_stage.h"

StageResult RunLengthStage(std::span<const uint8_t> input, pdf::Object* /*parms*/, size_t limit,
                           std::vector<uint8_t>* out) {
  out->clear();
  out->reserve(std::min(input.size() * 2, OutputCap(limit)));
  const size_t cap = OutputCap(limit);
  size_t i = 0;
  while (i < input.size()) {
    const uint8_t length = input[i++];
    if (length == 128)
      return {};
    const size_t run = length < 128 ? size_t{length} + 1 : 257 - size_t{length};
    if (out->size() + run > cap) {
      return {StageOutcome::kOverLimit,
              FormatText("the data decode to more than %zu bytes", limit)};
    }
    if (length < 128) {
      const size_t have = std::min(run, input.size() - i);
      out->insert(out->end(), input.begin() + static_cast<std::ptrdiff_t>(i),
                  input.begin() + static_cast<std::ptrdiff_t>(i + have));
      i += have;
      if (have < run) {
        return {StageOutcome::kTruncated,
                FormatText("the data end inside a run, after %zu bytes", out->size())};
      }
    } else {
      if (i >= input.size()) {
        return {StageOutcome::kTruncated,
                FormatText("the data end inside a run, after %zu bytes", out->size())};
      }
      out->insert(out->end(), run, input[i++]);
    }
  }
  // No end marker: what the runs held is all there is, as readers take it.
  return {};
}

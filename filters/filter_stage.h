// One stage of a stream's filter chain: a decoder that turns the whole input
// into a whole output, and says how the data ended. The filter table decides
// which of those endings only warn.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "filters/filter_bounds.h"

namespace pdf {
class Object;
class StreamPieces;
}  // namespace pdf

enum class StageOutcome : uint8_t {
  kComplete,       // the data ended as their format says
  kTruncated,      // the data stop before their end marker; the output is what they held
  kDamaged,        // undecodable data after some output; the output is what came before
  kUnreadable,     // nothing could be decoded
  kOverLimit,      // the output would exceed the limit
  kBadParameters,  // DecodeParms the filter cannot use
};

// A set of outcomes, for the filter table.
using StageOutcomes = uint32_t;
constexpr StageOutcomes OutcomeBit(StageOutcome outcome) {
  return StageOutcomes{1} << static_cast<unsigned>(outcome);
}

struct StageResult {
  StageOutcome outcome = StageOutcome::kComplete;
  std::string message;  // empty for kComplete
};

// Decodes all of `input` into `out` (replacing its contents), never holding
// more than `limit` + 1 bytes there. `parms` is the stage's DecodeParms: a
// dictionary, the null object or nullptr.
using StageDecoder = StageResult (*)(std::span<const uint8_t> input, pdf::Object* parms,
                                     size_t limit, std::vector<uint8_t>* out);

StageResult InflateStage(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                         std::vector<uint8_t>* out);
// Told after every step of inflating how many bytes of `out` are final; the
// buffer does not move while the limit is within kWholeReserveLimit.
class InflateObserver {
 public:
  virtual void Produced(uint8_t* data, size_t produced) = 0;

 protected:
  ~InflateObserver() = default;
};
StageResult InflateObserved(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                            std::vector<uint8_t>* out, InflateObserver* observer);
// FlateDecode over data that come a piece at a time (deciphered as inflated);
// `size` is their whole size as far as known, for the first reservation.
StageResult InflatePieces(pdf::StreamPieces& pieces, size_t size, size_t limit,
                          std::vector<uint8_t>* out);
StageResult LzwStage(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                     std::vector<uint8_t>* out);
StageResult AsciiHexStage(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                          std::vector<uint8_t>* out);
StageResult Ascii85Stage(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                         std::vector<uint8_t>* out);
StageResult RunLengthStage(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                           std::vector<uint8_t>* out);
// Image filters as stages: samples out, as the PDF standard defines them.
// JPEG: interleaved 8-bit components, ColorTransform from `parms`.
StageResult DctStage(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                     std::vector<uint8_t>* out);
// JBIG2 (with JBIG2Globals from `parms`) and CCITT fax (all of its DecodeParms):
// rows of 1-bit pixels packed from the high bit, each row padded to a byte, 0
// black unless BlackIs1 says 1 is black (fax only; JBIG2 output is 0 black).
StageResult Jbig2Stage(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                       std::vector<uint8_t>* out);
StageResult CcittStage(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                       std::vector<uint8_t>* out);
// JPEG 2000: interleaved 8-bit colour components (alpha left out).
StageResult JpxStage(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                     std::vector<uint8_t>* out);
StageResult CryptStage(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                       std::vector<uint8_t>* out);

// A DecodeParms entry that must be 0 or 1 (EarlyChange, ColorTransform):
// `absent` when `parms` or the entry is missing; false, with "KEY VALUE is
// neither 0 nor 1" in `error`, for any other value.
bool ReadZeroOrOne(pdf::Object* parms, const char* key, int absent, int* value, std::string* error);

// The largest output buffer a stage may hold: one byte past the limit, so that
// filling it shows that the data go beyond.
inline size_t OutputCap(size_t limit) {
  return limit < SIZE_MAX ? limit + 1 : limit;
}

// The first output buffer for `input_size` bytes of input, and the next after
// one of `current` bytes, never beyond `cap`.
inline size_t FirstOutputSize(size_t input_size, size_t cap) {
  // A caller that knows the decoded size passes a tight limit: reserving all
  // of it at once costs address space only, and spares the copies of growing.
  if (cap <= kWholeReserveLimit) {
    return cap;
  }
  const size_t guess =
      input_size > SIZE_MAX / kFirstOutputRatio ? SIZE_MAX : input_size * kFirstOutputRatio;
  return std::min(cap, std::max(guess, kMinFirstOutput));
}
inline size_t NextOutputSize(size_t current, size_t cap) {
  return current > cap / 2 ? cap : std::min(cap, std::max(current * 2, kMinFirstOutput));
}

// Resizes `out` to exactly `size` bytes of capacity: vector growth on its own
// may double, past the limit.
inline void ResizeExactly(std::vector<uint8_t>* out, size_t size) {
  out->reserve(size);
  out->resize(size);
}

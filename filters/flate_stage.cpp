// FlateDecode for whole streams: zlib inflates into a buffer that grows up to
// the limit.
#include <zlib.h>

#include <memory>

#include "diag/format.h"
#include "filters/filter_bounds.h"
#include "filters/filter_stage.h"
#include "pdf/decryptor.h"
#include "pdf/prefault.h"

namespace {

// zlib counts in 32-bit units; feed it at most this much at a time.
constexpr size_t kMaxZlibChunk = size_t{1} << 30;
// The output grows by this much at a time inside its reserved memory: the
// zeros that resizing writes stay in the cache until zlib overwrites them.
constexpr size_t kInflateStep = size_t{256} << 10;

struct InflateEnd {
  void operator()(z_stream* stream) const { inflateEnd(stream); }
};
using InflateOwner = std::unique_ptr<z_stream, InflateEnd>;

std::string ZlibText(const z_stream& stream, const char* fallback) {
  return stream.msg != nullptr ? stream.msg : fallback;
}

// The input of an inflate: whole, or pieces pulled as the last one is used up.
struct InflateInput {
  const uint8_t* next = nullptr;
  size_t left = 0;
  pdf::StreamPieces* pieces = nullptr;

  // False when no more input comes.
  bool Refill() {
    if (pieces == nullptr) {
      return false;
    }
    const std::span<const uint8_t> piece = pieces->Next();
    if (piece.empty()) {
      pieces = nullptr;
      return false;
    }
    next = piece.data();
    left = piece.size();
    return true;
  }
};

StageResult Inflate(InflateInput input, size_t size, size_t limit, std::vector<uint8_t>* out,
                    InflateObserver* observer);

}  // namespace

StageResult InflateStage(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                         std::vector<uint8_t>* out) {
  return InflateObserved(input, parms, limit, out, nullptr);
}

StageResult InflateObserved(std::span<const uint8_t> input, pdf::Object* /*parms*/, size_t limit,
                            std::vector<uint8_t>* out, InflateObserver* observer) {
  pdf::PrefaultRead(input.data(), input.size());
  return Inflate({input.data(), input.size(), nullptr}, input.size(), limit, out, observer);
}

StageResult InflatePieces(pdf::StreamPieces& pieces, size_t size, size_t limit,
                          std::vector<uint8_t>* out) {
  return Inflate({nullptr, 0, &pieces}, size, limit, out, nullptr);
}

namespace {

StageResult Inflate(InflateInput input, size_t size, size_t limit, std::vector<uint8_t>* out,
                    InflateObserver* observer) {
  out->clear();
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK)
    return {StageOutcome::kUnreadable, "zlib could not start"};
  const InflateOwner owner(&stream);

  const size_t cap = OutputCap(limit);
  // Reserved memory costs address space only; the pages are touched as the
  // output reaches them, which on a busy machine costs more than inflating.
  out->reserve(FirstOutputSize(size, cap));
  if (cap <= kWholeReserveLimit) {
    pdf::PrefaultWrite(out->data(), out->capacity());  // the caller knows the size
  }
  size_t produced = 0;
  StageResult result;
  for (;;) {
    if (produced == out->size()) {
      if (out->size() >= cap) {
        result = {StageOutcome::kOverLimit,
                  FormatText("the data inflate to more than %zu bytes", limit)};
        break;
      }
      if (out->size() == out->capacity())
        out->reserve(NextOutputSize(out->capacity(), cap));
      out->resize(std::min(out->capacity(), out->size() + kInflateStep));
    }
    if (input.left == 0) {
      input.Refill();
    }
    const size_t chunk_in = std::min(input.left, kMaxZlibChunk);
    const size_t chunk_out = std::min(out->size() - produced, kMaxZlibChunk);
    stream.next_in = const_cast<Bytef*>(input.next);
    stream.avail_in = static_cast<uInt>(chunk_in);
    stream.next_out = out->data() + produced;
    stream.avail_out = static_cast<uInt>(chunk_out);
    const int status = inflate(&stream, Z_NO_FLUSH);
    const size_t consumed = chunk_in - stream.avail_in;
    const size_t made = chunk_out - stream.avail_out;
    input.next += consumed;
    input.left -= consumed;
    produced += made;
    if (observer != nullptr && made > 0)
      observer->Produced(out->data(), produced);
    if (status == Z_STREAM_END)
      break;  // anything after the end (a stray end of line) is not ours
    if (status == Z_OK)
      continue;  // zlib answers Z_OK only after progress
    if (status == Z_BUF_ERROR && consumed == 0 && made == 0) {
      // With room to write, no progress means the input is used up.
      result = {StageOutcome::kTruncated, FormatText("the data end before the compressed stream "
                                                     "does, after %zu bytes",
                                                     produced)};
      break;
    }
    if (status == Z_BUF_ERROR)
      continue;
    if (status == Z_DATA_ERROR) {
      const std::string why = ZlibText(stream, "invalid data");
      result = {produced > 0 ? StageOutcome::kDamaged : StageOutcome::kUnreadable,
                FormatText("damaged data after %zu bytes (%s)", produced, why.c_str())};
      break;
    }
    result = {StageOutcome::kUnreadable,
              status == Z_NEED_DICT ? std::string("the data need a preset dictionary")
                                    : FormatText("zlib failed (%s)", ZlibText(stream, "").c_str())};
    break;
  }
  if (produced > limit && result.outcome != StageOutcome::kOverLimit) {
    // The data ended within the byte past the limit.
    result = {StageOutcome::kOverLimit,
              FormatText("the data inflate to more than %zu bytes", limit)};
  }
  out->resize(std::min(produced, out->size()));
  return result;
}

}  // namespace

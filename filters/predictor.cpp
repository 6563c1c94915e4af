#include "filters/predictor.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "diag/format.h"
#include "filters/filter_bounds.h"
#include "pdf/object.h"

namespace {

constexpr int kTiffPredictor = 2;
constexpr int kFirstPngPredictor = 10;
constexpr int kLastPngPredictor = 15;

enum PngFilter : uint8_t { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };

int IntEntry(pdf::Object* dict, const char* key, int absent) {
  pdf::Object* value = dict->Get(key);
  if (value->IsNull())
    return absent;
  return value->IsNumber() ? value->IntValue() : 0;
}

// Bytes per row, or 0 when the parameters are unusable (the reason in `error`).
size_t RowBytes(const PredictorParams& p, std::string* error) {
  if (p.colors < 1 || p.colors > kMaxPredictorColors) {
    *error = FormatText("Colors %d is not within 1 to %d", p.colors, kMaxPredictorColors);
    return 0;
  }
  const int bpc = p.bits_per_component;
  if (bpc != 1 && bpc != 2 && bpc != 4 && bpc != 8 && bpc != 16) {
    *error = FormatText("BitsPerComponent %d is not 1, 2, 4, 8 or 16", bpc);
    return 0;
  }
  if (p.columns < 1) {
    *error = FormatText("Columns %d is less than 1", p.columns);
    return 0;
  }
  // At most 32 * 16 * (2^31 - 1) bits: no overflow in 64 bits.
  const uint64_t bits = uint64_t(p.colors) * uint64_t(bpc) * uint64_t(p.columns);
  const uint64_t bytes = (bits + 7) / 8;
  if (bytes > kMaxPredictorRowBytes) {
    *error = FormatText("Columns %d make rows of %llu bytes", p.columns,
                        static_cast<unsigned long long>(bytes));
    return 0;
  }
  return static_cast<size_t>(bytes);
}

// --- PNG row filters. `r` (the row) and `prior` (the row above, zeros for the
// first) never overlap; `Bpp` bytes to the left is the same byte of the previous
// pixel. Each is instantiated for the common pixel sizes, so that the compiler
// keeps the `Bpp` running chains in registers; Bpp 0 takes the size at run time.

template <size_t Bpp>
void UndoSub(uint8_t* __restrict r, size_t n, size_t bpp) {
  const size_t step = Bpp != 0 ? Bpp : bpp;
  for (size_t i = step; i < n; ++i)
    r[i] = static_cast<uint8_t>(r[i] + r[i - step]);
}

void UndoUp(uint8_t* __restrict r, const uint8_t* __restrict prior, size_t n) {
  for (size_t i = 0; i < n; ++i)
    r[i] = static_cast<uint8_t>(r[i] + prior[i]);
}

template <size_t Bpp>
void UndoAverage(uint8_t* __restrict r, const uint8_t* __restrict prior, size_t n, size_t bpp) {
  const size_t step = Bpp != 0 ? Bpp : bpp;
  const size_t head = std::min(step, n);
  for (size_t i = 0; i < head; ++i)
    r[i] = static_cast<uint8_t>(r[i] + (prior[i] >> 1));
  for (size_t i = step; i < n; ++i)
    r[i] = static_cast<uint8_t>(r[i] + ((r[i - step] + prior[i]) >> 1));
}

// The neighbour nearest to left + above - upper left, ties going to left, then
// above: start from left, take above when strictly nearer, then upper left when
// strictly nearer than both. Written without branches, as the choice depends on
// the data; the distance of left does not depend on the byte just decoded, which
// keeps the chain from one byte to the next short.
inline uint8_t PaethPredict(int a, int b, int c) {
  const int pa = std::abs(b - c);
  const int pb = std::abs(a - c);
  const int pc = std::abs(a + b - 2 * c);
  const int best = pb < pa ? pb : pa;
  const int pick = pb < pa ? b : a;
  return static_cast<uint8_t>(pc < best ? c : pick);
}

template <size_t Bpp>
void UndoPaeth(uint8_t* __restrict r, const uint8_t* __restrict prior, size_t n, size_t bpp) {
  const size_t step = Bpp != 0 ? Bpp : bpp;
  const size_t head = std::min(step, n);
  // No left neighbours: the nearest of (0, above, 0) is above.
  for (size_t i = 0; i < head; ++i)
    r[i] = static_cast<uint8_t>(r[i] + prior[i]);
  for (size_t i = step; i < n; ++i)
    r[i] = static_cast<uint8_t>(r[i] + PaethPredict(r[i - step], prior[i], prior[i - step]));
}

// Paeth from the row's place in the input (`src`, just after its type byte)
// to its place in the output (`dst`, at or before it), in one pass instead of
// a move and a pass: each channel's left and upper-left values stay in
// registers. Forward order keeps the overlap safe: a byte is written only
// after the input byte at or before its place has been read.
template <size_t Bpp>
void UndoPaethMoving(uint8_t* dst, const uint8_t* src, const uint8_t* prior, size_t n) {
  int left[Bpp] = {};
  int upper_left[Bpp] = {};
  size_t i = 0;
  for (; i + Bpp <= n; i += Bpp) {
    for (size_t k = 0; k < Bpp; ++k) {
      const int above = prior[i + k];
      left[k] = (src[i + k] + PaethPredict(left[k], above, upper_left[k])) & 0xff;
      dst[i + k] = static_cast<uint8_t>(left[k]);
      upper_left[k] = above;
    }
  }
  // A row cut short inside a pixel.
  for (size_t k = 0; i < n && k < Bpp; ++i, ++k) {
    dst[i] = static_cast<uint8_t>(src[i] + PaethPredict(left[k], prior[i], upper_left[k]));
  }
}

// Every row starts with its filter type byte, whatever Predictor 10-15 said:
// the type decides row by row. Rows move down over the dropped type bytes in
// place. Undoes the rows that lie whole within the first `available` bytes (all
// of them, a last partial row too, when `final`), continuing from `state`.
template <size_t Bpp>
void UndoPngRows(uint8_t* d, size_t available, bool final, size_t row_bytes, size_t bpp,
                 PngRowState* state) {
  size_t in = state->in;
  size_t out = state->out;
  const uint8_t* prior =
      state->prior_offset == kZeroPrior ? state->zeros.data() : d + state->prior_offset;
  while (in < available && (final || available - in > row_bytes)) {
    const uint8_t type = d[in++];
    const size_t n = std::min(row_bytes, available - in);
    uint8_t* row = d + out;
    const size_t row_index = state->rows++;
    bool moved = false;
    if constexpr (Bpp != 0) {
      if (type == kPaeth) {
        UndoPaethMoving<Bpp>(row, d + in, prior, n);
        moved = true;
      }
    }
    if (!moved) {
      std::memmove(d + out, d + in, n);
      switch (type) {
        case kNone:
          break;
        case kSub:
          UndoSub<Bpp>(row, n, bpp);
          break;
        case kUp:
          UndoUp(row, prior, n);
          break;
        case kAverage:
          UndoAverage<Bpp>(row, prior, n, bpp);
          break;
        case kPaeth:
          UndoPaeth<Bpp>(row, prior, n, bpp);
          break;
        default:
          if (state->unknown_count++ == 0) {
            state->first_unknown_row = row_index;
            state->first_unknown_type = type;
          }
          break;
      }
    }
    prior = row;
    state->prior_offset = out;
    in += n;
    out += n;
  }
  state->in = in;
  state->out = out;
}

void UndoPngUpTo(uint8_t* d, size_t available, bool final, size_t row_bytes, size_t bpp,
                 PngRowState* state) {
  switch (bpp) {
    case 1:
      return UndoPngRows<1>(d, available, final, row_bytes, bpp, state);
    case 2:
      return UndoPngRows<2>(d, available, final, row_bytes, bpp, state);
    case 3:
      return UndoPngRows<3>(d, available, final, row_bytes, bpp, state);
    case 4:
      return UndoPngRows<4>(d, available, final, row_bytes, bpp, state);
    case 6:
      return UndoPngRows<6>(d, available, final, row_bytes, bpp, state);
    case 8:
      return UndoPngRows<8>(d, available, final, row_bytes, bpp, state);
    default:
      return UndoPngRows<0>(d, available, final, row_bytes, bpp, state);
  }
}

std::string UnknownRowsNote(const PngRowState& state) {
  if (state.unknown_count == 0)
    return std::string();
  return FormatText(
      "%zu row(s) with an unknown PNG filter type kept as they are (first: row %zu, type %d)",
      state.unknown_count, state.first_unknown_row, state.first_unknown_type);
}

void UndoPng(std::vector<uint8_t>* data, size_t row_bytes, size_t bpp, std::string* error) {
  PngRowState state;
  // The row above the first: zeros, no longer than the data.
  state.zeros.assign(std::min(row_bytes, data->size()), 0);
  UndoPngUpTo(data->data(), data->size(), /*final=*/true, row_bytes, bpp, &state);
  data->resize(state.out);
  *error = UnknownRowsNote(state);
}

// --- TIFF predictor 2: each sample is the difference to the same component of
// the pixel to its left, within a row.

void UndoTiff8(std::span<uint8_t> row, size_t colors) {
  UndoSub<0>(row.data(), row.size(), colors);
}

// Samples are big-endian; an odd last byte of a partial row is no sample.
void UndoTiff16(std::span<uint8_t> row, size_t colors) {
  uint8_t* r = row.data();
  const size_t samples = row.size() / 2;
  for (size_t s = colors; s < samples; ++s) {
    const unsigned left = (unsigned{r[2 * (s - colors)]} << 8) | r[2 * (s - colors) + 1];
    const unsigned here = (unsigned{r[2 * s]} << 8) | r[2 * s + 1];
    const unsigned sum = (left + here) & 0xFFFF;
    r[2 * s] = static_cast<uint8_t>(sum >> 8);
    r[2 * s + 1] = static_cast<uint8_t>(sum);
  }
}

// Samples of 1, 2 or 4 bits, most significant first.
void UndoTiffPacked(std::span<uint8_t> row, size_t colors, int bpc, size_t samples_per_row) {
  uint8_t* r = row.data();
  const unsigned mask = (1u << bpc) - 1;
  const size_t per_byte = static_cast<size_t>(8 / bpc);
  const size_t samples = std::min(samples_per_row, row.size() * per_byte);
  auto shift = [&](size_t s) { return static_cast<int>(8 - bpc - (s % per_byte) * bpc); };
  auto get = [&](size_t s) { return (r[s / per_byte] >> shift(s)) & mask; };
  for (size_t s = colors; s < samples; ++s) {
    const unsigned v = (get(s) + get(s - colors)) & mask;
    uint8_t& byte = r[s / per_byte];
    byte = static_cast<uint8_t>((byte & ~(mask << shift(s))) | (v << shift(s)));
  }
}

void UndoTiff(const PredictorParams& p, std::vector<uint8_t>* data, size_t row_bytes) {
  const auto colors = static_cast<size_t>(p.colors);
  const size_t samples_per_row = colors * static_cast<size_t>(p.columns);
  for (size_t at = 0; at < data->size(); at += row_bytes) {
    const std::span<uint8_t> row(data->data() + at, std::min(row_bytes, data->size() - at));
    switch (p.bits_per_component) {
      case 8:
        UndoTiff8(row, colors);
        break;
      case 16:
        UndoTiff16(row, colors);
        break;
      default:
        UndoTiffPacked(row, colors, p.bits_per_component, samples_per_row);
        break;
    }
  }
}

}  // namespace

PredictorParams PredictorParamsFrom(pdf::Object* decode_parms) {
  PredictorParams p;
  if (decode_parms == nullptr || !decode_parms->IsDictionary())
    return p;
  p.predictor = IntEntry(decode_parms, "Predictor", p.predictor);
  p.colors = IntEntry(decode_parms, "Colors", p.colors);
  p.bits_per_component = IntEntry(decode_parms, "BitsPerComponent", p.bits_per_component);
  p.columns = IntEntry(decode_parms, "Columns", p.columns);
  return p;
}

bool UndoPredictor(const PredictorParams& params, std::vector<uint8_t>* data, std::string* error) {
  error->clear();
  if (params.predictor == 1)
    return true;
  const bool png = params.predictor >= kFirstPngPredictor && params.predictor <= kLastPngPredictor;
  if (!png && params.predictor != kTiffPredictor) {
    *error = FormatText("Predictor %d is not a predictor", params.predictor);
    return false;
  }
  const size_t row_bytes = RowBytes(params, error);
  if (row_bytes == 0)
    return false;
  if (png) {
    const size_t bpp = std::max(1, params.colors * params.bits_per_component / 8);
    UndoPng(data, row_bytes, bpp, error);
  } else {
    UndoTiff(params, data, row_bytes);
  }
  return true;
}

bool PngRowUndo::Start(const PredictorParams& params) {
  const bool png = params.predictor >= kFirstPngPredictor && params.predictor <= kLastPngPredictor;
  std::string error;
  row_bytes_ = png ? RowBytes(params, &error) : 0;
  if (row_bytes_ == 0)
    return false;
  bpp_ = static_cast<size_t>(std::max(1, params.colors * params.bits_per_component / 8));
  state_ = PngRowState{};
  state_.zeros.assign(row_bytes_, 0);
  return true;
}

void PngRowUndo::Advance(uint8_t* data, size_t available, bool final) {
  UndoPngUpTo(data, available, final, row_bytes_, bpp_, &state_);
}

std::string PngRowUndo::Note() const {
  return UnknownRowsNote(state_);
}

// The predictors of FlateDecode and LZWDecode (DecodeParms Predictor): undone
// on a whole decoded buffer, after the filter itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pdf {
class Object;
}  // namespace pdf

struct PredictorParams {
  int predictor = 1;  // 1 none, 2 TIFF horizontal differencing, 10-15 PNG row filters
  int colors = 1;
  int bits_per_component = 8;
  int columns = 1;
};

// The four entries of a DecodeParms dictionary, each defaulting when absent (a
// null or non-dictionary `decode_parms` gives all defaults). An entry that is
// not a number reads as 0, which UndoPredictor refuses when it uses it.
PredictorParams PredictorParamsFrom(pdf::Object* decode_parms);

// Replaces the predicted rows in `data` by the samples. A last partial row is
// undone as far as it goes. PNG rows with an unknown filter type are kept as
// they are and `error` notes them while the result stays true; otherwise
// `error` is emptied. False, with `data` unchanged and the reason in `error`,
// only when the parameters are unusable.
bool UndoPredictor(const PredictorParams& params, std::vector<uint8_t>* data, std::string* error);

// Where undoing PNG rows has got to.
inline constexpr size_t kZeroPrior = SIZE_MAX;
struct PngRowState {
  size_t in = 0;   // next row's type byte
  size_t out = 0;  // bytes of samples so far
  size_t rows = 0;
  size_t prior_offset = kZeroPrior;  // the row above, or the zeros before the first
  std::vector<uint8_t> zeros;
  size_t unknown_count = 0;
  size_t first_unknown_row = 0;
  int first_unknown_type = 0;
};

// PNG predictor rows undone in steps, as a decoder fills the buffer: what
// UndoPredictor does for PNG predictors, while the rest is still arriving.
class PngRowUndo {
 public:
  // False when the parameters are no usable PNG predictor (UndoPredictor
  // then says why).
  bool Start(const PredictorParams& params);
  // Undoes, in place, the rows that lie whole within the first `available`
  // bytes of `data`; with `final` the data end there and a last partial row
  // is undone too. `data` must stay where it is between calls.
  void Advance(uint8_t* data, size_t available, bool final);
  size_t Samples() const { return state_.out; }
  // The note on rows of unknown filter types, or empty.
  std::string Note() const;

 private:
  size_t row_bytes_ = 0;
  size_t bpp_ = 1;
  PngRowState state_;
};

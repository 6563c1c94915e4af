// The predictors of FlateDecode and LZWDecode (DecodeParms Predictor): undone
// on a whole decoded buffer, after the filter itself.
#pragma once

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

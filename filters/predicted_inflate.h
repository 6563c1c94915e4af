// FlateDecode with PNG predictor rows undone by a second thread while zlib
// still inflates: on a picture the two take about as long as each other, and
// overlapped they take little more than inflating alone.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "filters/filter_stage.h"
#include "filters/predictor.h"

// Below this much input a thread costs more than it saves.
inline constexpr size_t kOverlapMinimumInput = size_t{256} << 10;

// False when the overlap does not apply (small data, a limit too large to
// reserve at once, no PNG predictor, no thread to be had): the caller then
// inflates and undoes the rows in turn. Otherwise `result` is the inflate
// stage's, `out` holds the samples when it is usable, and `note` the
// predictor's note on unknown row types (or empty).
bool InflateWithPngRows(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                        const PredictorParams& params, std::vector<uint8_t>* out,
                        StageResult* result, std::string* note);

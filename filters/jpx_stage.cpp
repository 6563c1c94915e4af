// JPXDecode as a stage: the colour samples at full resolution, 8 bits each,
// interleaved; alpha is the image's soft mask, not part of the stream's data.
#include "diag/format.h"
#include "filters/filter_stage.h"
#include "filters/jpx.h"

StageResult JpxStage(std::span<const uint8_t> input, pdf::Object* /*parms*/, size_t limit,
                     std::vector<uint8_t>* out) {
  out->clear();
  JpxImage image;
  std::string why;
  // Every pixel takes at least a byte: a picture of more pixels than the
  // limit has bytes is over it, and comes back reduced, which says so.
  if (!DecodeJpx(input, limit, &image, &why))
    return {why.find("lowest resolution") != std::string::npos ? StageOutcome::kOverLimit
                                                               : StageOutcome::kUnreadable,
            why};
  if (image.reduction > 0 || image.samples.size() > limit) {
    return {StageOutcome::kOverLimit,
            FormatText("the %dx%d picture's samples would take more than %zu bytes",
                       image.full_width, image.full_height, limit)};
  }
  *out = std::move(image.samples);
  if (!why.empty())
    return {StageOutcome::kTruncated, why};
  return {};
}

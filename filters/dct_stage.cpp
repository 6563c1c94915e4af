// DCTDecode as a stage: the JPEG data's samples, interleaved, 8 bits each.
#include "filters/filter_stage.h"
#include "jpeg/jpeg_samples.h"
#include "pdf/object.h"

StageResult DctStage(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                     std::vector<uint8_t>* out) {
  out->clear();
  int transform = -1;  // absent: the data decide
  std::string why;
  if (!ReadZeroOrOne(parms, "ColorTransform", /*absent=*/-1, &transform, &why))
    return {StageOutcome::kBadParameters, why};
  JpegSamples samples;
  // The samples either fit the limit or are refused before they are decoded.
  JpegOutcome outcome = JpegOutcome::kUnreadable;
  const bool ok =
      DecodeJpegSamples(input, transform, /*scale_denom=*/1, limit, &samples, &why, &outcome);
  if (ok)
    *out = std::move(samples.samples);
  switch (outcome) {
    case JpegOutcome::kComplete:
      return {};
    case JpegOutcome::kEndedEarly:
      return {StageOutcome::kTruncated, why};
    case JpegOutcome::kTrailingDamage:
      return {StageOutcome::kDamaged, why};
    case JpegOutcome::kOverLimit:
      return {StageOutcome::kOverLimit, why};
    case JpegOutcome::kUnreadable:
      break;
  }
  return {StageOutcome::kUnreadable, why};
}

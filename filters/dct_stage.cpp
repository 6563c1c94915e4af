// DCTDecode as a stage: the JPEG data's samples, interleaved, 8 bits each.
#include "diag/format.h"
#include "filters/filter_stage.h"
#include "jpeg/jpeg_samples.h"
#include "pdf/object.h"

namespace {

// ColorTransform from the DecodeParms: -1 when absent (the data decide).
bool ReadColorTransform(pdf::Object* parms, int* transform, std::string* error) {
  *transform = -1;
  if (parms == nullptr || !parms->IsDictionary())
    return true;
  pdf::Object* value = parms->Get("ColorTransform");
  if (value->IsNull())
    return true;
  if (!value->IsNumber() || (value->IntValue() != 0 && value->IntValue() != 1) ||
      value->RealValue() != value->IntValue()) {
    *error = FormatText("ColorTransform %s is neither 0 nor 1", value->Text());
    return false;
  }
  *transform = value->IntValue();
  return true;
}

}  // namespace

StageResult DctStage(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                     std::vector<uint8_t>* out) {
  out->clear();
  int transform = -1;
  std::string why;
  if (!ReadColorTransform(parms, &transform, &why))
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

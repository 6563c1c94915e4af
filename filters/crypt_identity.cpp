// Crypt: a stream's own crypt filter. The Identity filter passes the data
// through; any other needs the document's security handler, which decrypts
// the data before the filters run or names why it cannot.
#include "diag/format.h"
#include "filters/filter_stage.h"
#include "pdf/document.h"
#include "pdf/object.h"

StageResult CryptStage(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                       std::vector<uint8_t>* out) {
  out->clear();
  pdf::Object* name = parms != nullptr ? parms->Get("Name") : nullptr;
  // A document that deciphers its streams has applied the crypt filter when
  // it handed the data over.
  const bool deciphered = parms != nullptr && parms->doc != nullptr && parms->doc->Decrypting();
  if (!deciphered && name != nullptr && !name->IsNull() && !name->IsName("Identity")) {
    return {StageOutcome::kUnreadable,
            FormatText("the crypt filter %s needs the document's security handler", name->Text())};
  }
  if (input.size() > limit)
    return {StageOutcome::kOverLimit, FormatText("the data hold more than %zu bytes", limit)};
  out->assign(input.begin(), input.end());
  return {};
}

// pdf::Reference: "N G R", resolved on first use and then kept.
#include "diag/messages.h"
#include "pdf/document.h"
#include "pdf/object.h"

namespace pdf {

Reference::Reference(Document* owner, int32_t number_in, int32_t generation_in) : Object(owner) {
  number = number_in;
  generation = generation_in;
}

Object* Reference::Resolve() {
  if (target != nullptr) {
    return target;
  }
  target = doc->GetObject(number, generation);
  if (target->IsNull()) {
    // The null answer is kept too, so the report comes once per reference.
    if (doc->Modern()) {
      // A finding, not a message box each time the object is looked at.
      doc->ReportWarning("%d %d R not found", number, generation);
    } else {
      ErrorMessage("%d %d R not found!", number, generation);
    }
  }
  offset = target->offset;
  return target;
}

}  // namespace pdf

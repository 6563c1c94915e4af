// The DecodeParms entries that several stages read alike.
#include "diag/format.h"
#include "filters/filter_stage.h"
#include "pdf/object.h"

bool ReadZeroOrOne(pdf::Object* parms, const char* key, int absent, int* value,
                   std::string* error) {
  *value = absent;
  if (parms == nullptr || !parms->IsDictionary())
    return true;
  pdf::Object* entry = parms->Get(key);
  if (entry->IsNull())
    return true;
  if (!entry->IsNumber() || (entry->IntValue() != 0 && entry->IntValue() != 1) ||
      entry->RealValue() != entry->IntValue()) {
    *error = FormatText("%s %s is neither 0 nor 1", key, entry->Text());
    return false;
  }
  *value = entry->IntValue();
  return true;
}

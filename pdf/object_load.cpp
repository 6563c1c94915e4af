// Indirect objects loaded on demand: the chain gives the offset, the parser
// reads the object there, and the chain records it.
#include <algorithm>

#include "pdf/bounds.h"
#include "pdf/document.h"

namespace pdf {

Object* Document::GetObject(int32_t number, int32_t generation) {
  if (xref == nullptr) {
    return null_object;
  }
  int32_t offset = xref->Lookup(number, generation);
  if (offset <= 0) {
    return null_object;
  }
  // A load may start in the middle of another parse (a stream's Length);
  // the outer parse goes on from its own cursor afterwards.
  const char* saved = cursor;
  Object* result = LoadObject(offset);
  cursor = saved;
  return result;
}

Object* Document::LoadObject(int32_t offset) {
  // A stream whose Length leads back to an object being loaded would load
  // forever; so would an endless chain of distinct ones.
  if (loading_.size() >= static_cast<size_t>(kMaxNestedLoads) ||
      std::find(loading_.begin(), loading_.end(), offset) != loading_.end()) {
    return null_object;
  }
  loading_.push_back(offset);
  Object* result = ParseIndirectObject(offset);
  loading_.pop_back();
  if (result == nullptr || result == null_object) {
    return null_object;
  }
  if (xref == nullptr) {
    return null_object;
  }
  try {
    xref->AddObject(result);
  } catch (XRefTable*) {
    // Reported by the table; the object cannot be registered, so the
    // resolution that asked for it gets nothing.
    return null_object;
  }
  return result;
}

}  // namespace pdf

// Indirect objects loaded on demand: the chain gives the offset, the parser
// reads the object there, and the chain records it.
#include <algorithm>

#include "pdf/bounds.h"
#include "pdf/chars.h"
#include "pdf/document.h"
#include "pdf/object_stream.h"
#include "pdf/parser.h"

namespace pdf {

Object* Document::GetObject(int32_t number, int32_t generation) {
  if (xref == nullptr) {
    return null_object;
  }
  if (Modern()) {
    // A load may start in the middle of another parse (a stream's Length).
    const char* saved = cursor;
    Object* result = GetModernObject(number);
    cursor = saved;
    return result;
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

Object* Document::ParseUnlessLoading(int32_t offset, bool* refused) {
  // A stream whose Length leads back to an object being loaded would load
  // forever; so would an endless chain of distinct ones.
  *refused = loading_.size() >= static_cast<size_t>(kMaxNestedLoads) ||
             std::find(loading_.begin(), loading_.end(), offset) != loading_.end();
  if (*refused) {
    return nullptr;
  }
  loading_.push_back(offset);
  Object* result = ParseIndirectObject(offset);
  loading_.pop_back();
  if (decryptor_ != nullptr && result != nullptr) {
    DecipherParsed(result);
  }
  return result;
}

Object* Document::Register(Object* object) {
  if (object == nullptr || object == null_object || xref == nullptr) {
    return null_object;
  }
  try {
    xref->AddObject(object);
  } catch (const XRefRegistrationError&) {
    // Reported by the table; the object cannot be registered, so the
    // resolution that asked for it gets nothing.
    return null_object;
  }
  return object;
}

Object* Document::LoadObject(int32_t offset) {
  bool refused = false;
  return Register(ParseUnlessLoading(offset, &refused));
}

Object* Document::GetModernObject(int32_t number) {
  XRefEntry* entry = xref->FindEntry(number);
  if (entry == nullptr || (entry->type != 'n' && entry->type != 'c')) {
    return null_object;  // free, or listed nowhere
  }
  // Loaded once: references to the same object share it.
  if (entry->object != nullptr && entry->object->number == number) {
    return entry->object;
  }
  if (entry->type == 'c') {
    return LoadCompressed(number, entry->offset, entry->generation);
  }
  const int32_t offset = entry->offset;
  if (offset <= 0) {
    return null_object;
  }
  bool refused = false;
  Object* result = ParseUnlessLoading(offset, &refused);
  if (refused) {
    return null_object;
  }
  if (result == nullptr || (result != null_object && result->number != number)) {
    // The offset misses the header: producers that miscount line ends put it
    // a few bytes off.
    result = LoadNearby(number, offset);
  }
  return Register(result);
}

Object* Document::LoadNearby(int32_t number, int32_t offset) {
  if (begin == nullptr) {
    return nullptr;
  }
  const int64_t size = end - begin;
  const int64_t low = std::max<int64_t>(0, static_cast<int64_t>(offset) - kNearMissWindow);
  const int64_t high = std::min<int64_t>(size, static_cast<int64_t>(offset) + kNearMissWindow);
  for (int64_t at = low; at < high; ++at) {
    if (!IsDigit(begin[at]) || (at > 0 && IsDigit(begin[at - 1]))) {
      continue;
    }
    int64_t value = 0;
    int64_t p = at;
    while (p < size && IsDigit(begin[p]) && value <= kMaxObjectNumber) {
      value = value * 10 + (begin[p++] - '0');
    }
    if (value != number) {
      continue;
    }
    bool refused = false;
    Object* found = ParseUnlessLoading(static_cast<int32_t>(at), &refused);
    if (found != nullptr && (found == null_object || found->number == number)) {
      ReportWarning("Object %d was found %lld bytes from where the cross-reference table puts it",
                    number, static_cast<long long>(at - offset));
      return found;
    }
  }
  ReportWarning("Object %d is not where the cross-reference table puts it (offset %d)", number,
                offset);
  return nullptr;
}

Object* Document::LoadCompressed(int32_t number, int32_t container, int32_t index) {
  if (container == number || container <= 0) {
    ReportWarning("Object %d: object stream %d cannot hold it", number, container);
    return null_object;
  }
  const XRefEntry* holder = xref->FindEntry(container);
  if (holder == nullptr || holder->type != 'n') {
    // An object stream is itself never compressed: that would chain decodings.
    ReportWarning("Object %d: its object stream %d is not an uncompressed object", number,
                  container);
    return null_object;
  }
  std::vector<int32_t> visited;
  int32_t stream = container;
  for (int depth = 0; depth <= kMaxExtendsDepth; ++depth) {
    const ObjectStreamData* data = object_streams_->Get(stream);
    if (data == nullptr) {
      return null_object;
    }
    int64_t position = -1;
    if (index >= 0 && static_cast<size_t>(index) < data->index.size() &&
        data->index[static_cast<size_t>(index)].first == number) {
      position = index;
    } else {
      position = data->Find(number);  // an index that miscounts, as peers forgive
    }
    if (position >= 0) {
      const int64_t at = data->OffsetAt(static_cast<size_t>(position));
      if (at < 0) {
        ReportWarning("Object %d: its offset lies outside object stream %d", number, stream);
        return null_object;
      }
      Object* result = parser_->ParseDecodedValue(data->bytes, static_cast<size_t>(at));
      if (result == nullptr || result == null_object) {
        return null_object;
      }
      result->number = number;
      result->generation = 0;
      result->offset = 0;  // compressed objects have no header line of their own
      return Register(result);
    }
    // Not in this stream: the one it extends may hold it.
    visited.push_back(stream);
    const int32_t next = data->extends;
    if (next == 0 || std::find(visited.begin(), visited.end(), next) != visited.end()) {
      break;
    }
    stream = next;
  }
  ReportWarning("Object %d is not in object stream %d", number, container);
  return null_object;
}

}  // namespace pdf

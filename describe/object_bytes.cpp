#include "describe/object_bytes.h"

#include <cstring>
#include <string_view>

#include "pdf/document.h"
#include "pdf/object.h"

namespace {

constexpr std::string_view kEndObj = "endobj";

const char* FindFrom(const char* from, const char* end, std::string_view word) {
  if (from >= end) {
    return nullptr;
  }
  const void* at = memmem(from, static_cast<size_t>(end - from), word.data(), word.size());
  return static_cast<const char*>(at);
}

}  // namespace

bool FindObjectBytes(pdf::Object* object, ObjectBytes* out, std::string* why) {
  *out = ObjectBytes();
  pdf::Document* doc = object != nullptr ? object->doc : nullptr;
  if (doc == nullptr || object->number <= 0) {
    *why = "a direct object: its bytes are those of the object that holds it";
    return false;
  }
  if (object->offset <= 0) {
    *why = "object " + std::to_string(object->number) +
           " is compressed in an object stream and has no bytes of its own in the file";
    return false;
  }
  const char* begin = doc->begin;
  const char* end = doc->end;
  if (begin == nullptr || object->offset >= end - begin) {
    *why = "the object lies outside the file";
    return false;
  }
  const char* first = begin + object->offset;
  // A stream's data may hold the word itself: search after the data when the
  // data lie in the file (deciphered data do not).
  const char* search_from = first;
  if (auto* stream = object->AsDictionary(); stream != nullptr && stream->IsStream()) {
    const char* data = stream->data.text;
    if (data != nullptr && data >= first && data < end) {
      search_from = data + stream->data.length;
    } else if (const char* after = FindFrom(first, end, "endstream"); after != nullptr) {
      search_from = after;  // deciphered data are elsewhere: their end is the keyword's
    }
  }
  const char* stop = FindFrom(search_from, end, kEndObj);
  out->offset = object->offset;
  out->data = first;
  out->ended = stop != nullptr;
  out->size = static_cast<size_t>((stop != nullptr ? stop + kEndObj.size() : end) - first);
  return true;
}

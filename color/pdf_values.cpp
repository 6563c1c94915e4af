#include "color/pdf_values.h"

#include <cmath>

#include "pdf/name_text.h"
#include "pdf/object.h"
#include "pdf/string_bytes.h"

namespace color {

bool ReadNumbers(pdf::Object* array, size_t max, std::vector<double>* out) {
  out->clear();
  if (array == nullptr || !array->IsArray() || static_cast<size_t>(array->Count()) > max) {
    return false;
  }
  for (int i = 0; i < array->Count(); ++i) {
    pdf::Object* item = array->Item(i);
    if (!item->IsNumber() || !std::isfinite(item->RealValue())) {
      return false;
    }
    out->push_back(item->RealValue());
  }
  return true;
}

std::string NameOf(pdf::Object* object) {
  if (object == nullptr || !object->IsName()) {
    return std::string();
  }
  // Names may be written with #xx escapes: "/PANTONE#20185#20C".
  std::string decoded;
  return pdf::DecodeNameEscapes(object->Text(), &decoded) ? decoded : std::string(object->Text());
}

bool StringBytes(pdf::Object* object, std::vector<uint8_t>* out) {
  return pdf::StringBytes(object, out);
}

bool StreamBytes(pdf::Object* object, pdf::StreamDecoder decoder, size_t limit,
                 std::vector<uint8_t>* out, std::string* error) {
  out->clear();
  error->clear();
  pdf::Object* stream = object != nullptr ? object->Resolve() : nullptr;
  if (stream == nullptr || !stream->IsStream() || stream->AsDictionary() == nullptr) {
    *error = "not a stream";
    return false;
  }
  if (decoder == nullptr) {
    *error = "no stream decoder";
    return false;
  }
  return decoder(stream->AsDictionary(), limit, out, error);
}

}  // namespace color

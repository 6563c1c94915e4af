// Test helpers: load text as a document's parse range, and print objects as one
// line of PDF-like text, so that a failed expectation reads as a short diff.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/document.h"
#include "pdf/object.h"

namespace pdf {

// Resolves references on the way (through Item), as every caller does.
inline std::string Dump(Object* object, int depth = 0) {
  if (depth > 20) {
    return "...";
  }
  if (object->IsNull()) {
    return "null";
  }
  if (object->IsName()) {
    return std::string("/") + object->Text();
  }
  if (object->IsString()) {
    std::string text = object->Text();
    return !text.empty() && text[0] == '<' ? text : "(" + text + ")";
  }
  if (object->IsNumber() || object->IsBoolean()) {
    return object->Text();
  }
  if (Dictionary* dictionary = object->AsDictionary()) {
    std::string out = "<<";
    for (int i = 0; i < dictionary->Count(); ++i) {
      out += std::string(" /") + dictionary->Key(i) + " " + Dump(dictionary->Item(i), depth + 1);
    }
    out += " >>";
    if (dictionary->IsStream()) {
      Token data;
      dictionary->GetStreamData(data);
      out += "stream[" + std::string(data.text, static_cast<size_t>(data.length)) + "]";
    }
    return out;
  }
  if (Array* array = object->AsArray()) {
    std::string out = "[";
    for (int i = 0; i < array->Count(); ++i) {
      out += (i > 0 ? " " : "") + Dump(array->Item(i), depth + 1);
    }
    return out + "]";
  }
  return object->Text();
}

// The bytes of a test input in a block of exactly their size (no terminating
// NUL), so that a read past the end shows under the address sanitizer.
class Input {
 public:
  explicit Input(std::string_view text)
      : size_(text.size()), bytes_(new char[text.size() > 0 ? text.size() : 1]) {
    memcpy(bytes_.get(), text.data(), text.size());
  }
  const char* begin() const { return bytes_.get(); }
  const char* end() const { return bytes_.get() + size_; }

 private:
  size_t size_;
  std::unique_ptr<char[]> bytes_;
};

// Points the document's parse range at the input and reads the first token.
inline void LoadText(Document& doc, const Input& input) {
  doc.begin = input.begin();
  doc.end = input.end();
  doc.Seek(0);
}

}  // namespace pdf

// The input shape of the stream fuzz targets: two bytes give the length of a
// dictionary's text ("<< /Filter ... >>"), the rest is the stream's raw data.
// References resolve to nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pdf/document.h"

inline constexpr size_t kFuzzedStreamPrefixBytes = 2;

// The dictionary parsed in `doc` with the data after it, or null. `doc` must
// outlive the dictionary.
inline pdf::Dictionary* ParseFuzzedStream(pdf::Document& doc, const uint8_t* data, size_t size) {
  if (size < kFuzzedStreamPrefixBytes || size > INT32_MAX) {
    return nullptr;
  }
  size_t text_size = static_cast<size_t>(data[0] << 8 | data[1]);
  if (text_size > size - kFuzzedStreamPrefixBytes) {
    text_size = size - kFuzzedStreamPrefixBytes;
  }
  const char* text = reinterpret_cast<const char*>(data + kFuzzedStreamPrefixBytes);
  doc.begin = text;
  doc.end = text + text_size;
  doc.cursor = text;
  doc.NextToken();
  pdf::Dictionary* dictionary = doc.ParseDictionary();
  if (dictionary != nullptr && !dictionary->IsStream()) {
    dictionary->data =
        pdf::Token(doc.end, reinterpret_cast<const char*>(data + size), pdf::TokenType::StreamData);
  }
  return dictionary;
}

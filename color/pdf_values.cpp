#include "color/pdf_values.h"

#include <cmath>

#include "pdf/chars.h"
#include "pdf/name_text.h"
#include "pdf/object.h"

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

namespace {

void LiteralBytes(const char* at, const char* end, std::vector<uint8_t>* out) {
  while (at < end) {
    char c = *at++;
    if (c == '\r') {  // every end of line inside a literal string reads as LF
      if (at < end && *at == '\n') {
        ++at;
      }
      out->push_back('\n');
      continue;
    }
    if (c != '\\' || at >= end) {
      out->push_back(static_cast<uint8_t>(c));
      continue;
    }
    c = *at++;
    switch (c) {
      case 'n':
        out->push_back('\n');
        break;
      case 'r':
        out->push_back('\r');
        break;
      case 't':
        out->push_back('\t');
        break;
      case 'b':
        out->push_back('\b');
        break;
      case 'f':
        out->push_back('\f');
        break;
      case '\r':  // a line continuation
        if (at < end && *at == '\n') {
          ++at;
        }
        break;
      case '\n':
        break;
      default:
        if (c >= '0' && c <= '7') {
          int value = c - '0';
          for (int i = 0; i < 2 && at < end && *at >= '0' && *at <= '7'; ++i) {
            value = value * 8 + (*at++ - '0');
          }
          out->push_back(static_cast<uint8_t>(value & 0xff));
        } else {
          out->push_back(static_cast<uint8_t>(c));
        }
    }
  }
}

void HexBytes(const char* at, const char* end, std::vector<uint8_t>* out) {
  int high = -1;
  for (; at < end; ++at) {
    int digit = pdf::HexDigitValue(*at);
    if (digit < 0) {
      continue;  // brackets and white space
    }
    if (high < 0) {
      high = digit;
    } else {
      out->push_back(static_cast<uint8_t>(high * 16 + digit));
      high = -1;
    }
  }
  if (high >= 0) {  // an odd last digit stands for its high half
    out->push_back(static_cast<uint8_t>(high * 16));
  }
}

}  // namespace

bool StringBytes(pdf::Object* object, std::vector<uint8_t>* out) {
  out->clear();
  auto* scalar = object != nullptr ? dynamic_cast<pdf::Scalar*>(object->Resolve()) : nullptr;
  if (scalar == nullptr || !scalar->IsString()) {
    return false;
  }
  const pdf::Token& token = scalar->token;
  if (token.owned != nullptr && token.text == token.owned) {
    // Made by the program, not read from a file: the text is the bytes.
    out->assign(token.owned, token.owned + token.length);
    return true;
  }
  const char* first = token.text;
  if (first == nullptr || token.length <= 0) {
    return true;
  }
  const char* end = first + token.length;
  if (first[0] == '<') {
    HexBytes(first, end, out);
  } else {
    LiteralBytes(first, end, out);
  }
  return true;
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

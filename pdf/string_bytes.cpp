#include "pdf/string_bytes.h"

#include "pdf/chars.h"
#include "pdf/object.h"

namespace pdf {

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
    int digit = HexDigitValue(*at);
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

bool StringBytes(Object* object, std::vector<uint8_t>* out) {
  out->clear();
  auto* scalar = object != nullptr ? dynamic_cast<Scalar*>(object->Resolve()) : nullptr;
  if (scalar == nullptr || !scalar->IsString()) {
    return false;
  }
  const Token& token = scalar->token;
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

}  // namespace pdf

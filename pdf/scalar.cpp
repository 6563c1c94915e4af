// pdf::Scalar: null, booleans, numbers, strings and names, all carried by a token.
#include <cstring>

#include "pdf/object.h"

namespace pdf {

Scalar::Scalar(Document* owner, const char* text, TokenType type)
    : Object(owner), token(text, type) {}

Scalar::Scalar(Document* owner, double value) : Object(owner), token(value) {}

Scalar::Scalar(Document* owner, const Token& source) : Object(owner), token(source) {}

Scalar::~Scalar() = default;

const char* Scalar::Text() {
  const char* text = token.String();
  return text != nullptr ? text : "";
}

bool Scalar::IsBoolean() {
  return token.IsBoolean();
}

bool Scalar::IsNumber() {
  return token.IsNumber();
}

bool Scalar::IsString() {
  return token.IsString();
}

bool Scalar::IsName(const char* name) {
  if (!token.IsName() || name == nullptr) {
    return false;
  }
  size_t size = strlen(name);
  return static_cast<size_t>(token.length) == size &&
         (size == 0 || memcmp(token.text, name, size) == 0);
}

bool Scalar::IsName() {
  return token.IsName();
}

bool Scalar::BoolValue() {
  return token.IsTrue();
}

// The lexer leaves a token's value alone for every type but Number, so a name
// read after a number still carries that number: only numbers have a value.
int32_t Scalar::IntValue() {
  return token.IsNumber() ? token.IntValue() : 0;
}

double Scalar::RealValue() {
  return token.IsNumber() ? token.RealValue() : 0.0;
}

}  // namespace pdf

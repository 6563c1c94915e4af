#include "pdf/token.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "diag/format.h"
#include "diag/messages.h"

namespace pdf {

namespace {

// "%0.5f" of the largest double: 309 digits, a sign, a point and 5 decimals.
constexpr size_t kNumberTextSize = 320;

char* CopyText(const char* text, size_t length) {
  char* copy = static_cast<char*>(malloc(length + 1));
  if (copy != nullptr) {
    if (length > 0) {
      memcpy(copy, text, length);
    }
    copy[length] = '\0';
  }
  return copy;
}

// The printed form of a number made by the program: five decimals at most,
// trailing zeros dropped, and values a hair below an integer shown as that
// integer (sums of fractions such as 2.99999 are meant as 3).
void PrintNumber(double number, char (&buffer)[kNumberTextSize]) {
  FormatInto(buffer, sizeof buffer, "%0.5f", number);
  if (strstr(buffer, ".9999") != nullptr) {
    // Rounded to the nearest integer, so that negative values and those just
    // under x.9999 become the neighbouring integer too.
    FormatInto(buffer, sizeof buffer, "%0.1f", std::round(number));
  }
  if (strchr(buffer, '.') != nullptr) {
    size_t length = strlen(buffer);
    while (length > 1 && buffer[length - 1] == '0') {
      --length;
    }
    if (length > 1 && buffer[length - 1] == '.') {
      --length;
    }
    buffer[length] = '\0';
  }
}

}  // namespace

Token::Token() = default;

Token::Token(const char* text_in, TokenType type_in) : type(type_in) {
  owned = strdup(text_in != nullptr ? text_in : "");
  if (owned == nullptr) {
    ErrorMessage("%s", "PDF malloc");
    return;
  }
  text = owned;
  length = static_cast<int32_t>(strlen(owned));
}

Token::Token(double number) : value(number), type(TokenType::Number) {
  char buffer[kNumberTextSize];
  PrintNumber(number, buffer);
  owned = strdup(buffer);
  if (owned == nullptr) {
    WarningMessage("%s", "PDF malloc");
    return;
  }
  text = owned;
  length = static_cast<int32_t>(strlen(owned));
}

Token::Token(const char* first, const char* end, TokenType type_in)
    : text(first), length(static_cast<int32_t>(end - first)), type(type_in) {}

Token::Token(const Token& other) {
  CopyFrom(other);
}

Token& Token::operator=(const Token& other) {
  if (this != &other) {
    FreeOwned();
    CopyFrom(other);
  }
  return *this;
}

Token::~Token() {
  FreeOwned();
}

void Token::FreeOwned() {
  free(owned);
  owned = nullptr;
}

void Token::CopyFrom(const Token& other) {
  text = other.text;
  length = other.length;
  value = other.value;
  type = other.type;
  owned = nullptr;
  if (other.owned != nullptr) {
    owned = strdup(other.owned);
    // A copy made from the owned text points at its own copy of it.
    if (other.text == other.owned) {
      text = owned;
      if (owned == nullptr) {
        length = 0;
      }
    }
  }
}

const char* Token::String() {
  if (owned != nullptr) {
    return owned;
  }
  if (type == TokenType::StreamData) {
    return "<tok_stream>";  // stream data is never copied
  }
  owned = CopyText(text, length > 0 ? static_cast<size_t>(length) : 0);
  if (owned == nullptr) {
    ErrorMessage("%s", "PDF malloc");
  }
  return owned;
}

bool Token::IsKeyword(const char* word) const {
  if (type != TokenType::Keyword) {
    return false;
  }
  size_t size = strlen(word);
  return static_cast<size_t>(length) == size && memcmp(text, word, size) == 0;
}

bool Token::IsInteger() const {
  return type == TokenType::Number && value >= -2147483648.0 && value <= 2147483647.0 &&
         value == std::trunc(value);
}

int32_t Token::IntValue() const {
  if (std::isnan(value)) {
    return 0;
  }
  double rounded = value;
  if (rounded != std::trunc(rounded)) {
    rounded = rounded >= 0 ? rounded + 0.5 : rounded - 0.5;
  }
  // Saturate: converting a double outside the 32-bit range is undefined.
  if (rounded >= 2147483647.0) {
    return INT32_MAX;
  }
  if (rounded <= -2147483648.0) {
    return INT32_MIN;
  }
  return static_cast<int32_t>(rounded);
}

const char* FindLast(const char* word, const char* lower, const char* upper) {
  size_t size = strlen(word);
  if (lower == nullptr || upper == nullptr || upper < lower ||
      static_cast<size_t>(upper - lower) < size) {
    return nullptr;
  }
  for (size_t at = static_cast<size_t>(upper - lower) - size + 1; at-- > 0;) {
    if (memcmp(lower + at, word, size) == 0) {
      return lower + at;
    }
  }
  return nullptr;
}

}  // namespace pdf

// Token::Next: cuts the input into tokens in place, never reading outside
// [cursor, end).
#include <cstdint>
#include <cstring>

#include "diag/format.h"
#include "diag/messages.h"
#include "pdf/bounds.h"
#include "pdf/chars.h"
#include "pdf/token.h"

namespace pdf {

namespace {

// Integers of up to this many digits are exact in a double, so adding them up
// digit by digit gives what the C library's conversion gives.
constexpr int kExactIntegerDigits = 15;

// The number's own bytes only (at most kMaxNumberText of them): "1e5" is the
// token "1" followed by the keyword "e5", so its value must be 1.
double NumberValue(const char* text, const char* end) {
  // Most numbers in a file are short integers (object numbers, offsets, sizes):
  // those skip the general conversion.
  const char* digits = text < end && (*text == '+' || *text == '-') ? text + 1 : text;
  if (digits < end && end - digits <= kExactIntegerDigits) {
    int64_t magnitude = 0;
    const char* p = digits;
    while (p < end && IsDigit(*p)) {
      magnitude = magnitude * 10 + (*p++ - '0');
    }
    if (p == end) {
      const auto value = static_cast<double>(magnitude);
      return *text == '-' ? -value : value;  // "-0" is the negative zero
    }
  }
  char buffer[kMaxNumberText + 1];
  size_t size = static_cast<size_t>(end - text);
  if (size > static_cast<size_t>(kMaxNumberText)) {
    size = kMaxNumberText;
  }
  memcpy(buffer, text, size);
  buffer[size] = '\0';
  return ParseDouble(buffer, nullptr);
}

void Report(const LexOptions* options, const char* text) {
  if (options != nullptr && options->report != nullptr) {
    options->report(options->context, text);
  } else {
    ErrorMessage("%s", text);
  }
}

}  // namespace

bool Token::Next(const char** cursor, const char* end) {
  return NextToken<false>(cursor, end, nullptr);
}

bool Token::Next(const char** cursor, const char* end, const LexOptions& options) {
  return options.modern ? NextToken<true>(cursor, end, &options)
                        : NextToken<false>(cursor, end, &options);
}

template <bool kModern>
bool Token::NextToken(const char** cursor, const char* end, const LexOptions* options) {
  FreeOwned();
  length = 0;
  type = TokenType::None;
  const char* at = *cursor;
  for (;;) {
    if (at >= end) {
      text = at;
      type = TokenType::Eof;
      *cursor = at;
      return false;
    }
    text = at;
    char c = *at++;
    if (IsWhite(c) || (kModern && c == '\0')) {
      continue;
    }
    if (c == '%') {
      while (at < end && *at != '\r' && *at != '\n') {
        ++at;
      }
      if (at - text == 5 && memcmp(text, "%%EOF", 5) == 0) {
        type = TokenType::Eof;
        break;
      }
      continue;
    }
    if (c == '(') {
      int depth = 1;
      for (;;) {
        if (at >= end) {
          *cursor = at;
          length = static_cast<int32_t>(at - text);
          Report(options, "EOF inside literal string");
          return false;
        }
        char b = *at++;
        if (b == '\\') {
          if (at >= end) {
            *cursor = at;
            length = static_cast<int32_t>(at - text);
            Report(options, "Backslash at EOF");
            return false;
          }
          ++at;  // an escaped byte never opens or closes
        } else if (b == '(') {
          ++depth;
        } else if (b == ')' && --depth == 0) {
          break;
        }
      }
      *cursor = at;
      text += 1;
      length = static_cast<int32_t>(at - 1 - text);
      type = TokenType::String;
      return true;
    }
    if (HasClass(c, kCharNumberStart)) {
      while (at < end && (IsDigit(*at) || *at == '.')) {
        ++at;
      }
      value = NumberValue(text, at);
      type = TokenType::Number;
      break;
    }
    if (c == '/') {
      text = at;
      while (at < end && !IsWhite(*at) && !IsDelimiter(*at)) {
        ++at;
      }
      type = TokenType::Name;
      break;
    }
    if (c == '<') {
      if (at >= end) {
        *cursor = at;
        length = static_cast<int32_t>(at - text);
        Report(options, "'<' at EOF");
        Report(options, "No '>' at end of hex string");
        return false;
      }
      if (*at == '<') {
        ++at;
        type = TokenType::Keyword;
        break;
      }
      int64_t digits = 0;
      while (at < end) {
        if (IsHexDigit(*at)) {
          ++digits;
        } else if (!kModern || !(IsWhite(*at) || *at == '\0')) {
          break;  // real files wrap long hexadecimal strings over lines
        }
        ++at;
      }
      if (at < end && *at == '>') {
        if (digits % 2 != 0) {
          Report(options, "Odd number of digits in hex string?");
        }
        ++at;
        type = TokenType::String;
      } else {
        Report(options, "No '>' at end of hex string");
      }
      break;
    }
    if (c == '>' && at < end && *at == '>') {
      ++at;
      type = TokenType::Keyword;
      break;
    }
    if (IsLetter(c) && c != 'p') {
      while (at < end && IsLetter(*at)) {
        ++at;
      }
      type = TokenType::Keyword;
      break;
    }
    if (c == '[' || c == ']' || c == '{' || c == '}') {
      type = TokenType::Keyword;
      break;
    }
    // Anything else, including a lone ">", a byte 0 and a lower-case "p".
    *cursor = at;
    length = 1;
    const char* shown = String();
    char report[64];
    FormatInto(report, sizeof report, "%s - Unrecognized token\n", shown != nullptr ? shown : "");
    Report(options, report);
    return false;
  }
  *cursor = at;
  length = static_cast<int32_t>(at - text);
  return type != TokenType::None;
}

template bool Token::NextToken<false>(const char**, const char*, const LexOptions*);
template bool Token::NextToken<true>(const char**, const char*, const LexOptions*);

}  // namespace pdf

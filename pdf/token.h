// A PDF token: a few bytes of the input (never copied) with its type, and for a
// number its value. The same type carries the value of every scalar object.
#pragma once

#include <cstdint>

namespace pdf {

// What the lexer accepts beyond the written syntax, and where it reports.
struct LexOptions {
  // White space (and NUL) inside hexadecimal strings, NUL as white space
  // between tokens, as the standard has it.
  bool modern = false;
  // Receives each report instead of the error sink when set.
  void (*report)(void* context, const char* text) = nullptr;
  void* context = nullptr;
};

enum class TokenType : int32_t {
  Eof = 0,         // end of the input, or the comment "%%EOF"
  None = 1,        // no token: the initial state and the state after a lexical error
  Name = 2,        // text starts after the "/"
  Number = 3,      // value holds it
  String = 4,      // literal (without its parentheses) or hexadecimal (with its brackets)
  StreamData = 5,  // the raw data of a stream, located by the parser
  Keyword = 6,     // a run of letters, or << >> [ ] { }
};

class Token {
 public:
  // type None, no text.
  Token();
  // Owns a copy of `text` (names without "/", strings, program keywords).
  Token(const char* text, TokenType type);
  // A number made by the program, with its printed form as text.
  explicit Token(double number);
  // The bytes [first, end), not copied.
  Token(const char* first, const char* end, TokenType type);
  Token(const Token& other);
  Token& operator=(const Token& other);
  ~Token();

  // Reads the next token from [*cursor, end) and moves *cursor past it. True
  // when a token was produced (also for "%%EOF"); lexical errors are reported
  // through ErrorMessage and give type None.
  bool Next(const char** cursor, const char* end);
  // The same under other rules.
  bool Next(const char** cursor, const char* end, const LexOptions& options);

  // Makes this the StreamData token of `length` bytes that follow the end of
  // line at *cursor (just after the keyword stream), and moves *cursor past
  // "endstream". False, with *cursor unchanged when no end of line follows.
  bool LocateStreamData(const char** cursor, const char* end, int length);

  // NUL-terminated copy, made on first request and kept in `owned`; null when
  // memory runs out.
  const char* String();

  bool IsKeyword(const char* word) const;
  bool IsTrue() const { return IsKeyword("true"); }
  bool IsBoolean() const { return IsKeyword("true") || IsKeyword("false"); }
  bool IsNumber() const { return type == TokenType::Number; }
  bool IsName() const { return type == TokenType::Name; }
  bool IsString() const { return type == TokenType::String; }
  bool IsStreamData() const { return type == TokenType::StreamData; }
  bool IsKeywordType() const { return type == TokenType::Keyword; }
  // A Number whose value is a 32-bit integer.
  bool IsInteger() const;
  // Rounded half away from zero, saturated to the 32-bit range; NaN gives 0.
  int32_t IntValue() const;
  double RealValue() const { return value; }

  // The two 32-bit fields last, so that a token takes 32 bytes, not 40: every
  // scalar of a document carries one.
  const char* text = nullptr;
  char* owned = nullptr;
  double value = 0.0;
  int32_t length = 0;
  TokenType type = TokenType::None;

 private:
  void FreeOwned();
  void CopyFrom(const Token& other);
  template <bool kModern>
  bool NextToken(const char** cursor, const char* end, const LexOptions* options);
};

// The last occurrence of `word` lying wholly inside [lower, upper), or null.
const char* FindLast(const char* word, const char* lower, const char* upper);

}  // namespace pdf

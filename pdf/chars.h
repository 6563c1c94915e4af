// Character classes of PDF syntax from one table, so that no answer depends on
// the process locale (the viewer's toolkit sets it from the environment).
#pragma once

#include <array>
#include <cstdint>

namespace pdf {

enum CharClass : uint8_t {
  kCharWhite = 1,         // tab, line feed, form feed, carriage return, space (not 0)
  kCharDelimiter = 2,     // % ( ) / < > [ ] { }
  kCharDigit = 4,         // 0-9
  kCharHex = 8,           // 0-9 A-F a-f
  kCharLetter = 16,       // A-Z a-z
  kCharNumberStart = 32,  // + - . 0-9
  kCharCSpace = 64,       // the C library's white space: 9 to 13 and space
};

constexpr std::array<uint8_t, 256> MakeCharClasses() {
  std::array<uint8_t, 256> table{};
  for (int c : {9, 10, 12, 13, 32}) {
    table[c] |= kCharWhite;
  }
  for (int c = 9; c <= 13; ++c) {
    table[c] |= kCharCSpace;
  }
  table[' '] |= kCharCSpace;
  for (char c : {'%', '(', ')', '/', '<', '>', '[', ']', '{', '}'}) {
    table[static_cast<uint8_t>(c)] |= kCharDelimiter;
  }
  for (int c = '0'; c <= '9'; ++c) {
    table[c] |= kCharDigit | kCharHex | kCharNumberStart;
  }
  for (int c = 'A'; c <= 'F'; ++c) {
    table[c] |= kCharHex;
    table[c + ('a' - 'A')] |= kCharHex;
  }
  for (int c = 'A'; c <= 'Z'; ++c) {
    table[c] |= kCharLetter;
    table[c + ('a' - 'A')] |= kCharLetter;
  }
  for (char c : {'+', '-', '.'}) {
    table[static_cast<uint8_t>(c)] |= kCharNumberStart;
  }
  return table;
}

inline constexpr std::array<uint8_t, 256> kCharClasses = MakeCharClasses();

constexpr bool HasClass(char c, uint8_t classes) {
  return (kCharClasses[static_cast<uint8_t>(c)] & classes) != 0;
}
constexpr bool IsWhite(char c) {
  return HasClass(c, kCharWhite);
}
constexpr bool IsDelimiter(char c) {
  return HasClass(c, kCharDelimiter);
}
constexpr bool IsDigit(char c) {
  return HasClass(c, kCharDigit);
}
constexpr bool IsHexDigit(char c) {
  return HasClass(c, kCharHex);
}
// The value of a hexadecimal digit, or -1 for any other byte.
constexpr int HexDigitValue(char c) {
  if (IsDigit(c)) {
    return c - '0';
  }
  return IsHexDigit(c) ? (c | 0x20) - 'a' + 10 : -1;
}
constexpr bool IsLetter(char c) {
  return HasClass(c, kCharLetter);
}
constexpr bool IsCSpace(char c) {
  return HasClass(c, kCharCSpace);
}

}  // namespace pdf

// The 20-byte form in which writers put cross-reference entries: ten digits, a
// space, five digits, a space, "n" or "f", and white space. The file reader
// takes runs of entries in exactly this form straight from the bytes, since a
// large file holds millions of them; an entry in any other form (other
// separators, a comment, an offset beyond 32 bits, a longer keyword) goes
// through the tokens, which check and report it. For entries in this form both
// ways give the same offset, generation and type.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "pdf/chars.h"

namespace pdf {

struct XRefEntryText {
  int32_t offset;
  int32_t generation;
  char type;
};

// Offsets of the parts of an entry in the 20-byte form.
inline constexpr int kEntryGenerationAt = 11;
inline constexpr int kEntryTypeAt = 17;
// The type letter must be followed by white space, so that it is a one-letter
// keyword; that byte is the last one looked at.
inline constexpr int kEntryBytesLookedAt = 19;

namespace xref_text {

// The word tricks below read the first byte as the lowest.
static_assert(std::endian::native == std::endian::little);

inline uint64_t Load8(const char* p) {
  uint64_t word;
  memcpy(&word, p, sizeof word);
  return word;
}

// True when all eight bytes of a little-endian word are ASCII digits: each byte
// has the high nibble 3, and adding 6 keeps it there (so its low nibble is at
// most 9). A carry out of a byte only happens for bytes that already failed.
inline bool EightDigits(uint64_t word) {
  constexpr uint64_t kHigh = 0xF0F0F0F0F0F0F0F0u;
  return ((word & kHigh) | (((word + 0x0606060606060606u) & kHigh) >> 4)) == 0x3333333333333333u;
}

// The value of eight digits, first byte most significant: adjacent digits are
// combined into pairs, pairs into fours, fours into the whole.
inline uint32_t EightDigitsValue(uint64_t word) {
  word = (word & 0x0F0F0F0F0F0F0F0Fu) * 2561 >> 8;
  word = (word & 0x00FF00FF00FF00FFu) * 6553601 >> 16;
  return static_cast<uint32_t>((word & 0x0000FFFF0000FFFFu) * 42949672960001u >> 32);
}

inline bool Digit(char c, uint32_t* value) {
  if (!IsDigit(c)) {
    return false;
  }
  *value = *value * 10 + static_cast<uint32_t>(c - '0');
  return true;
}

}  // namespace xref_text

// Reads one entry in the 20-byte form at `p`; false when the bytes are in any
// other form (or fewer than kEntryBytesLookedAt remain before `end`).
inline bool ReadEntryText(const char* p, const char* end, XRefEntryText* entry) {
  using namespace xref_text;
  if (end - p < kEntryBytesLookedAt) {
    return false;
  }
  const uint64_t offset_high = Load8(p);
  // The generation's first four digits behind four leading zeros.
  const uint64_t generation_high = (Load8(p + kEntryGenerationAt) << 32) | 0x30303030u;
  if (!EightDigits(offset_high) || !EightDigits(generation_high) || p[10] != ' ' || p[16] != ' ' ||
      (p[kEntryTypeAt] != 'n' && p[kEntryTypeAt] != 'f') || !IsWhite(p[18])) {
    return false;
  }
  // Ten digits exceed 32 bits from 2147483648 on; those are not integers.
  uint64_t offset = EightDigitsValue(offset_high);
  uint32_t low = 0;
  if (!Digit(p[8], &low) || !Digit(p[9], &low)) {
    return false;
  }
  offset = offset * 100 + low;
  uint32_t generation = EightDigitsValue(generation_high);
  if (offset > INT32_MAX || !Digit(p[15], &generation)) {
    return false;
  }
  entry->offset = static_cast<int32_t>(offset);
  entry->generation = static_cast<int32_t>(generation);
  entry->type = p[kEntryTypeAt];
  return true;
}

// The first byte at or after `p` that is not white space (comments included:
// they are not skipped here).
inline const char* SkipWhite(const char* p, const char* end) {
  while (p < end && IsWhite(*p)) {
    ++p;
  }
  return p;
}

}  // namespace pdf

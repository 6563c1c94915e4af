// Lookup tables for CCITT fax decoding, expanded at compile time from the
// ITU-T T.4 and T.6 code words. Each table is indexed by the next bits of the
// data, first bit as the most significant: 7 bits for the two-dimensional modes,
// 12 bits for white runs, 13 bits for black runs.
#pragma once

#include <array>
#include <cstdint>

enum class FaxState : uint8_t {
  Null,     // no code word starts with these bits
  Pass,     // two-dimensional pass mode
  Horiz,    // two-dimensional horizontal mode: two one-dimensional runs follow
  V0,       // vertical mode, a1 = b1
  VR,       // vertical mode, a1 = b1 + param
  VL,       // vertical mode, a1 = b1 - param
  Ext,      // extension code (uncompressed mode)
  TermW,    // white terminating code, run 0-63
  TermB,    // black terminating code, run 0-63
  MakeUpW,  // white make-up code, 64-1728
  MakeUpB,  // black make-up code, 64-1728
  MakeUp,   // extended make-up code of either colour, 1792-2560
  EOL,      // end of line: the eleven zero bits before its 1 bit
};

struct FaxEntry {
  FaxState state;
  uint8_t width;   // bits the code takes
  uint16_t param;  // run length, or the offset of a vertical mode
};

inline constexpr int kFaxModeBits = 7;
inline constexpr int kFaxWhiteBits = 12;
inline constexpr int kFaxBlackBits = 13;
// The longest make-up code: no run of a valid line gains more at once.
inline constexpr int kFaxLongestMakeUp = 2560;

extern const std::array<FaxEntry, 1 << kFaxModeBits> kFaxModeTable;
extern const std::array<FaxEntry, 1 << kFaxWhiteBits> kFaxWhiteTable;
extern const std::array<FaxEntry, 1 << kFaxBlackBits> kFaxBlackTable;

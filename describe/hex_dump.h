// The hex view of bytes: offset, sixteen bytes in hexadecimal, and the same as
// ASCII, one line at a time so that a view can draw only what it shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

inline constexpr size_t kHexBytesPerLine = 16;

// The line for the bytes at `line` * 16 (fewer at the end), without a line end:
// "00000010  42 54 20 2f 46 31 20 31  32 20 54 66 20 37 32 20  |BT /F1 12 Tf 72 |".
std::string HexDumpLine(std::span<const uint8_t> bytes, size_t line);

// How many lines the bytes take.
inline size_t HexDumpLineCount(size_t size) {
  return (size + kHexBytesPerLine - 1) / kHexBytesPerLine;
}

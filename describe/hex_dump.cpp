#include "describe/hex_dump.h"

#include <algorithm>
#include <cstdio>

std::string HexDumpLine(std::span<const uint8_t> bytes, size_t line) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const size_t first = line * kHexBytesPerLine;
  if (first >= bytes.size()) {
    return std::string();
  }
  const size_t count = std::min(kHexBytesPerLine, bytes.size() - first);
  std::string text;
  text.reserve(80);
  // Eight digits as long as offsets fit, more beyond 4 GiB.
  char offset[24];
  snprintf(offset, sizeof offset, "%08zx  ", first);
  text += offset;
  for (size_t i = 0; i < kHexBytesPerLine; ++i) {
    if (i < count) {
      const uint8_t byte = bytes[first + i];
      text += kDigits[byte >> 4];
      text += kDigits[byte & 15];
      text += ' ';
    } else {
      text += "   ";
    }
    if (i == 7) {
      text += ' ';
    }
  }
  text += " |";
  for (size_t i = 0; i < count; ++i) {
    const uint8_t byte = bytes[first + i];
    text += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
  }
  text += '|';
  return text;
}

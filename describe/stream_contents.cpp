#include "describe/stream_contents.h"

#include <algorithm>
#include <vector>

#include "diag/format.h"
#include "filters/filter_chain.h"
#include "pdf/object.h"

namespace {

constexpr size_t kTextSample = 4096;
constexpr size_t kHexLineBytes = 16;
// Characters of one hex dump line: offset, two blanks, 16 "xx " groups, an
// extra blank, the bars and the 16 characters, the line feed.
constexpr size_t kHexLineChars = 8 + 2 + 16 * 3 + 1 + 18 + 1;

// "1,048,576": the digits in groups of three.
std::string Grouped(size_t value) {
  const std::string digits = std::to_string(value);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) {
      grouped += ',';
    }
    grouped += digits[i];
  }
  return grouped;
}

}  // namespace

bool LooksLikeText(std::span<const uint8_t> bytes) {
  const size_t sample = std::min(bytes.size(), kTextSample);
  size_t odd = 0;
  for (size_t i = 0; i < sample; ++i) {
    const uint8_t c = bytes[i];
    if (c == 0) {
      return false;
    }
    if (c < 32 && c != '\t' && c != '\n' && c != '\r' && c != '\f') {
      ++odd;
    }
  }
  return odd * 64 <= sample;
}

std::string HexDump(std::span<const uint8_t> bytes, size_t max_bytes) {
  static const char kDigits[] = "0123456789abcdef";
  const size_t shown = std::min(bytes.size(), max_bytes);
  std::string text;
  text.reserve((shown / kHexLineBytes + 1) * kHexLineChars);
  for (size_t line = 0; line < shown; line += kHexLineBytes) {
    text += FormatText("%08zx  ", line);
    std::string ascii;
    for (size_t i = 0; i < kHexLineBytes; ++i) {
      if (line + i < shown) {
        const uint8_t c = bytes[line + i];
        text += kDigits[c >> 4];
        text += kDigits[c & 15];
        text += ' ';
        ascii += c >= 32 && c < 127 ? static_cast<char>(c) : '.';
      } else {
        text += "   ";
      }
      if (i == 7) {
        text += ' ';
      }
    }
    text += " |" + ascii + "|\n";
  }
  return text;
}

std::string DescribeStreamContents(pdf::Dictionary* stream, size_t text_bound) {
  std::vector<uint8_t> bytes;
  std::string problem;
  const size_t decode_bound = std::max(kContentsDecodeBound, text_bound);
  const bool decoded = DecodeStreamFully(stream, decode_bound, &bytes, &problem);
  std::string text;
  if (!problem.empty()) {
    // Damage, a filter this build does not read, or a bound: said where it
    // shows, before what could be decoded.
    text += problem + "\n";
    if (!decoded && !bytes.empty()) {
      text +=
          FormatText("(the %s bytes decoded before it follow)\n", Grouped(bytes.size()).c_str());
    }
    text += "\n";
  }
  if (bytes.empty()) {
    if (decoded && problem.empty()) {
      text += "(no data)\n";
    }
    return text;
  }
  const std::span<const uint8_t> data(bytes);
  size_t shown = 0;
  if (LooksLikeText(data)) {
    shown = std::min(data.size(), text_bound);
    // As they are, a last line end or none: the pane shows text as written.
    text.append(reinterpret_cast<const char*>(data.data()), shown);
  } else {
    const size_t max_bytes = std::max<size_t>(text_bound / kHexLineChars, 1) * kHexLineBytes;
    shown = std::min(data.size(), max_bytes);
    text += HexDump(data, max_bytes);
  }
  if (shown < data.size()) {
    if (text.back() != '\n') {
      text += '\n';
    }
    text += FormatText("... (first %s of %s bytes)\n", Grouped(shown).c_str(),
                       Grouped(data.size()).c_str());
  }
  return text;
}

#include "crypt/password_text.h"

#include <cstdint>
#include <optional>

namespace pdfcrypt {

namespace {

// Revision 5 and 6 passwords are cut to this many bytes of UTF-8.
constexpr size_t kMaxUtf8PasswordBytes = 127;

// The PDFDocEncoding byte of a code point, where it differs from Latin-1.
struct DocByte {
  char32_t code;
  uint8_t byte;
};
constexpr DocByte kDocBytes[] = {
    {0x02D8, 0x18}, {0x02C7, 0x19}, {0x02C6, 0x1A}, {0x02D9, 0x1B}, {0x02DD, 0x1C}, {0x02DB, 0x1D},
    {0x02DA, 0x1E}, {0x02DC, 0x1F}, {0x2022, 0x80}, {0x2020, 0x81}, {0x2021, 0x82}, {0x2026, 0x83},
    {0x2014, 0x84}, {0x2013, 0x85}, {0x0192, 0x86}, {0x2044, 0x87}, {0x2039, 0x88}, {0x203A, 0x89},
    {0x2212, 0x8A}, {0x2030, 0x8B}, {0x201E, 0x8C}, {0x201C, 0x8D}, {0x201D, 0x8E}, {0x2018, 0x8F},
    {0x2019, 0x90}, {0x201A, 0x91}, {0x2122, 0x92}, {0xFB01, 0x93}, {0xFB02, 0x94}, {0x0141, 0x95},
    {0x0152, 0x96}, {0x0160, 0x97}, {0x0178, 0x98}, {0x017D, 0x99}, {0x0131, 0x9A}, {0x0142, 0x9B},
    {0x0153, 0x9C}, {0x0161, 0x9D}, {0x017E, 0x9E}, {0x20AC, 0xA0},
};

std::optional<uint8_t> DocEncodingByte(char32_t code) {
  if (code == '\t' || code == '\n' || code == '\r' || (code >= 0x20 && code < 0x7F) ||
      (code >= 0xA1 && code <= 0xFF && code != 0xAD)) {
    return static_cast<uint8_t>(code);
  }
  for (const DocByte& entry : kDocBytes) {
    if (entry.code == code) {
      return entry.byte;
    }
  }
  return std::nullopt;
}

// The code points of well-formed UTF-8, or nothing.
std::optional<std::u32string> DecodeUtf8(std::string_view text) {
  std::u32string codes;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<uint8_t>(text[i]);
    const int extra = lead < 0x80         ? 0
                      : (lead >> 5) == 6  ? 1
                      : (lead >> 4) == 14 ? 2
                      : (lead >> 3) == 30 ? 3
                                          : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= text.size()) {
      return std::nullopt;
    }
    char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<uint8_t>(text[i + static_cast<size_t>(k)]);
      if ((next >> 6) != 2) {
        return std::nullopt;
      }
      code = code << 6 | (next & 0x3F);
    }
    codes += code;
    i += static_cast<size_t>(extra) + 1;
  }
  return codes;
}

}  // namespace

std::vector<std::string> PasswordCandidates(std::string_view typed, int r) {
  if (r >= 5) {
    std::string bytes(typed.substr(0, kMaxUtf8PasswordBytes));
    // A cut must not leave half a character.
    while (bytes.size() < typed.size() && !bytes.empty() &&
           (static_cast<uint8_t>(typed[bytes.size()]) >> 6) == 2) {
      bytes.pop_back();
    }
    return {bytes};
  }
  std::vector<std::string> candidates{std::string(typed)};
  std::optional<std::u32string> codes = DecodeUtf8(typed);
  if (!codes) {
    return candidates;
  }
  std::string encoded;
  for (char32_t code : *codes) {
    std::optional<uint8_t> byte = DocEncodingByte(code);
    if (!byte) {
      return candidates;
    }
    encoded += static_cast<char>(*byte);
  }
  if (encoded != candidates.front()) {
    candidates.push_back(encoded);
  }
  return candidates;
}

}  // namespace pdfcrypt

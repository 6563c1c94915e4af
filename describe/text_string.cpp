#include "describe/text_string.h"

#include "pdf/string_bytes.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// PDFDocEncoding 0x80 to 0x9F, where it leaves Latin-1 (0 = undefined).
constexpr char32_t kDocHigh[32] = {
    0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039, 0x203A, 0x2212,
    0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A, 0x2122, 0xFB01, 0xFB02, 0x0141,
    0x0152, 0x0160, 0x0178, 0x017D, 0x0131, 0x0142, 0x0153, 0x0161, 0x017E, 0,
};

void PutUtf8(char32_t code, std::string* out) {
  if (code < 0x80) {
    *out += static_cast<char>(code);
  } else if (code < 0x800) {
    *out += static_cast<char>(0xC0 | (code >> 6));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    *out += static_cast<char>(0xE0 | (code >> 12));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (code >> 18));
    *out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Control characters other than white space mark data, not text.
bool IsControl(char32_t code) {
  return (code < 0x20 && code != '\t' && code != '\n' && code != '\r') || code == 0x7F;
}

std::u32string FromUtf16(const std::vector<uint8_t>& bytes) {
  std::u32string codes;
  const size_t units = (bytes.size() - 2) / 2;
  auto unit = [&](size_t i) {
    return static_cast<char32_t>(bytes[2 + 2 * i] << 8 | bytes[3 + 2 * i]);
  };
  for (size_t i = 0; i < units; ++i) {
    const char32_t high = unit(i);
    if (high >= 0xD800 && high < 0xDC00 && i + 1 < units) {
      const char32_t low = unit(i + 1);
      if (low >= 0xDC00 && low < 0xE000) {
        codes += 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
        ++i;
        continue;
      }
    }
    codes += (high >= 0xD800 && high < 0xE000) ? kReplacement : high;
  }
  if (bytes.size() % 2 != 0) {
    codes += kReplacement;  // half a unit at the end
  }
  return codes;
}

std::u32string FromUtf8(const std::vector<uint8_t>& bytes) {
  std::u32string codes;
  size_t i = 3;
  while (i < bytes.size()) {
    const uint8_t lead = bytes[i];
    const int extra = lead < 0x80             ? 0
                      : (lead & 0xE0) == 0xC0 ? 1
                      : (lead & 0xF0) == 0xE0 ? 2
                      : (lead & 0xF8) == 0xF0 ? 3
                                              : -1;
    if (extra < 0) {
      codes += kReplacement;
      ++i;
      continue;
    }
    char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    int taken = 0;
    while (taken < extra && i + 1 + static_cast<size_t>(taken) < bytes.size() &&
           (bytes[i + 1 + static_cast<size_t>(taken)] & 0xC0) == 0x80) {
      code = code << 6 | (bytes[i + 1 + static_cast<size_t>(taken)] & 0x3F);
      ++taken;
    }
    i += 1 + static_cast<size_t>(taken);
    // Cut short, overlong, a surrogate or past the last code point.
    static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    const bool valid = taken == extra && code >= kLeast[extra] && code <= 0x10FFFF &&
                       !(code >= 0xD800 && code < 0xE000);
    codes += valid ? code : kReplacement;
  }
  return codes;
}

std::u32string FromDocEncoding(const std::vector<uint8_t>& bytes) {
  std::u32string codes;
  codes.reserve(bytes.size());
  for (uint8_t byte : bytes) {
    char32_t code = byte;
    if (byte >= 0x80 && byte < 0xA0) {
      code = kDocHigh[byte - 0x80];
    } else if (byte == 0xA0) {
      code = 0x20AC;
    } else if (byte == 0xAD) {
      code = 0;
    }
    // 0x18 to 0x1F name spacing accents in the encoding, but strings holding
    // them are data in practice: they stay control characters here.
    codes += (code == 0 && byte != 0) ? kReplacement : code;
  }
  return codes;
}

}  // namespace

std::string TextStringUtf8(const std::vector<uint8_t>& bytes, bool* is_text) {
  std::u32string codes;
  if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    codes = FromUtf16(bytes);
  } else if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    codes = FromUtf8(bytes);
  } else {
    codes = FromDocEncoding(bytes);
  }
  std::string text;
  text.reserve(codes.size());
  bool text_only = true;
  for (char32_t code : codes) {
    text_only = text_only && !IsControl(code);
    PutUtf8(code, &text);
  }
  if (is_text != nullptr) {
    *is_text = text_only;
  }
  return text;
}

std::string HexString(const std::vector<uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "<";
  text.reserve(bytes.size() * 2 + 2);
  for (uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text + ">";
}

std::string QuotedStringValue(pdf::Object* string) {
  std::vector<uint8_t> bytes;
  pdf::StringBytes(string, &bytes);
  bool is_text = true;
  std::string text = TextStringUtf8(bytes, &is_text);
  if (is_text) {
    return "\"" + text + "\"";
  }
  return HexString(bytes) + " (" + std::to_string(bytes.size()) +
         (bytes.size() == 1 ? " byte)" : " bytes)");
}

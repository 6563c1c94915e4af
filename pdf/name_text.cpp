#include "pdf/name_text.h"

#include "pdf/chars.h"

namespace pdf {

bool DecodeNameEscapes(std::string_view written, std::string* decoded) {
  size_t hash = written.find('#');
  if (hash == std::string_view::npos) {
    return false;
  }
  bool escaped = false;
  std::string out(written.substr(0, hash));
  for (size_t i = hash; i < written.size(); ++i) {
    const char c = written[i];
    if (c == '#' && i + 2 < written.size() && IsHexDigit(written[i + 1]) &&
        IsHexDigit(written[i + 2])) {
      out += static_cast<char>(HexDigitValue(written[i + 1]) * 16 + HexDigitValue(written[i + 2]));
      i += 2;
      escaped = true;
    } else {
      out += c;
    }
  }
  if (escaped) {
    *decoded = std::move(out);
  }
  return escaped;
}

}  // namespace pdf

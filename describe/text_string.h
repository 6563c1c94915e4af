// What a string object says as text: the bytes of a text string read as
// UTF-16BE or UTF-8 after their byte order mark, else as PDFDocEncoding, all
// turned into UTF-8 for the pane and the tree; hexadecimal digits when the
// bytes are no text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pdf {
class Object;
}  // namespace pdf

// The UTF-8 of a text string's bytes. Malformed UTF-16 and UTF-8 give U+FFFD
// where they fail. `is_text` (when given) is set false when the text holds
// control characters other than tab, CR and LF: such bytes are data.
std::string TextStringUtf8(const std::vector<uint8_t>& bytes, bool* is_text);

// "<00FF10>": every byte as two upper-case hexadecimal digits.
std::string HexString(const std::vector<uint8_t>& bytes);

// A string object as the modern pane shows it: "\"Quarterly figures\"", or
// "<00FF10> (3 bytes)" when the bytes are no text.
std::string QuotedStringValue(pdf::Object* string);

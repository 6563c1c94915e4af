// Decodes the raw data of a non-image stream into a caller's buffer so its
// contents can be shown as text: no filter, FlateDecode or LZWDecode; any other
// filter, and any array of filters, is refused.
#pragma once

#include <cstdint>

namespace pdf {
class Object;
}  // namespace pdf

// The error text buffer the caller passes holds this many characters.
inline constexpr int kDecodeErrorTextSize = 256;

// Returns the number of bytes placed in `out` (at most `capacity`), or 0 on any
// failure, with a message in `error_text` (kDecodeErrorTextSize characters) for
// the Flate and unsupported-filter failures; it is emptied first.
int DecodeStreamData(pdf::Object* filter, pdf::Object* decode_parms, const uint8_t* data,
                     int length, uint8_t* out, int capacity, char* error_text);

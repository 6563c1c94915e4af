// Decoder for LZWDecode data: variable-width codes of 9 to 12 bits, most
// significant bit first, with a clear-table code and an end-of-data code. The
// code width grows one code early, as the filter does by default; no DecodeParms
// are taken.
#pragma once

#include <cstdint>

class LzwDecoder {
 public:
  virtual ~LzwDecoder() = default;

  // Decodes `data` into `out`, writing at most `capacity` bytes and reading no
  // byte beyond `length`. Returns the number of bytes written, or 0 when the
  // stream is invalid (the reason goes to the error sink). Data that ends before
  // its end-of-data code gives the bytes written so far; a string longer than the
  // room left is cut to the room, and decoding stops there.
  int Decode(const uint8_t* data, int length, uint8_t* out, int capacity);
};

// Decoder for LZWDecode data: variable-width codes of 9 to 12 bits, most
// significant bit first, with a clear-table code and an end-of-data code. By
// default the code width grows one code early, as the filter does unless its
// DecodeParms say EarlyChange 0; the decoder takes that choice when made.
#pragma once

#include <cstdint>
#include <span>

// Why a decode stopped.
enum class LzwStop : uint8_t {
  kEndCode,      // the end-of-data code
  kDataEnded,    // the data ran out before an end-of-data code
  kOutputFull,   // no room left; more data may follow
  kInvalidCode,  // a code beyond the next table entry
  kWrongLength,  // a code whose entry was never defined
  kLoop,         // the table's links do not spell the string they should
};

struct LzwResult {
  uint32_t written = 0;  // bytes placed in the output, also when decoding failed
  LzwStop stop = LzwStop::kDataEnded;
};

class LzwDecoder {
 public:
  // `early_change`: true widens the codes one code early (the filter's default);
  // false for EarlyChange 0.
  explicit LzwDecoder(bool early_change = true) : early_change_(early_change) {}
  virtual ~LzwDecoder() = default;

  // Decodes `data` into `out`, writing at most `capacity` bytes and reading no
  // byte beyond `length`. Returns the number of bytes written, or 0 when the
  // stream is invalid (the reason goes to the error sink). Data that ends before
  // its end-of-data code gives the bytes written so far; a string longer than the
  // room left is cut to the room, and decoding stops there.
  int Decode(const uint8_t* data, int length, uint8_t* out, int capacity);

  // The same decoding without reports: the result tells how it ended, and the
  // caller decides what that means. At most 2^32 - 1 bytes of `out` are used.
  LzwResult DecodeSpan(std::span<const uint8_t> data, std::span<uint8_t> out) const;

 private:
  bool early_change_;
};

// Bit reader for fax code words: most significant bit of each byte first. Peeks
// past the end of the data see zero bits, and the count of data bits left tells
// when the data has ended.
#pragma once

#include <cstdint>
#include <cstring>

class FaxBitReader {
 public:
  FaxBitReader() = default;
  FaxBitReader(const uint8_t* data, int length)
      : pos_(data), end_(data + (data != nullptr && length > 0 ? length : 0)) {}

  // Tops up the accumulator (to at least 32 bits while data lasts) and returns
  // the number of data bits held; 0 means the data has ended.
  int Fill() {
    if (bits_ >= 32)
      return bits_;
    if (end_ - pos_ >= 8) {
      // The accumulator is left-aligned and the bits below the counted ones are
      // either zero or already the right bits of the next byte, so loading that
      // byte again is harmless.
      uint64_t word;
      std::memcpy(&word, pos_, 8);
      acc_ |= __builtin_bswap64(word) >> bits_;
      pos_ += (63 - bits_) >> 3;
      bits_ |= 56;
    } else {
      while (bits_ <= 56 && pos_ < end_) {
        acc_ |= static_cast<uint64_t>(*pos_++) << (56 - bits_);
        bits_ += 8;
      }
    }
    return bits_;
  }

  int bits() const { return bits_; }

  // The next `n` bits (1 to 32) as a number; zero bits past the end of the data.
  uint32_t Peek(int n) const { return static_cast<uint32_t>(acc_ >> (64 - n)); }

  // Drops `n` bits; dropping more than are left empties the reader.
  void Consume(int n) {
    acc_ <<= n;
    bits_ = bits_ > n ? bits_ - n : 0;
  }

  // Zero bits before the next 1 bit among those held (64 when none).
  int LeadingZeros() const { return acc_ == 0 ? 64 : __builtin_clzll(acc_); }

  // Bits not yet consumed, held or still in the data: how far decoding got.
  uint64_t BitsLeft() const {
    return static_cast<uint64_t>(end_ - pos_) * 8 + static_cast<uint64_t>(bits_);
  }

  // Drops the bits up to the next byte boundary of the data. The bits held
  // always end at a boundary (whole bytes are loaded), so the count held
  // modulo 8 is the number of bits left in the current byte.
  void AlignToByte() { Consume(bits_ & 7); }

  // Treats the rest of the data as read.
  void Finish() {
    pos_ = end_;
    acc_ = 0;
    bits_ = 0;
  }

 private:
  const uint8_t* pos_ = nullptr;
  const uint8_t* end_ = nullptr;
  uint64_t acc_ = 0;
  int bits_ = 0;
};

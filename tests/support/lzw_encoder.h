// A small LZW encoder for tests: hand-made code sequences with the decoder's
// code-width schedule (9 to 12 bits, one code early or, for EarlyChange 0, as
// late as possible), and a plain greedy encoder with a choice of where clear
// codes go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

inline constexpr int kLzwClear = 256;
inline constexpr int kLzwEnd = 257;

// Packs codes most significant bit first. Widths follow the decoder: 9 bits after
// a clear, growing when the decoder's next free entry reaches 511, 1023 and
// 2047 (512, 1024 and 2048 without early change); every code after the first of
// a run defines one entry (until 4096).
class LzwCodeWriter {
 public:
  explicit LzwCodeWriter(bool early_change = true) : early_change_(early_change) {}

  // Writes `code` with the width the decoder expects at this point.
  LzwCodeWriter& Put(int code);
  // Writes `code` with an explicit width, updating the schedule as Put does.
  LzwCodeWriter& PutWidth(int code, int width);
  LzwCodeWriter& Put(std::initializer_list<int> codes);

  // The width the decoder reads the next code with.
  int width() const;
  int next_free() const { return next_free_; }

  // The bytes so far, the last byte padded with zero bits.
  std::vector<uint8_t> Bytes() const;

 private:
  void Advance(int code);

  std::vector<uint8_t> bytes_;
  uint64_t acc_ = 0;
  int bits_ = 0;
  int next_free_ = 258;
  bool first_ = true;
  bool early_change_ = true;
};

struct LzwEncodeOptions {
  bool leading_clear = true;
  bool end_code = true;
  // Emit a clear code when the table is full; when false, encoding goes on with
  // the full table and 12-bit codes.
  bool clear_when_full = true;
  // Also emit a clear code after this many input bytes (0: never).
  size_t clear_after = 0;
  // False: codes widen as late as possible (EarlyChange 0).
  bool early_change = true;
};

std::vector<uint8_t> LzwEncode(const uint8_t* data, size_t size,
                               const LzwEncodeOptions& options = {});
inline std::vector<uint8_t> LzwEncode(const std::vector<uint8_t>& data,
                                      const LzwEncodeOptions& options = {}) {
  return LzwEncode(data.data(), data.size(), options);
}

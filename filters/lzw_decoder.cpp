#include "filters/lzw_decoder.h"

#include <algorithm>
#include <cstring>

#include "diag/messages.h"

namespace {

constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
constexpr int kFirstFreeCode = 258;
// 12-bit codes: entries 0-4095.
constexpr int kTableSize = 4096;
constexpr uint16_t kNoPrefix = 0xFFFF;
// Marks an entry whose string is not known to sit anywhere in the output.
constexpr uint32_t kNotInOutput = UINT32_MAX;
// Strings up to this long are stored with two 8-byte words.
constexpr uint32_t kShortString = 16;

struct Entry {
  uint16_t prefix;  // entry of the string without its last byte; kNoPrefix for single bytes
  uint16_t length;  // 0: never defined in this call
  uint8_t last;
  uint8_t first;
};

// Each single byte followed by seven more, so that an 8-byte load at any of the
// first 256 positions stays inside; a single-byte code copies from here.
struct SingleBytes {
  uint8_t bytes[256 + 8];
  constexpr SingleBytes() : bytes() {
    for (int i = 0; i < 256; ++i)
      bytes[i] = static_cast<uint8_t>(i);
  }
};
constexpr SingleBytes kSingleBytes;

// Codes most significant bit first, packed across byte boundaries. The
// accumulator is left-aligned; the bits below the valid ones are either zero or
// already the right bits of the next byte, so OR-ing that byte in again is
// harmless, which lets a refill load eight bytes at once.
class CodeReader {
 public:
  CodeReader(const uint8_t* data, int length) : pos_(data), end_(data + length) {}

  // False when fewer than `width` bits are left.
  bool Read(int width, int* code) {
    if (bits_ < width) {
      Refill();
      if (bits_ < width)
        return false;
    }
    *code = static_cast<int>(acc_ >> (64 - width));
    acc_ <<= width;
    bits_ -= width;
    return true;
  }

 private:
  void Refill() {
    if (end_ - pos_ >= 8) {
      uint64_t word;
      std::memcpy(&word, pos_, 8);
      acc_ |= __builtin_bswap64(word) >> bits_;
      const int bytes = (63 - bits_) >> 3;
      pos_ += bytes;
      bits_ += bytes * 8;
      return;
    }
    while (bits_ <= 56 && pos_ < end_) {
      acc_ |= static_cast<uint64_t>(*pos_++) << (56 - bits_);
      bits_ += 8;
    }
  }

  const uint8_t* pos_;
  const uint8_t* end_;
  uint64_t acc_ = 0;
  int bits_ = 0;
};

inline uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

inline void Store64(uint8_t* p, uint64_t v) {
  std::memcpy(p, &v, 8);
}

// The low `n` bytes (1 to 8) of a little-endian word.
inline uint64_t ByteMask(uint32_t n) {
  return n >= 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * n)) - 1;
}

// Stores the `n` (1 to 8) low bytes of `word` at `dst` with one 8-byte store;
// the other bytes are written back as they were, so nothing visibly changes
// past the string. The caller guarantees 8 bytes of room.
inline void StoreBytes(uint8_t* dst, uint64_t word, uint32_t n) {
  const uint64_t mask = ByteMask(n);
  Store64(dst, (word & mask) | (Load64(dst) & ~mask));
}

// Copies a string of up to kShortString bytes from an earlier position whose
// bytes all lie before `dst`; needs kShortString bytes of room at `dst`.
inline void CopyShort(uint8_t* dst, const uint8_t* src, uint32_t n) {
  if (n <= 8) {
    StoreBytes(dst, Load64(src), n);
  } else {
    Store64(dst, Load64(src));
    StoreBytes(dst + 8, Load64(src + 8), n - 8);
  }
}

}  // namespace

int LzwDecoder::Decode(const uint8_t* data, int length, uint8_t* out, int capacity) {
  if (out == nullptr || capacity <= 0)
    return 0;
  if (data == nullptr || length < 0)
    length = 0;
  const LzwResult result = DecodeSpan(std::span<const uint8_t>(data, static_cast<size_t>(length)),
                                      std::span<uint8_t>(out, static_cast<size_t>(capacity)));
  switch (result.stop) {
    case LzwStop::kInvalidCode:
      ErrorMessage("LZWDecode: Invalid LZW stream");
      return 0;
    case LzwStop::kWrongLength:
      ErrorMessage("LZWDecode: Wrong length of decoded string.");
      return 0;
    case LzwStop::kLoop:
      ErrorMessage("LZWDecode: Bogus encoding, loop in the code table.");
      break;
    default:
      break;
  }
  return static_cast<int>(result.written);
}

LzwResult LzwDecoder::DecodeSpan(std::span<const uint8_t> input, std::span<uint8_t> output) const {
  uint8_t* const out = output.data();
  const uint8_t* const data = input.data();
  const int length =
      data == nullptr ? 0 : static_cast<int>(std::min<size_t>(input.size(), INT32_MAX));
  if (out == nullptr || output.empty())
    return {0, LzwStop::kOutputFull};
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "byte masks assume little endian");

  Entry table[kTableSize];
  std::memset(table, 0, sizeof(table));
  for (int i = 0; i < 256; ++i) {
    table[i] = Entry{kNoPrefix, 1, static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
  }
  // Where each entry's string was last written, while the links still spell
  // that string. A new entry is always the previous string plus the first byte
  // of the current one, which is exactly what sits at the previous string's
  // position, so strings are copied from earlier output rather than walked link
  // by link. The links stay the reference: a clear code lets entries keep stale
  // contents, and strings that reach those are walked as the table says.
  uint32_t where[kTableSize];

  CodeReader reader(data, length);
  const uint32_t room_total = static_cast<uint32_t>(std::min<size_t>(output.size(), UINT32_MAX));
  // With EarlyChange 0 the width grows one code later, when the table really
  // needs the wider codes.
  const int late = early_change_ ? 0 : 1;
  uint32_t written = 0;
  int next_free = 0;
  int width = 0;
  int previous = -1;         // previous code; -1 after a reset
  uint32_t previous_at = 0;  // where the previous code's string begins
  auto reset = [&] {
    next_free = kFirstFreeCode;
    width = 9;
    previous = -1;
    std::fill(where + kFirstFreeCode, where + kTableSize, kNotInOutput);
  };
  reset();

  for (;;) {
    if (written == room_total)
      return {written, LzwStop::kOutputFull};
    int code;
    if (!reader.Read(width, &code))
      return {written, LzwStop::kDataEnded};
    if (code >= kClearCode) {
      if (code == kEndCode)
        return {written, LzwStop::kEndCode};
      if (code == kClearCode) {
        reset();
        continue;
      }
      if (code > next_free) {
        return {written, LzwStop::kInvalidCode};
      }
    }

    // The code being defined right now: the previous string followed by its own
    // first byte.
    const bool defining_itself = code == next_free;
    // Once all 4096 entries are defined, no further entry is added and the
    // codes stay 12 bits wide until a clear code.
    if (previous >= 0 && next_free < kTableSize) {
      const Entry& p = table[previous];
      Entry& e = table[next_free];
      e.prefix = static_cast<uint16_t>(previous);
      e.first = p.first;
      e.length = static_cast<uint16_t>(p.length + 1);
      e.last = defining_itself ? p.first : table[code].first;
      // A previous code equal to the entry being defined (a stale entry read
      // straight after a clear) makes the entry its own prefix: leave it to the walk.
      where[next_free] = previous < next_free ? previous_at : kNotInOutput;
      ++next_free;
      if (next_free == 511 + late) {
        width = 10;
      } else if (next_free == 1023 + late) {
        width = 11;
      } else if (next_free == 2047 + late) {
        width = 12;
      }
    }

    const uint32_t len = table[code].length;
    if (len == 0) {
      return {written, LzwStop::kWrongLength};
    }
    const uint32_t room = room_total - written;
    const uint32_t n = len < room ? len : room;  // only the leading part that fits
    uint8_t* dst = out + written;
    const uint32_t at = code < 256 ? 0 : where[code];
    if (at == kNotInOutput) {
      // Walk the links from the string's end; the tail that does not fit is
      // skipped, not written. Consistent links end exactly at the first byte;
      // links that go on (a stale entry that became its own prefix) or, in
      // principle, end early mean the table is inconsistent.
      uint16_t link = static_cast<uint16_t>(code);
      uint32_t i = len;
      for (; i > n && link != kNoPrefix; --i)
        link = table[link].prefix;
      for (; i > 0 && link != kNoPrefix; --i) {
        dst[i - 1] = table[link].last;
        link = table[link].prefix;
      }
      if (i != 0 || link != kNoPrefix) {
        return {written, LzwStop::kLoop};
      }
      if (n == len && code < next_free)
        where[code] = written;
    } else {
      const uint8_t* src = code < 256 ? kSingleBytes.bytes + code : out + at;
      if (defining_itself) {
        // The source ends where this string begins; its last byte repeats the first.
        if (len <= 8 && room >= 8) {
          const uint64_t word = Load64(src);
          const uint64_t last = (word & 0xFF) << (8 * (len - 1));
          StoreBytes(dst, (word & ByteMask(len - 1)) | last, len);
        } else {
          std::memcpy(dst, src, n < len ? n : len - 1);
          if (n == len)
            dst[len - 1] = src[0];
        }
      } else if (len <= kShortString && room >= kShortString) {
        CopyShort(dst, src, len);
      } else {
        std::memcpy(dst, src, n);
      }
    }
    if (n < len)
      return {room_total, LzwStop::kOutputFull};
    previous = code;
    previous_at = written;
    written += len;
  }
}

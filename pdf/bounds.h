// Every bound that the contents of a file can drive, in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pdf {

// A number token is converted from at most this many of its bytes; a longer
// token is no longer a plausible PDF number.
inline constexpr int kMaxNumberText = 31;

// Arrays and dictionaries nested deeper than this end the parse; real files
// nest a handful of levels, and each level costs stack.
inline constexpr int kMaxNesting = 512;

// A stream Length that is a reference loads another object in the middle of a
// parse; chains of such loads deeper than this yield the null object.
inline constexpr int kMaxNestedLoads = 16;

// The writer's page count walks the page tree by recursion; real trees are a
// handful of levels deep, and anything below this depth is not counted.
inline constexpr int kMaxPageTreeDepth = 256;

// The writer reports in-use entries that have no offset at most this many times
// per section: a damaged table may hold millions of them.
inline constexpr int kMaxOffsetWarnings = 16;

// The document's reports are cut to 511 characters.
inline constexpr int kReportSize = 512;

// ---- Modern mode -----------------------------------------------------------

// Object numbers above this are not stored: the standard's own implementation
// limit, and the bound on a table that a hostile file could make huge.
inline constexpr int32_t kMaxObjectNumber = 8388607;

// Why a section listing numbers from `start` on, `count` of them, is refused,
// when it is the limit: said after the numbers.
inline std::string BeyondObjectLimit(int64_t start, int64_t count) {
  return start >= 0 && count >= 0
             ? ", past the limit of " + std::to_string(kMaxObjectNumber) + " object numbers"
             : std::string();
}

// A field of a cross-reference stream entry (W) is at most this many bytes:
// offsets and numbers beyond 64 bits mean nothing.
inline constexpr int kMaxXRefFieldWidth = 8;

// A cross-reference stream decodes to at most this many bytes: enough for
// kMaxObjectNumber entries of the widest plausible W, and a stop for bombs.
inline constexpr size_t kMaxXRefStreamBytes = 256u << 20;

// An object stream decodes to at most this many bytes; beyond it the stream is
// treated as a decompression bomb.
inline constexpr size_t kMaxObjectStreamBytes = 256u << 20;

// An object stream lists at most this many objects (N).
inline constexpr int32_t kMaxObjectStreamObjects = 1 << 20;

// Extends chains of object streams are followed this deep at most.
inline constexpr int kMaxExtendsDepth = 32;

// A cross-reference section chain (Prev, XRefStm) longer than this ends there;
// real files carry a few dozen incremental updates at most.
inline constexpr int kMaxSections = 4096;

// An in-use entry whose offset misses its object's header is looked for this
// many bytes either side (producers that miscount line ends).
inline constexpr int kNearMissWindow = 64;

// startxref that points a few bytes off its section is looked for this many
// bytes either side.
inline constexpr int kStartxrefSlack = 64;

// The end marker and startxref are looked for in this many bytes at the end of
// the file, where the written rules look in 1024.
inline constexpr int64_t kModernTailWindow = 1 << 20;

// The header may follow this many bytes of leading junk.
inline constexpr int64_t kModernHeaderWindow = 1024;

}  // namespace pdf

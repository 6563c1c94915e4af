// What modern mode shows of a stream's data below its entries: the decoded
// contents as text up to a bound, or as a hex dump when they are not text,
// with a line saying where they were cut and a line for any decoding problem,
// never a silent blank.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace pdf {
class Dictionary;
}  // namespace pdf

// The pane shows this many characters of a stream's contents at most.
inline constexpr size_t kContentsTextBound = size_t{1} << 20;
// Streams are decoded up to this many bytes to tell how large they are; past
// it the contents are shown as far as they went.
inline constexpr size_t kContentsDecodeBound = size_t{64} << 20;

std::string DescribeStreamContents(pdf::Dictionary* stream);

// True when the bytes read as text: no NUL, and control bytes other than white
// space in at most one byte of 64 of a sample from the start.
bool LooksLikeText(std::span<const uint8_t> bytes);

// "00000000  25 50 44 46 ...  |%PDF...|" lines of 16 bytes, at most
// `max_bytes` of them.
std::string HexDump(std::span<const uint8_t> bytes, size_t max_bytes);

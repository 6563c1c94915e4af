// What modern mode shows of a stream's data below its entries: the decoded
// contents as text up to a bound, or as a hex dump when they are not text,
// with a line saying where they were cut and a line for any decoding problem,
// never a silent blank.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "pdf/open_options.h"

namespace pdf {
class Dictionary;
}  // namespace pdf

// The pane shows this many characters of a stream's contents unless the
// document's options say otherwise.
inline constexpr size_t kContentsTextBound = pdf::kDefaultContentsTextBound;
// Streams are decoded up to this many bytes (or the text bound, when larger)
// to tell how large they are; past it the contents are shown as far as they went.
inline constexpr size_t kContentsDecodeBound = size_t{64} << 20;

// The contents, `text_bound` characters of them at most.
std::string DescribeStreamContents(pdf::Dictionary* stream, size_t text_bound = kContentsTextBound);

// True when the bytes read as text: no NUL, and control bytes other than white
// space in at most one byte of 64 of a sample from the start.
bool LooksLikeText(std::span<const uint8_t> bytes);

// "00000000  25 50 44 46 ...  |%PDF...|" lines of 16 bytes, at most
// `max_bytes` of them.
std::string HexDump(std::span<const uint8_t> bytes, size_t max_bytes);

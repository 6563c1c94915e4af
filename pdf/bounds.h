// Every bound that the contents of a file can drive, in one place.
#pragma once

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

}  // namespace pdf

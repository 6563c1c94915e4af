// Files made with the PDF builder for the malformed-file tests and as fuzzing
// seeds: one rich, valid sample, and the shapes that damaged and hostile files
// take (deep nesting, Prev loops, Lengths that refer to themselves, offsets past
// the end, absurd image sizes).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A valid two-section file: catalog, page tree, Info and ID, a Flate and an LZW
// content stream, and one image stream of each kind the viewer converts (with
// the indexed image's lookup stream), then an update that replaces Info.
std::string RichSamplePdf();

// Byte ranges [begin, end) of the stream data in a file the builder wrote.
struct ByteRange {
  size_t begin = 0;
  size_t end = 0;
};
std::vector<ByteRange> StreamDataRanges(const std::string& pdf);

// `depth` copies of `opener` ("[" or "<<") as the catalog's body.
std::string NestedObjectPdf(const std::string& opener, int depth);
// The same nesting as a value in the trailer dictionary.
std::string NestedTrailerPdf(const std::string& opener, int depth);

// Two sections whose trailers name each other as Prev; with `self_loop` the
// newest names itself instead.
std::string PrevLoopPdf(bool self_loop);

// The content stream's Length is a reference to the stream itself.
std::string SelfLengthPdf();
// Two content streams whose Lengths refer to each other.
std::string MutualLengthPdf();
// `count` streams, each one's Length a reference to the next, the last one's to
// the first: a cycle longer than any nesting of loads allowed.
std::string LengthChainPdf(int count);

// Cross-reference entries whose offsets lie at and past the end of the file, or
// are negative, for the catalog, the page tree root and the content stream.
std::string PastEndXrefPdf();
// An entry whose offset field does not fit 32 bits: the section cannot be read.
std::string HugeOffsetXrefPdf();

// The page's image streams (each kind of decoder) with Width, or Height, 2^31 or
// -2^31, and with no columns but 2^31 rows.
std::string HugeImagePdf();

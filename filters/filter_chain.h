// Whole-stream decoding through every filter of a stream, for the readers of
// cross-reference streams and object streams and any view that needs all of a
// stream's data. The PDF core receives DecodeStreamFully by injection, as it
// cannot depend on the filters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pdf {
class Dictionary;
}  // namespace pdf

// Decodes the whole data of a stream through every stage of its Filter (a name
// or an array of names) with the matching DecodeParms (a dictionary, an array
// with null entries meaning none, or absent). Stages: none (the bytes as they
// are), FlateDecode and LZWDecode, each followed by the predictor of its
// DecodeParms, ASCIIHexDecode, ASCII85Decode, RunLengthDecode, CCITTFaxDecode
// (packed rows of 1-bit pixels, as filter_stage.h says), and Crypt with the
// Identity filter.
//
// True: `out` holds usable bytes. `error` is then empty, or a warning about
// data that were not quite right but still gave what is in `out`: a Flate,
// LZW or fax stream that stops before its end marker, or is damaged after some
// output (the bytes before the damage are kept; fax rows damaged within
// DamagedRowsBeforeError are replaced), or PNG predictor rows of an unknown type.
//
// False: a stage failed or its output would exceed `limit` bytes (decompression
// bombs); `error` says why, and `out` holds the output of the stages that had
// completed before the failing one (empty when the first stage failed). No
// stage ever holds more than `limit` + 1 bytes of output.
bool DecodeStreamFully(pdf::Dictionary* stream, size_t limit, std::vector<uint8_t>* out,
                       std::string* error);

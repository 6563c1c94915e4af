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
class Object;
}  // namespace pdf

// Decodes the whole data of a stream through every stage of its Filter (a name
// or an array of names) with the matching DecodeParms (a dictionary, an array
// with null entries meaning none, or absent). Stages: none (the bytes as they
// are), FlateDecode and LZWDecode, each followed by the predictor of its
// DecodeParms, ASCIIHexDecode, ASCII85Decode, RunLengthDecode, DCTDecode and
// JPXDecode (their samples, 8 bits each, interleaved), JBIG2Decode (with its
// JBIG2Globals), CCITTFaxDecode (packed rows of 1-bit pixels, as
// filter_stage.h says), and Crypt with the Identity filter.
//
// True: `out` holds usable bytes. `error` is then empty, or a warning about
// data that were not quite right but still gave what is in `out`: a Flate,
// LZW or fax stream that stops before its end marker, or is damaged after some
// output (the bytes before the damage are kept; fax rows damaged within
// DamagedRowsBeforeError are replaced), JPEG or JPEG 2000 data cut short, a
// JBIG2 page whose end is missing or whose later segments are damaged, or PNG
// predictor rows of an unknown type.
//
// False: a stage failed or its output would exceed `limit` bytes (decompression
// bombs); `error` says why, and `out` holds the output of the stages that had
// completed before the failing one (empty when the first stage failed). No
// stage ever holds more than `limit` + 1 bytes of output.
bool DecodeStreamFully(pdf::Dictionary* stream, size_t limit, std::vector<uint8_t>* out,
                       std::string* error);

// The same for every stage but the last, which an image decoder runs itself
// (to decode at a reduced size): `last_filter` and `last_parms` receive that
// stage's filter name and DecodeParms (null pointers when there are no stages;
// the parameters may be null). With one stage, `out` receives the raw data.
bool DecodeStreamBeforeLast(pdf::Dictionary* stream, size_t limit, std::vector<uint8_t>* out,
                            std::string* error, pdf::Object** last_filter,
                            pdf::Object** last_parms);

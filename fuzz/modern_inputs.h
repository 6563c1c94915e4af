// The files that the modern-mode fuzz targets build around their inputs. The
// seed writer uses the same layouts, so that its seeds name the objects the
// files really hold: a seed is an input, not a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// ---- xref_stream_fuzzer ------------------------------------------------------
// Input: a flags byte (kXRef*), the widths byte (W[0] in bits 0-1, W[1] in bits
// 2-4, W[2] in bits 5-7), Size, then the start and count of Index; the rest is
// the stream's data before its filters (with the PNG predictor: rows of a tag
// byte and one entry each). Objects 1 to 6 and 8 always stand at the same
// offsets before the stream, which is object 7 at the startxref offset.
inline constexpr size_t kXRefStreamHeaderBytes = 5;
enum XRefStreamFlags : uint8_t {
  kXRefFlate = 1,    // the data Flate-compressed
  kXRefPng = 2,      // DecodeParms with Predictor 12 and Columns the entry size
  kXRefIndex = 4,    // an Index array with the header's start and count
  kXRefHybrid = 8,   // a classic section after the stream names it in XRefStm
  kXRefPrev = 16,    // the stream's Prev names the classic section before it
  kXRefNoRoot = 32,  // the stream's dictionary names no Root
};
inline constexpr int kXRefStreamObject = 7;
// The file's objects before the stream: offsets by number (0 for none), up to
// and including object 8; objects 6 and 8 are compressed in object stream 5
// at positions 0 and 1.
std::vector<int32_t> XRefStreamObjectOffsets();
std::string XRefStreamFile(std::span<const uint8_t> input);

// ---- object_stream_fuzzer ----------------------------------------------------
// Input: N, First as two bytes (big-endian), a flags byte (kObjStm*), then the
// decoded data of object stream 10. The cross-reference stream puts objects 1
// to 9 at positions 0 to 8 of stream 10; object 5 really lives in stream 11,
// which stream 10 may extend.
inline constexpr size_t kObjectStreamHeaderBytes = 4;
enum ObjectStreamFlags : uint8_t {
  kObjStmFlate = 1,
  kObjStmExtendsMask = 6,  // 0 none, 2 stream 11, 4 itself, 6 stream 11 extending 10 back
  kObjStmExtendsOther = 2,
  kObjStmExtendsSelf = 4,
  kObjStmExtendsCycle = 6,
  kObjStmNoType = 8,      // stream 10 without Type
  kObjStmLengthRef = 16,  // stream 10's Length a reference to an object in stream 10
};
std::string ObjectStreamFile(std::span<const uint8_t> input);

// ---- security_handler_fuzzer -------------------------------------------------
// Input: the lengths of the password and of the first ID string (a byte each),
// the length of the Encrypt dictionary's text (two bytes, big-endian), then
// the password, the ID, the dictionary's text, and the rest the enciphered
// data of the page's content stream. Lengths beyond the input are cut to it;
// an empty ID leaves the trailer without one. The objects are numbered as
// qpdf numbers them when it encrypts SecurityHandlerPlainFile(), so that seeds
// can carry the content stream qpdf enciphered.
inline constexpr size_t kSecurityHeaderBytes = 4;
inline constexpr int kSecurityContentObject = 6;
struct SecurityInput {
  std::string password;
  std::string id;
  std::string encrypt;
  std::string content;
};
SecurityInput SplitSecurityInput(std::span<const uint8_t> input);
std::string JoinSecurityInput(const SecurityInput& parts);
// The file around the parts: the Encrypt dictionary object last, after the
// catalog, Info, metadata, page tree, page, content stream and a form whose
// Crypt filter names Identity.
std::string SecurityHandlerFile(const SecurityInput& parts);
// The same objects in clear, without Encrypt, for qpdf to encrypt; the
// content stream holds `content`.
std::string SecurityHandlerPlainFile(const std::string& content);

// ---- color_function_fuzzer --------------------------------------------------
// Input: the lengths of object 1's text and of object 2's dictionary entries
// (two bytes each, big-endian), the two texts, then the rest object 2's
// stream data. Lengths beyond the input are cut to it. Object 3 is the
// catalog, 4 its empty page tree.
inline constexpr size_t kColorFunctionHeaderBytes = 4;
struct ColorFunctionInput {
  std::string object;   // object 1: a colour space or a function
  std::string entries;  // object 2's dictionary entries but Length
  std::string data;     // object 2's stream data
};
ColorFunctionInput SplitColorFunctionInput(std::span<const uint8_t> input);
std::string JoinColorFunctionInput(const ColorFunctionInput& parts);
std::string ColorFunctionFile(std::span<const uint8_t> input);

// zlib at a fast level; the empty text when zlib fails.
std::string DeflateFast(std::span<const uint8_t> data);

// A small JBIG2 writer for tests: embedded segment streams (as PDF's
// JBIG2Decode holds them) and standalone files of the same segments, with
// generic regions coded by MMR (libtiff's Group 4 encoder) or by the
// arithmetic coder (template 0, its usual adaptive pixels), and a symbol
// dictionary with a text region placing its symbols.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tests/support/synthetic_data.h"

enum class Jbig2Coding { kMmr, kArithmetic };

// One symbol of a text region: the dictionary's symbol `id` with its top-left
// pixel at (x, y). Symbols of one row share y and go left to right.
struct Jbig2Glyph {
  int id;
  int x;
  int y;
};

// Segments in order, numbered from `first_number`; page segments belong to page 1,
// dictionaries to no page (for a globals stream).
class Jbig2Stream {
 public:
  explicit Jbig2Stream(uint32_t first_number = 0) : next_number_(first_number) {}

  // A segment of any type with the given data; returns its number.
  uint32_t Segment(uint8_t type, uint32_t page, std::span<const uint8_t> data,
                   const std::vector<uint32_t>& refers_to = {});
  uint32_t PageInformation(uint32_t width, uint32_t height);
  // An immediate generic region holding `picture` at (x, y) on the page.
  uint32_t GenericRegion(const Bilevel& picture, uint32_t x, uint32_t y, Jbig2Coding coding);
  // A symbol dictionary exporting `symbols` (all of one height), arithmetic
  // coded; page 0, so it can go in a globals stream.
  uint32_t SymbolDictionary(const std::vector<Bilevel>& symbols);
  // A hostile symbol dictionary: it declares `symbols` new symbols, and its
  // data hold `classes` height classes of none.
  uint32_t EmptyHeightClasses(uint32_t symbols, int classes);
  // A text region of `width` by `height` at the page's origin placing the
  // `symbols` of `dictionary`, which exports exactly those.
  uint32_t TextRegion(uint32_t dictionary, const std::vector<Bilevel>& symbols, uint32_t width,
                      uint32_t height, const std::vector<Jbig2Glyph>& glyphs);
  uint32_t EndOfPage();

  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  uint32_t next_number_;
  std::vector<uint8_t> bytes_;
};

// The page of `picture` in one embedded stream: page information, the picture
// in `stripes` generic regions of consecutive rows, end of page.
std::vector<uint8_t> Jbig2EmbeddedPage(const Bilevel& picture, Jbig2Coding coding, int stripes = 1);

// A standalone file (sequential, one page) of the globals' segments then the
// page's, as the command-line decoder reads them.
std::vector<uint8_t> Jbig2File(std::span<const uint8_t> globals, std::span<const uint8_t> page);

// The MQ arithmetic encoder, with one adaptive state per context.
class MqEncoder {
 public:
  explicit MqEncoder(size_t contexts);
  void Encode(size_t context, int bit);
  // Flushes and ends the data with the 0xFF 0xAC marker.
  std::vector<uint8_t> Finish();
  // Integers as the arithmetic integer decoder reads them, in a set of 512
  // contexts from `base`; `oob` encodes the out-of-band value.
  void EncodeInteger(size_t base, int value, bool oob = false);
  // `bits` bits of `value`, as the symbol ID decoder reads them, in contexts from `base`.
  void EncodeSymbolId(size_t base, uint32_t value, int bits);

 private:
  void RenormE();
  void ByteOut();
  void Emit();

  std::vector<uint8_t> index_;  // state index per context
  std::vector<uint8_t> mps_;
  std::vector<uint8_t> out_;
  uint32_t a_ = 0x8000;
  uint32_t c_ = 0;
  int ct_ = 12;
  int b_ = 0;
  bool started_ = false;  // the byte before the first is not written
};

// Codes `picture` as a generic region of template 0 with its usual adaptive
// pixels and no typical prediction, in the contexts [0, 65536) of `encoder`.
void Jbig2EncodeGeneric(const Bilevel& picture, MqEncoder* encoder);

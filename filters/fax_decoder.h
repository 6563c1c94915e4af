// Decoder for CCITTFaxDecode data: Group 3 one-dimensional, Group 3
// two-dimensional (lines of both kinds, each announced by a tag bit) and Group 4,
// into the rows of a 1-bit bitmap with black pixels as 1 bits.
#pragma once

#include <cstdint>
#include <memory>

#include "dib/dib.h"
#include "filters/fax_bit_reader.h"

// After this many damaged-line messages ("Bad code word", "Uncompressed data")
// for one image, the user has seen
// that it is damaged; further ones go to the trace sink only.
inline constexpr int kMaxBadCodeMessages = 5;
// Far wider than any scanned line (88 m at 300 dpi); keeps the run arrays and
// the position arithmetic small. Wider bitmaps are refused as out of memory.
inline constexpr int kMaxFaxLineWidth = 1 << 20;

// Decodes `data` into `bmi`'s rows from the top row of the picture down, one
// line per row; the line width is the bitmap's width. K < 0 selects Group 4,
// K = 0 Group 3 one-dimensional, K > 0 Group 3 two-dimensional. Problems go to
// the error and trace sinks; the result is always true.
bool CcittDecode(const uint8_t* data, int length, BITMAPINFOHEADER* bmi, int k);

// The decoding state of one image, carried from row to row.
class CcittDecoder {
 public:
  CcittDecoder(const uint8_t* data, int length, BITMAPINFOHEADER* bmi);
  void Decode(int k);

 private:
  enum class LineEnd { kComplete, kEol, kBad, kUncompressed, kEof, kEofInSync };

  // The line being decoded: its runs (white first), their count, the position
  // a0 (the sum of the runs plus the pending part) and the pending length of a
  // run not yet recorded (make-up codes, pass modes).
  struct Line {
    uint32_t* runs;
    int count;
    int a0;
    int pending;
  };

  bool Synchronise();
  LineEnd DecodeOneDimensional(Line& line);
  LineEnd DecodeTwoDimensional(Line& line);
  void CleanUp(Line& line);
  void BadCodeWord(int a0);
  // A damaged line's message: the first few of an image reach the error sink,
  // the rest only the trace sink, so one image cannot flood the user.
  void LineError(const char* format, int a0) __attribute__((format(printf, 2, 0)));

  BITMAPINFOHEADER* bmi_;
  FaxBitReader reader_;
  int width_ = 0;
  bool eol_ = false;  // the previous line ended with an end-of-line code
  int bad_code_words_ = 0;

  // Both line roles share one allocation; the current line and the reference
  // line trade places after every two-dimensionally decoded line.
  std::unique_ptr<uint32_t[]> run_store_;
  std::unique_ptr<uint64_t[]> fill_words_;  // scratch for filling a row
  uint32_t* current_ = nullptr;
  uint32_t* reference_ = nullptr;
  // A line stops recording runs beyond this count; the entries after it keep
  // room for the clean-up and the reference line's closing zero runs.
  int run_limit_ = 0;
};

// Decoder for CCITTFaxDecode data: Group 3 one-dimensional, Group 3
// two-dimensional (lines of both kinds, each announced by a tag bit) and Group 4,
// with black pixels as 1 bits. Classic mode decodes into the rows of a 1-bit
// bitmap (CcittDecode); modern mode asks for one row at a time into its own
// buffer (CcittDecoder::NextRow), with the line framing of the filter's
// DecodeParms.
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

// How the decoder reads the data. The defaults are classic mode's, so a
// decoder made without options behaves as it always has.
struct FaxDecodeOptions {
  // Row by row only (classic mode passes K to Decode): below 0 Group 4, 0 Group
  // 3 one-dimensional, above 0 Group 3 two-dimensional.
  int k = 0;
  // Row by row only, the framing of the lines (see NextRow): EncodedByteAlign,
  // EndOfLine and EndOfBlock.
  bool byte_align = false;
  bool end_of_line = false;
  bool end_of_block = true;
  // The uncompressed mode of T.4 and T.6: true decodes its literal pixels;
  // false reports "Uncompressed data (not supported)" and leaves the rest of the
  // line white.
  bool uncompressed = false;
  // True: problems go to the error and trace sinks. False: nothing is said;
  // each row's problems come back with the row.
  bool report = true;
};

// What went wrong in a row.
enum class FaxProblem : uint8_t {
  kNone,
  kBadCode,      // no code word fits the bits at x
  kWrongLength,  // the codes give x pixels, not the line width
};

// How NextRow ended.
enum class FaxRowEnd : uint8_t {
  kRow,         // a row was decoded into the caller's buffer
  kEndOfBlock,  // an end-of-block mark (EOFB, RTC) where a row would begin
  kDataEnd,     // the data end (or only zero bits are left) where a row would begin
};

struct FaxRow {
  FaxRowEnd end = FaxRowEnd::kRow;
  // The data end inside the row; the rest of it is white.
  bool truncated = false;
  // The first problem of the row, and the position it was found at.
  FaxProblem problem = FaxProblem::kNone;
  int x = 0;
  // The row read some of the data: a row that read none leaves the decoder
  // where it was, so the next one would find the same.
  bool progressed = false;
};

// Decodes `data` into `bmi`'s rows from the top row of the picture down, one
// line per row; the line width is the bitmap's width. K < 0 selects Group 4,
// K = 0 Group 3 one-dimensional, K > 0 Group 3 two-dimensional. Problems go to
// the error and trace sinks; the result is always true.
bool CcittDecode(const uint8_t* data, int length, BITMAPINFOHEADER* bmi, int k);

// The decoding state of one image, carried from row to row.
class CcittDecoder {
 public:
  // Classic mode: Decode(k) fills the rows of `bmi`.
  CcittDecoder(const uint8_t* data, int length, BITMAPINFOHEADER* bmi,
               const FaxDecodeOptions& options = {});
  void Decode(int k);

  // Row by row: Start once, then NextRow until it gives no row.
  CcittDecoder(const uint8_t* data, int length, const FaxDecodeOptions& options);
  // Prepares lines of `width` pixels; false when the width is not within 1 to
  // kMaxFaxLineWidth or the memory is not there.
  bool Start(int width);
  // Decodes the next line into `row` ((width + 7) / 8 bytes): black as 1 bits
  // from the most significant bit, exactly `width` bits written. The framing:
  // - every line may follow an end-of-line code (EOL), with zero fill bits
  //   before it; lines without one are read as they come. EOL codes frame the
  //   lines when end_of_line says so or an EOL comes before the first line;
  // - byte_align: a line with no EOL before it begins at a byte boundary.
  //   Where EOLs frame the lines, or K > 0, the fill before an EOL may end it
  //   at a byte boundary (T.4's fill bits). Otherwise (K <= 0) an EOL counts
  //   only where it begins at a boundary, as nothing else tells it from a line
  //   whose first code begins with zeros; EOFB may also begin where the last
  //   line ended;
  // - end_of_block: two EOLs in a row (EOFB, or RTC's six) end the data;
  //   otherwise they are skipped and only the end of the data ends it;
  // - K >= 0 with EOLs framing the lines: after a damaged line, the next line
  //   is the one after the next EOL (T.4's resynchronisation); otherwise
  //   decoding goes on where the damage stopped it.
  FaxRow NextRow(uint8_t* row);

  // Bits of the data not read yet.
  uint64_t BitsLeft() const { return reader_.BitsLeft(); }

 private:
  enum class LineEnd { kComplete, kEol, kBad, kUncompressed, kEof, kEofInSync };
  enum class EolScan { kNone, kEol, kDataEnd };

  // The line being decoded: its runs (white first), their count, the position
  // a0 (the sum of the runs plus the pending part) and the pending length of a
  // run not yet recorded (make-up codes, pass modes).
  struct Line {
    uint32_t* runs;
    int count;
    int a0;
    int pending;
  };

  bool Allocate(bool two_dimensional);
  bool Synchronise();
  // Row by row: the framing before a line (see NextRow). kRow: a line follows,
  // `one_dimensional` tells its kind.
  FaxRowEnd StartLine(bool* one_dimensional);
  EolScan ScanEol();
  bool SearchEol();
  bool EndOfBlockAhead();
  LineEnd DecodeOneDimensional(Line& line);
  LineEnd DecodeTwoDimensional(Line& line);
  void CleanUp(Line& line);
  // Packs the line into `pixels` (when there are any) and makes it the
  // reference line of the next.
  void Finish(Line& line, uint8_t* pixels);
  void BadCodeWord(int a0);
  // A damaged line's message: the first few of an image reach the error sink,
  // the rest only the trace sink, so one image cannot flood the user.
  void LineError(const char* format, int a0) __attribute__((format(printf, 2, 0)));
  void NoteProblem(FaxProblem problem, int x);

  BITMAPINFOHEADER* bmi_ = nullptr;
  FaxDecodeOptions options_;
  FaxBitReader reader_;
  int width_ = 0;
  bool two_dimensional_ = false;
  bool eol_ = false;     // the eleven zeros of an end-of-line code are read, not its 1
  bool resync_ = false;  // row by row: look for the next EOL before the next line
  bool first_line_ = true;
  bool eols_seen_ = false;  // row by row: an EOL code came before the first line
  int bad_code_words_ = 0;
  FaxProblem problem_ = FaxProblem::kNone;  // the row's first problem
  int problem_x_ = 0;

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

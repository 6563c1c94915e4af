#include "filters/fax_decoder.h"

#include <algorithm>
#include <new>

#include "diag/messages.h"
#include "filters/fax_row_fill.h"
#include "filters/fax_tables.h"

namespace {

// Run entries a line may need beyond the recording limit: two runs recorded by
// one code (horizontal mode), the pending run, the clean-up's zero black run and
// white padding, and the two zero runs that close a reference line.
constexpr int kRunReserve = 7;

enum class RunEnd { kRun, kEol, kBad, kEof };

// One run in one-dimensional codes: make-up codes, then a terminating code.
// Make-up codes advance a0 and the pending length together, never past
// `limit`, so that an endless row of them cannot overflow either.
template <bool kBlack>
inline RunEnd ReadRun(FaxBitReader& r, int& a0, int& pending, int limit, uint32_t* run) {
  for (;;) {
    if (r.Fill() == 0)
      return RunEnd::kEof;
    const FaxEntry e =
        kBlack ? kFaxBlackTable[r.Peek(kFaxBlackBits)] : kFaxWhiteTable[r.Peek(kFaxWhiteBits)];
    switch (e.state) {
      case FaxState::TermW:
      case FaxState::TermB:
        r.Consume(e.width);
        a0 += e.param;
        *run = static_cast<uint32_t>(pending + e.param);
        pending = 0;
        return RunEnd::kRun;
      case FaxState::MakeUpW:
      case FaxState::MakeUpB:
      case FaxState::MakeUp: {
        r.Consume(e.width);
        const int add = std::min<int>(e.param, std::max(0, limit - a0));
        a0 += add;
        pending += add;
        break;
      }
      case FaxState::EOL:
        r.Consume(e.width);
        return RunEnd::kEol;
      default:  // no code word of this colour
        return RunEnd::kBad;
    }
  }
}

enum class Uncompressed { kExit, kBad, kEof };

// The entrance codes of uncompressed mode (ITU-T T.4 table 5): in a
// one-dimensional line where a run code would come, 000000001111; in a
// two-dimensional line the extension code 0000001 with the value 111.
constexpr uint32_t kUncompressedEntry1D = 0b000000001111;
constexpr int kUncompressedEntry1DBits = 12;
constexpr uint32_t kUncompressedEntry2D = 0b0000001111;
constexpr int kUncompressedEntry2DBits = 10;
// A code of uncompressed mode gives at most five pixels; a line that runs on
// further past its width is damaged.
constexpr int kUncompressedOvershoot = 8;

// Adds `n` pixels of one colour to the line: the pending run grows, or is
// recorded first when it has the other colour.
inline void AddPixels(uint32_t* runs, int& count, int& pending, int& a0, bool black, int n) {
  if (n == 0)
    return;
  if (((count & 1) != 0) != black) {
    runs[count++] = static_cast<uint32_t>(pending);
    pending = 0;
  }
  pending += n;
  a0 += n;
}

// Uncompressed mode after its entrance code, up to its exit code (T.4 table 5,
// used by T.6 as well). Each code word is some zeros and a 1:
//   1, 01, 001, 0001, 00001   that many white pixels, then one black pixel
//   000001                    five white pixels
//   0000001T ... 00000000001T exit after 0 to 4 white pixels; the tag bit T is
//                             the colour of the next run (1 black)
// More zeros than that is no code. Each code adds at most two runs and the exit
// one more; `run_limit` keeps them within the line's reserve.
inline Uncompressed ReadUncompressed(FaxBitReader& r, uint32_t* runs, int& count, int& a0,
                                     int& pending, int width, int run_limit) {
  for (;;) {
    if (count > run_limit || a0 > width + kUncompressedOvershoot)
      return Uncompressed::kBad;
    const int held = r.Fill();
    if (held == 0)
      return Uncompressed::kEof;
    const int zeros = r.LeadingZeros();
    if (zeros >= held && held < 32)
      return Uncompressed::kEof;  // the data end among the zeros
    if (zeros > 10)
      return Uncompressed::kBad;
    r.Consume(zeros + 1);
    if (zeros < 5) {
      AddPixels(runs, count, pending, a0, false, zeros);
      AddPixels(runs, count, pending, a0, true, 1);
    } else if (zeros == 5) {
      AddPixels(runs, count, pending, a0, false, 5);
    } else {
      AddPixels(runs, count, pending, a0, false, zeros - 6);
      if (r.Fill() == 0)
        return Uncompressed::kEof;
      const bool black = r.Peek(1) != 0;
      r.Consume(1);
      if (((count & 1) != 0) != black) {
        runs[count++] = static_cast<uint32_t>(pending);
        pending = 0;
      }
      return Uncompressed::kExit;
    }
  }
}

// The rest of a one-dimensional line from an entrance code of uncompressed
// mode. After its exit code the next run may have either colour, so here the
// colour of each run follows the count (white at even counts), not the
// alternation of the loop that ordinary lines take.
inline RunEnd OneDimensionalFromUncompressed(FaxBitReader& r, uint32_t* runs, int& count, int& a0,
                                             int& pending, int width, int a0_limit, int run_limit) {
  for (;;) {
    r.Consume(kUncompressedEntry1DBits);
    const Uncompressed u = ReadUncompressed(r, runs, count, a0, pending, width, run_limit);
    if (u != Uncompressed::kExit)
      return u == Uncompressed::kEof ? RunEnd::kEof : RunEnd::kBad;
    for (;;) {
      if (a0 >= width)
        return RunEnd::kRun;
      if (count > run_limit)
        return RunEnd::kBad;
      uint32_t run;
      const RunEnd got = count & 1 ? ReadRun<true>(r, a0, pending, a0_limit, &run)
                                   : ReadRun<false>(r, a0, pending, a0_limit, &run);
      if (got == RunEnd::kRun) {
        runs[count++] = run;
        if ((count & 1) == 0 && run == 0 && runs[count - 2] == 0)
          count -= 2;  // an empty white run and an empty black run: nothing
        continue;
      }
      if (got == RunEnd::kBad && r.Peek(kUncompressedEntry1DBits) == kUncompressedEntry1D)
        break;  // uncompressed mode again
      return got;
    }
  }
}

}  // namespace

bool CcittDecode(const uint8_t* data, int length, BITMAPINFOHEADER* bmi, int k) {
  CcittDecoder decoder(data, length, bmi);
  decoder.Decode(k);
  return true;
}

CcittDecoder::CcittDecoder(const uint8_t* data, int length, BITMAPINFOHEADER* bmi,
                           const FaxDecodeOptions& options)
    : bmi_(bmi), options_(options), reader_(data, length) {}

CcittDecoder::CcittDecoder(const uint8_t* data, int length, const FaxDecodeOptions& options)
    : options_(options), reader_(data, length) {}

bool CcittDecoder::Allocate(bool two_dimensional) {
  // Each role gets room for twice the width (rounded up to 32) in runs: a valid
  // line needs at most one run per pixel plus a leading empty white run, and a
  // damaged one is stopped at the limit.
  two_dimensional_ = two_dimensional;
  const size_t region = width_ > kMaxFaxLineWidth
                            ? 0
                            : 2 * ((static_cast<size_t>(width_) + 31) & ~size_t{31}) + kRunReserve;
  if (region != 0) {
    run_store_.reset(new (std::nothrow) uint32_t[region * (two_dimensional ? 2 : 1)]);
    fill_words_.reset(new (std::nothrow) uint64_t[FaxFillWords(width_)]);
  }
  if (!run_store_ || !fill_words_)
    return false;
  current_ = run_store_.get();
  run_limit_ = static_cast<int>(region) - kRunReserve;
  if (two_dimensional) {
    // The line before the first: white all the way.
    reference_ = current_ + region;
    reference_[0] = static_cast<uint32_t>(width_);
    reference_[1] = 0;
    reference_[2] = 0;
  }
  return true;
}

void CcittDecoder::Decode(int k) {
  if (bmi_ == nullptr)
    return;
  if (bmi_->biBitCount != 1) {
    if (options_.report)
      ErrorMessage("Bits/sample must be 1 for Group 3/4 encoding/decoding");
    return;
  }
  width_ = bmi_->biWidth;
  const int rows = BmiHeightAbs(bmi_);
  if (width_ <= 0 || rows <= 0)
    return;  // no pixel to write
  if (!Allocate(k != 0)) {
    if (options_.report)
      ErrorMessage("Out of memory");
    return;
  }

  for (int row = 0; row < rows; ++row) {
    Line line{current_, 0, 0, 0};
    LineEnd end;
    if (k < 0) {
      end = DecodeTwoDimensional(line);
    } else if (!Synchronise()) {
      end = LineEnd::kEofInSync;  // a0 = 0: the clean-up pads the row white
    } else if (k == 0) {
      end = DecodeOneDimensional(line);
    } else if (reader_.Fill() == 0) {
      end = LineEnd::kEof;
    } else {
      const bool one_dimensional = reader_.Peek(1) != 0;  // the tag bit
      reader_.Consume(1);
      end = one_dimensional ? DecodeOneDimensional(line) : DecodeTwoDimensional(line);
    }
    if (end == LineEnd::kEof && options_.report)
      TraceMessage("Premature EOF (x %lu)", static_cast<unsigned long>(line.a0));
    CleanUp(line);
    Finish(line, BmiRowPtr(bmi_, row));
    if (k < 0) {
      // The end-of-block mark (or the end of the data) ends the image: the rest
      // of the mark and anything after it is not read, so every remaining row
      // finds no data and is padded white.
      if (end == LineEnd::kEol || end == LineEnd::kEof)
        reader_.Finish();
    } else if (end == LineEnd::kEof || end == LineEnd::kEofInSync) {
      break;  // Group 3 stops; rows not reached are left as they are
    }
  }
}

bool CcittDecoder::Start(int width) {
  if (width <= 0 || width > kMaxFaxLineWidth)
    return false;
  width_ = width;
  return Allocate(options_.k != 0);
}

FaxRow CcittDecoder::NextRow(uint8_t* row) {
  FaxRow result;
  if (!run_store_) {
    result.end = FaxRowEnd::kDataEnd;
    return result;
  }
  const uint64_t before = reader_.BitsLeft();
  problem_ = FaxProblem::kNone;
  problem_x_ = 0;
  bool one_dimensional = false;
  result.end = StartLine(&one_dimensional);
  if (result.end == FaxRowEnd::kRow) {
    Line line{current_, 0, 0, 0};
    const LineEnd end = one_dimensional ? DecodeOneDimensional(line) : DecodeTwoDimensional(line);
    CleanUp(line);
    Finish(line, row);
    // Past the end of the data the reader sees zero bits, which a line cut
    // short reads as an EOL code: a damaged line that used up the data was cut.
    result.truncated =
        end == LineEnd::kEof || (problem_ != FaxProblem::kNone && reader_.BitsLeft() == 0);
    result.problem = problem_;
    result.x = problem_x_;
    // A damaged line that did not end at an end-of-line code leaves the reader
    // somewhere inside the codes; where EOL codes frame the lines, the next
    // line is the one after the next of them.
    resync_ = problem_ != FaxProblem::kNone && !result.truncated && !eol_ && options_.k >= 0 &&
              (options_.end_of_line || eols_seen_);
  }
  result.progressed = reader_.BitsLeft() < before;
  return result;
}

FaxRowEnd CcittDecoder::StartLine(bool* one_dimensional) {
  FaxBitReader& r = reader_;
  const int k = options_.k;
  *one_dimensional = k == 0;
  const bool first = first_line_;
  first_line_ = false;
  // Byte-aligned lines that no EOL codes frame begin at the next byte boundary,
  // after the fill bits that end the previous line; only an end-of-block mark
  // may begin before it, right where that line ended.
  const bool align_first =
      options_.byte_align && !eol_ && k <= 0 && !first && !options_.end_of_line && !eols_seen_;
  if (align_first) {
    if (options_.end_of_block && EndOfBlockAhead()) {
      r.Finish();
      return FaxRowEnd::kEndOfBlock;
    }
    r.AlignToByte();
  }
  if (resync_) {
    resync_ = false;
    if (!SearchEol())
      return FaxRowEnd::kDataEnd;
  }
  int eols = 0;
  bool aligned = align_first;
  for (;;) {
    const EolScan scan = ScanEol();
    if (scan == EolScan::kDataEnd) {
      return eols >= 2 && options_.end_of_block ? FaxRowEnd::kEndOfBlock : FaxRowEnd::kDataEnd;
    }
    if (scan == EolScan::kEol) {
      ++eols;
      // With K > 0 each EOL has a tag bit; RTC is six of EOL + 1, so a tag bit
      // with another EOL after it belongs to the mark.
      if (k > 0 && r.Fill() > 0 && r.Peek(13) == 0b1000000000001)
        r.Consume(1);
      continue;
    }
    if (eols == 0 && options_.byte_align && !aligned) {
      r.AlignToByte();  // no EOL: the line begins at the boundary
      aligned = true;
      continue;
    }
    break;
  }
  // Data whose first line follows an EOL code carry them throughout.
  if (first && eols > 0)
    eols_seen_ = true;
  if (eols >= 2 && options_.end_of_block) {
    r.Finish();
    return FaxRowEnd::kEndOfBlock;
  }
  if (k > 0) {
    if (r.Fill() == 0)
      return FaxRowEnd::kDataEnd;
    *one_dimensional = r.Peek(1) != 0;  // the tag bit
    r.Consume(1);
  }
  return FaxRowEnd::kRow;
}

CcittDecoder::EolScan CcittDecoder::ScanEol() {
  FaxBitReader& r = reader_;
  // Zeros already read: those of an EOL code that ended the previous line.
  int zeros = eol_ ? 11 : 0;
  for (;;) {
    const int held = r.Fill();
    if (held == 0)
      return EolScan::kDataEnd;
    const int lead = std::min(r.LeadingZeros(), held);
    if (lead == held) {
      if (held < 32) {
        r.Finish();  // nothing but zero bits to the end of the data
        return EolScan::kDataEnd;
      }
      // Thirty-two zeros and more: fill before an EOL code, or the end.
      r.Consume(held);
      zeros = 64;
      continue;
    }
    if (zeros + lead < 11)
      return EolScan::kNone;  // codes of a line: nothing was read
    r.Consume(lead + 1);
    eol_ = false;
    return EolScan::kEol;
  }
}

bool CcittDecoder::SearchEol() {
  FaxBitReader& r = reader_;
  if (eol_)
    return true;
  for (;;) {
    if (r.Fill() == 0)
      return false;
    if (r.Peek(11) == 0)
      break;
    // The first 1 bit lies within the next eleven: no EOL code begins at or
    // before it.
    r.Consume(r.LeadingZeros() + 1);
  }
  r.Consume(11);
  eol_ = true;
  return true;
}

bool CcittDecoder::EndOfBlockAhead() {
  FaxBitReader& r = reader_;
  if (r.Fill() < 24)
    return false;
  // Eleven zeros or a few more (fill bits), a 1, eleven zeros and a 1.
  const int zeros = r.LeadingZeros();
  if (zeros < 11 || zeros > 19)
    return false;
  return (r.Peek(zeros + 13) & 0x1FFF) == 0b1000000000001;
}

bool CcittDecoder::Synchronise() {
  FaxBitReader& r = reader_;
  if (!eol_) {
    // The eleven zeros of an end-of-line code, searched bit by bit.
    for (;;) {
      if (r.Fill() == 0)
        return false;
      if (r.Peek(11) == 0)
        break;
      r.Consume(1);
    }
  }
  // Fill: whole zero bytes.
  for (;;) {
    if (r.Fill() == 0)
      return false;
    if (r.Peek(8) != 0)
      break;
    r.Consume(8);
  }
  // The zeros up to and including the code's 1 bit, which lies in the next 8.
  r.Consume(r.LeadingZeros() + 1);
  eol_ = false;
  return true;
}

CcittDecoder::LineEnd CcittDecoder::DecodeOneDimensional(Line& line) {
  FaxBitReader r = reader_;
  uint32_t* const runs = line.runs;
  int count = line.count;
  int a0 = line.a0;
  int pending = line.pending;
  const int width = width_;
  const int a0_limit = width + kFaxLongestMakeUp;
  RunEnd got = RunEnd::kRun;
  const int run_limit = run_limit_;
  while (count <= run_limit) {
    uint32_t white;
    got = ReadRun<false>(r, a0, pending, a0_limit, &white);
    if (got != RunEnd::kRun)
      break;
    runs[count++] = white;
    if (a0 >= width)
      break;
    uint32_t black;
    got = ReadRun<true>(r, a0, pending, a0_limit, &black);
    if (got != RunEnd::kRun)
      break;
    runs[count++] = black;
    if (white == 0 && black == 0)
      count -= 2;
    if (a0 >= width)
      break;
  }
  if (got == RunEnd::kBad && options_.uncompressed && count <= run_limit &&
      r.Peek(kUncompressedEntry1DBits) == kUncompressedEntry1D) {
    got = OneDimensionalFromUncompressed(r, runs, count, a0, pending, width, a0_limit, run_limit);
  }
  // Each recorded pair of runs advances a0, so a line that reaches the width
  // never passes the limit: passing it means the loop stopped short, damaged.
  if (count > run_limit)
    got = RunEnd::kBad;
  reader_ = r;
  line.count = count;
  line.a0 = a0;
  line.pending = pending;
  switch (got) {
    case RunEnd::kRun:
      return LineEnd::kComplete;
    case RunEnd::kEol:
      eol_ = true;
      return LineEnd::kEol;
    case RunEnd::kEof:
      return LineEnd::kEof;
    case RunEnd::kBad:
      break;
  }
  BadCodeWord(a0);
  return LineEnd::kBad;
}

CcittDecoder::LineEnd CcittDecoder::DecodeTwoDimensional(Line& line) {
  FaxBitReader r = reader_;
  uint32_t* const runs = line.runs;
  const uint32_t* const ref = reference_;
  int count = line.count;
  int a0 = line.a0;
  int pending = line.pending;
  const int width = width_;
  const int a0_limit = width + kFaxLongestMakeUp;
  const int run_limit = run_limit_;

  // Changes on the reference line: run k starts at t (t = the sum of runs
  // 0 .. k-1). It starts white at even k and black at odd k. k is kept at the
  // first change to the right of a0; as a0 never moves left, k never goes back.
  int k = 1;
  int t = static_cast<int>(ref[0]);
  bool at_start = true;  // before the first code, a change at a0 itself counts
  LineEnd end = LineEnd::kComplete;
  RunEnd got = RunEnd::kRun;
  while (a0 < width) {
    if (count > run_limit) {  // a damaged line that would not end
      end = LineEnd::kBad;
      break;
    }
    if (!at_start) {
      while (t <= a0)
        t += static_cast<int>(ref[k++]);
    }
    at_start = false;
    // b1: the next change to the colour opposite the current one (white at an
    // even run count), that is a run start with k of the other parity.
    int b1 = t;
    int j = k;
    if (((j + count) & 1) == 0)
      b1 += static_cast<int>(ref[j++]);
    const int b2 = b1 + static_cast<int>(ref[j]);

    if (r.Fill() == 0) {
      end = LineEnd::kEof;
      break;
    }
    const FaxEntry e = kFaxModeTable[r.Peek(kFaxModeBits)];
    if (e.state >= FaxState::V0 && e.state <= FaxState::VL) {
      // Vertical modes, by far the most frequent codes, first.
      const int offset = e.state == FaxState::VL ? -static_cast<int>(e.param) : e.param;
      const int a1 = b1 + offset;
      if (a1 < a0) {  // would end the run before it starts
        end = LineEnd::kBad;
        break;
      }
      r.Consume(e.width);
      runs[count++] = static_cast<uint32_t>(pending + (a1 - a0));
      pending = 0;
      a0 = a1;
      continue;
    }
    switch (e.state) {
      case FaxState::Pass:
        r.Consume(e.width);
        pending += b2 - a0;
        a0 = b2;
        break;
      case FaxState::Horiz: {
        r.Consume(e.width);
        uint32_t run;
        got = count & 1 ? ReadRun<true>(r, a0, pending, a0_limit, &run)
                        : ReadRun<false>(r, a0, pending, a0_limit, &run);
        if (got != RunEnd::kRun)
          break;
        runs[count++] = run;
        got = count & 1 ? ReadRun<true>(r, a0, pending, a0_limit, &run)
                        : ReadRun<false>(r, a0, pending, a0_limit, &run);
        if (got != RunEnd::kRun)
          break;
        runs[count++] = run;
        break;
      }
      case FaxState::Ext:
        if (options_.uncompressed) {
          // Only the extension value 111, uncompressed mode, is defined.
          if (r.Peek(kUncompressedEntry2DBits) != kUncompressedEntry2D) {
            end = LineEnd::kBad;
            break;
          }
          r.Consume(kUncompressedEntry2DBits);
          const Uncompressed u = ReadUncompressed(r, runs, count, a0, pending, width, run_limit);
          if (u != Uncompressed::kExit)
            end = u == Uncompressed::kEof ? LineEnd::kEof : LineEnd::kBad;
          break;
        }
        r.Consume(e.width);
        LineError("Uncompressed data (not supported) (x %lu)", a0);
        NoteProblem(FaxProblem::kBadCode, a0);
        runs[count++] = static_cast<uint32_t>(pending + (width - a0));
        pending = 0;
        a0 = width;
        end = LineEnd::kUncompressed;
        break;
      case FaxState::EOL: {
        r.Consume(e.width);
        const int at = a0;
        runs[count++] = static_cast<uint32_t>(pending + (width - a0));
        pending = 0;
        a0 = width;
        r.Fill();
        if (r.Peek(4) != 0)
          BadCodeWord(at);
        r.Consume(4);
        eol_ = true;
        end = LineEnd::kEol;
        break;
      }
      default:
        end = LineEnd::kBad;
        break;
    }
    if (got != RunEnd::kRun) {
      if (got == RunEnd::kEol)
        eol_ = true;
      end = got == RunEnd::kEol   ? LineEnd::kEol
            : got == RunEnd::kEof ? LineEnd::kEof
                                  : LineEnd::kBad;
      break;
    }
    if (end != LineEnd::kComplete)
      break;
  }
  reader_ = r;
  line.count = count;
  line.a0 = a0;
  line.pending = pending;
  if (end == LineEnd::kBad)
    BadCodeWord(a0);
  return end;
}

void CcittDecoder::CleanUp(Line& line) {
  uint32_t* const runs = line.runs;
  int count = line.count;
  int a0 = line.a0;
  if (line.pending > 0)
    runs[count++] = static_cast<uint32_t>(line.pending);
  line.pending = 0;
  if (a0 != width_) {
    if (options_.report) {
      TraceMessage("%s (got %lu, expected %lu)\n",
                   a0 < width_ ? "Premature EOL" : "Line length mismatch",
                   static_cast<unsigned long>(a0), static_cast<unsigned long>(width_));
    }
    NoteProblem(FaxProblem::kWrongLength, a0);
    while (a0 > width_ && count > 0)
      a0 -= static_cast<int>(runs[--count]);
    if (a0 > width_) {
      runs[0] = static_cast<uint32_t>(width_);
      count = 1;
      a0 = width_;
    }
    if (a0 < width_) {
      if (count & 1)
        runs[count++] = 0;  // the list ends white: an empty black run first
      runs[count++] = static_cast<uint32_t>(width_ - a0);
      a0 = width_;
    }
  }
  line.count = count;
  line.a0 = a0;
}

void CcittDecoder::Finish(Line& line, uint8_t* pixels) {
  if (pixels != nullptr)
    FaxFillRow(pixels, width_, line.runs, line.count, fill_words_.get());
  if (two_dimensional_) {
    line.runs[line.count] = 0;
    line.runs[line.count + 1] = 0;
    std::swap(current_, reference_);
  }
}

void CcittDecoder::BadCodeWord(int a0) {
  LineError("Bad code word (x %lu)", a0);
  NoteProblem(FaxProblem::kBadCode, a0);
}

void CcittDecoder::NoteProblem(FaxProblem problem, int x) {
  if (problem_ == FaxProblem::kNone) {
    problem_ = problem;
    problem_x_ = x;
  }
}

void CcittDecoder::LineError(const char* format, int a0) {
  if (!options_.report)
    return;
  const unsigned long x = static_cast<unsigned long>(a0);
  if (++bad_code_words_ <= kMaxBadCodeMessages) {
    ErrorMessage(format, x);
  } else {
    TraceMessage(format, x);
  }
}

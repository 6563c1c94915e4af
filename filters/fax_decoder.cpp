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

}  // namespace

bool CcittDecode(const uint8_t* data, int length, BITMAPINFOHEADER* bmi, int k) {
  CcittDecoder decoder(data, length, bmi);
  decoder.Decode(k);
  return true;
}

CcittDecoder::CcittDecoder(const uint8_t* data, int length, BITMAPINFOHEADER* bmi)
    : bmi_(bmi), reader_(data, length) {}

void CcittDecoder::Decode(int k) {
  if (bmi_ == nullptr)
    return;
  if (bmi_->biBitCount != 1) {
    ErrorMessage("Bits/sample must be 1 for Group 3/4 encoding/decoding");
    return;
  }
  width_ = bmi_->biWidth;
  const int rows = BmiHeightAbs(bmi_);
  if (width_ <= 0 || rows <= 0)
    return;  // no pixel to write

  // Each role gets room for twice the width (rounded up to 32) in runs: a valid
  // line needs at most one run per pixel plus a leading empty white run, and a
  // damaged one is stopped at the limit.
  const bool two_dimensional = k != 0;
  const size_t region = width_ > kMaxFaxLineWidth
                            ? 0
                            : 2 * ((static_cast<size_t>(width_) + 31) & ~size_t{31}) + kRunReserve;
  if (region != 0) {
    run_store_.reset(new (std::nothrow) uint32_t[region * (two_dimensional ? 2 : 1)]);
    fill_words_.reset(new (std::nothrow) uint64_t[FaxFillWords(width_)]);
  }
  if (!run_store_ || !fill_words_) {
    ErrorMessage("Out of memory");
    return;
  }
  current_ = run_store_.get();
  run_limit_ = static_cast<int>(region) - kRunReserve;
  if (two_dimensional) {
    // The line before the first: white all the way.
    reference_ = current_ + region;
    reference_[0] = static_cast<uint32_t>(width_);
    reference_[1] = 0;
    reference_[2] = 0;
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
    if (end == LineEnd::kEof)
      TraceMessage("Premature EOF (x %lu)", static_cast<unsigned long>(line.a0));
    CleanUp(line);
    if (uint8_t* pixels = BmiRowPtr(bmi_, row))
      FaxFillRow(pixels, width_, line.runs, line.count, fill_words_.get());
    if (two_dimensional) {
      line.runs[line.count] = 0;
      line.runs[line.count + 1] = 0;
      std::swap(current_, reference_);
    }
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
        r.Consume(e.width);
        LineError("Uncompressed data (not supported) (x %lu)", a0);
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
    TraceMessage("%s (got %lu, expected %lu)\n",
                 a0 < width_ ? "Premature EOL" : "Line length mismatch",
                 static_cast<unsigned long>(a0), static_cast<unsigned long>(width_));
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

void CcittDecoder::BadCodeWord(int a0) {
  LineError("Bad code word (x %lu)", a0);
}

void CcittDecoder::LineError(const char* format, int a0) {
  const unsigned long x = static_cast<unsigned long>(a0);
  if (++bad_code_words_ <= kMaxBadCodeMessages) {
    ErrorMessage(format, x);
  } else {
    TraceMessage(format, x);
  }
}

// CCITTFaxDecode for whole streams: the stage asks the fax decoder for one row
// at a time, with every parameter of the filter's DecodeParms (K, Columns, Rows,
// EncodedByteAlign, EndOfLine, EndOfBlock, BlackIs1, DamagedRowsBeforeError),
// and T.4/T.6 uncompressed mode decoded. The rows go out packed, 1 bit per pixel
// from the high bit, each row padded to a byte with white.
//
// Rows: given, exactly that many, those the data do not hold white (kTruncated);
// absent or 0, the rows up to the end-of-block mark or the end of the data.
// Damaged rows (no code word fits, or the codes give another width): up to
// DamagedRowsBeforeError of them are replaced by the row before when that one
// was good, by white otherwise (kDamaged, the output complete); the next one
// stops decoding with the rows before it (kDamaged, or kUnreadable with none).
// The data ending inside a row keep the row so far, the rest white (kTruncated).
#include <algorithm>
#include <cstring>
#include <new>

#include "diag/format.h"
#include "filters/fax_decoder.h"
#include "filters/filter_stage.h"
#include "pdf/object.h"

namespace {

// The filter's DecodeParms with the standard's defaults.
struct CcittParams {
  int k = 0;
  int columns = 1728;
  int rows = 0;  // 0: as many as the data hold
  bool byte_align = false;
  bool end_of_line = false;
  bool end_of_block = true;
  bool black_is_1 = false;
  int damaged_rows = 0;  // DamagedRowsBeforeError
};

bool ReadInt(pdf::Object* parms, const char* key, int* value, std::string* error) {
  pdf::Object* entry = parms->Get(key);
  if (entry->IsNull())
    return true;
  if (!entry->IsNumber()) {
    *error = FormatText("%s is not a number (%s)", key, entry->Text());
    return false;
  }
  *value = entry->IntValue();
  return true;
}

bool ReadBool(pdf::Object* parms, const char* key, bool* value, std::string* error) {
  pdf::Object* entry = parms->Get(key);
  if (entry->IsNull())
    return true;
  if (!entry->IsBoolean()) {
    *error = FormatText("%s is not true or false (%s)", key, entry->Text());
    return false;
  }
  *value = entry->BoolValue();
  return true;
}

// False with the reason when an entry has the wrong type or is out of range.
bool ReadParams(pdf::Object* parms, CcittParams* p, std::string* error) {
  if (parms == nullptr || !parms->IsDictionary())
    return true;
  if (!ReadInt(parms, "K", &p->k, error) || !ReadInt(parms, "Columns", &p->columns, error) ||
      !ReadInt(parms, "Rows", &p->rows, error) ||
      !ReadBool(parms, "EncodedByteAlign", &p->byte_align, error) ||
      !ReadBool(parms, "EndOfLine", &p->end_of_line, error) ||
      !ReadBool(parms, "EndOfBlock", &p->end_of_block, error) ||
      !ReadBool(parms, "BlackIs1", &p->black_is_1, error) ||
      !ReadInt(parms, "DamagedRowsBeforeError", &p->damaged_rows, error)) {
    return false;
  }
  if (p->columns < 1 || p->columns > kMaxFaxLineWidth) {
    *error = FormatText("Columns %d is not within 1 to %d", p->columns, kMaxFaxLineWidth);
    return false;
  }
  if (p->rows < 0) {
    *error = FormatText("Rows %d is negative", p->rows);
    return false;
  }
  if (p->damaged_rows < 0) {
    *error = FormatText("DamagedRowsBeforeError %d is negative", p->damaged_rows);
    return false;
  }
  return true;
}

std::string ProblemText(FaxProblem problem, int x, int columns) {
  if (problem == FaxProblem::kNone)
    return "it reads no data";
  if (problem == FaxProblem::kBadCode)
    return FormatText("a bad code word at x %d", x);
  return FormatText("the codes give %d pixels, not %d", x, columns);
}

// Why the rows stopped.
enum class Stop {
  kRows,        // Rows rows were decoded
  kEndOfBlock,  // EOFB or RTC
  kDataEnd,     // the data end between rows
  kTruncated,   // the data end inside a row
  kDamaged,     // more damaged rows than DamagedRowsBeforeError
  kStuck,       // a damaged row read nothing: nothing after it can be decoded
  kOverLimit,   // another row would pass the limit
};

void AddNote(std::string* message, const std::string& text) {
  if (!message->empty())
    *message += "; ";
  *message += text;
}

// Makes room for one more row of `stride` bytes, never reserving past `cap`
// (a whole number of rows within the limit): vector growth on its own may
// double past it.
void GrowForRow(std::vector<uint8_t>* out, size_t stride, size_t cap) {
  if (out->size() + stride <= out->capacity())
    return;
  const size_t doubled = out->capacity() > cap / 2 ? cap : out->capacity() * 2;
  out->reserve(std::min(cap, std::max({doubled, kMinFirstOutput, out->size() + stride})));
}

}  // namespace

StageResult CcittStage(std::span<const uint8_t> input, pdf::Object* parms, size_t limit,
                       std::vector<uint8_t>* out) {
  out->clear();
  CcittParams p;
  std::string why;
  if (!ReadParams(parms, &p, &why))
    return {StageOutcome::kBadParameters, why};
  const size_t stride = (static_cast<size_t>(p.columns) + 7) / 8;
  // Rows that fit the limit; more, and the output would pass it.
  const size_t max_rows = limit / stride;
  if (p.rows > 0 && static_cast<size_t>(p.rows) > max_rows) {
    return {StageOutcome::kOverLimit,
            FormatText("Rows %d of %zu bytes are more than %zu bytes", p.rows, stride, limit)};
  }

  FaxDecodeOptions options;
  options.k = p.k;
  options.byte_align = p.byte_align;
  options.end_of_line = p.end_of_line;
  options.end_of_block = p.end_of_block;
  options.uncompressed = true;
  options.report = false;  // problems are this stage's result, not message boxes
  // The decoder counts bytes in an int; a fax stream of 2 GB is no image.
  const int length = static_cast<int>(std::min<size_t>(input.size(), INT32_MAX));
  CcittDecoder decoder(input.empty() ? nullptr : input.data(), length, options);
  if (!decoder.Start(p.columns))
    throw std::bad_alloc();  // Columns is within range: only memory is missing

  const size_t wanted = p.rows > 0 ? static_cast<size_t>(p.rows) : max_rows;
  const size_t cap = wanted * stride;
  std::vector<uint8_t> spare;  // the row past the limit, decoded only to see that it exists
  size_t produced = 0;
  size_t damaged = 0;
  bool previous_damaged = false;
  size_t first_damaged_row = 0, stop_row = 0;
  FaxProblem first_problem = FaxProblem::kNone, stop_problem = FaxProblem::kNone;
  int first_x = 0, stop_x = 0;
  Stop stop;
  for (;;) {
    if (p.rows > 0 && produced == wanted) {
      stop = Stop::kRows;
      break;
    }
    const bool past_limit = produced == max_rows;
    uint8_t* row;
    if (past_limit) {
      spare.assign(stride, 0);
      row = spare.data();
    } else {
      GrowForRow(out, stride, cap);
      out->resize(out->size() + stride);  // zeros: white where the decoder writes no bit
      row = out->data() + produced * stride;
    }
    const FaxRow got = decoder.NextRow(row);
    if (got.end != FaxRowEnd::kRow) {
      out->resize(produced * stride);
      stop = got.end == FaxRowEnd::kEndOfBlock ? Stop::kEndOfBlock : Stop::kDataEnd;
      break;
    }
    if (past_limit) {
      stop = Stop::kOverLimit;
      break;
    }
    ++produced;
    if (got.truncated) {
      stop = Stop::kTruncated;
      break;
    }
    if (got.problem == FaxProblem::kNone) {
      previous_damaged = false;
      if (!got.progressed) {  // cannot happen, as every code reads bits; never loop on it
        stop_row = produced - 1;
        stop_problem = FaxProblem::kNone;
        stop = Stop::kStuck;
        break;
      }
      continue;
    }
    // A damaged row: the row before it again when that one was good, else white.
    ++damaged;
    if (damaged == 1) {
      first_damaged_row = produced - 1;
      first_problem = got.problem;
      first_x = got.x;
    }
    stop_row = produced - 1;
    stop_problem = got.problem;
    stop_x = got.x;
    if (damaged > static_cast<size_t>(p.damaged_rows)) {
      --produced;
      out->resize(produced * stride);
      stop = Stop::kDamaged;
      break;
    }
    if (produced > 1 && !previous_damaged) {
      std::memcpy(row, row - stride, stride);
    } else {
      std::memset(row, 0, stride);
    }
    previous_damaged = true;
    if (!got.progressed) {
      stop = Stop::kStuck;
      break;
    }
  }

  StageResult result;
  std::string& message = result.message;
  auto note = [&](StageOutcome outcome, const std::string& text) {
    if (result.outcome == StageOutcome::kComplete)
      result.outcome = outcome;
    AddNote(&message, text);
  };
  switch (stop) {
    case Stop::kOverLimit:
      note(StageOutcome::kOverLimit,
           FormatText("the rows decode to more than %zu bytes (%zu rows of %zu bytes)", limit,
                      max_rows, stride));
      break;
    case Stop::kDamaged:
      note(produced > 0 ? StageOutcome::kDamaged : StageOutcome::kUnreadable,
           FormatText("row %zu is damaged (%s): %zu damaged rows, more than "
                      "DamagedRowsBeforeError %d; %zu rows decoded",
                      stop_row, ProblemText(stop_problem, stop_x, p.columns).c_str(), damaged,
                      p.damaged_rows, produced));
      break;
    case Stop::kStuck:
      note(StageOutcome::kDamaged,
           FormatText("row %zu is damaged (%s) and nothing after it decodes; %zu rows decoded",
                      stop_row, ProblemText(stop_problem, stop_x, p.columns).c_str(), produced));
      break;
    case Stop::kTruncated:
      note(StageOutcome::kTruncated, FormatText("the data end inside row %zu", produced - 1));
      break;
    default:
      break;
  }
  const bool short_of_rows = p.rows > 0 && produced < wanted;
  if (short_of_rows &&
      (stop == Stop::kTruncated || stop == Stop::kDataEnd || stop == Stop::kEndOfBlock)) {
    if (produced > 0) {
      note(StageOutcome::kTruncated,
           FormatText("the data hold %zu of the %d rows; the rest are white", produced, p.rows));
      out->resize(wanted * stride);  // zeros: white
    }
  }
  if (produced == 0 && result.outcome != StageOutcome::kOverLimit &&
      result.outcome != StageOutcome::kUnreadable) {
    result.outcome = StageOutcome::kUnreadable;
    message = stop == Stop::kEndOfBlock ? "the data end (end-of-block mark) before the first row"
                                        : "the data hold no rows";
  }
  const size_t tolerated = stop == Stop::kDamaged ? damaged - 1 : damaged;
  if (tolerated > 0 && result.outcome != StageOutcome::kUnreadable &&
      result.outcome != StageOutcome::kOverLimit) {
    note(StageOutcome::kDamaged,
         FormatText("%zu damaged rows replaced by the row before or white (the first: row %zu, %s)",
                    tolerated, first_damaged_row,
                    ProblemText(first_problem, first_x, p.columns).c_str()));
  }
  if (result.outcome == StageOutcome::kUnreadable) {
    out->clear();
  } else if (!p.black_is_1) {
    // The decoder writes 1 for black; by default black is 0.
    for (uint8_t& b : *out)
      b = static_cast<uint8_t>(~b);
  }
  return result;
}

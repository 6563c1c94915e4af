#include "filters/filter_chain.h"

#include <cstring>
#include <memory>
#include <new>
#include <span>

#include "diag/format.h"
#include "filters/filter_bounds.h"
#include "filters/filter_stage.h"
#include "filters/predicted_inflate.h"
#include "filters/predictor.h"
#include "pdf/decryptor.h"
#include "pdf/document.h"
#include "pdf/object.h"

namespace {

struct FilterRow {
  const char* name;
  StageDecoder decode;
  // Outcomes that leave usable output and only warn; every other outcome but
  // kComplete fails the stream.
  StageOutcomes warn_only;
  // The stage's DecodeParms may name a predictor to undo after decoding.
  bool predictor;
};

// Data cut short or damaged near the end are common in files that were
// truncated or patched by hand; what decoded before that is still worth showing.
constexpr StageOutcomes kPartialDataWarn =
    OutcomeBit(StageOutcome::kTruncated) | OutcomeBit(StageOutcome::kDamaged);

constexpr FilterRow kFilters[] = {
    {"FlateDecode", InflateStage, kPartialDataWarn, /*predictor=*/true},
    {"LZWDecode", LzwStage, kPartialDataWarn, /*predictor=*/true},
    {"ASCIIHexDecode", AsciiHexStage, kPartialDataWarn, /*predictor=*/false},
    {"ASCII85Decode", Ascii85Stage, kPartialDataWarn, /*predictor=*/false},
    {"RunLengthDecode", RunLengthStage, kPartialDataWarn, /*predictor=*/false},
    // JPEG data cut short keep the rows before the cut (the rest white).
    {"DCTDecode", DctStage, kPartialDataWarn, /*predictor=*/false},
    {"JPXDecode", JpxStage, OutcomeBit(StageOutcome::kTruncated), /*predictor=*/false},
    {"JBIG2Decode", Jbig2Stage, kPartialDataWarn, /*predictor=*/false},
    {"CCITTFaxDecode", CcittStage, kPartialDataWarn, /*predictor=*/false},
    {"Crypt", CryptStage, 0, /*predictor=*/false},
};

const FilterRow* FindFilter(pdf::Object* name) {
  if (!name->IsName())
    return nullptr;
  for (const FilterRow& row : kFilters) {
    if (name->IsName(row.name))
      return &row;
  }
  return nullptr;
}

struct Stage {
  pdf::Object* filter;
  pdf::Object* parms;
};

void AddWarning(std::string* warnings, const std::string& text) {
  if (!warnings->empty())
    *warnings += "; ";
  *warnings += text;
}

// The stages of the stream's Filter with their DecodeParms; false with the
// reason when the entries cannot be used.
bool ListStages(pdf::Dictionary* stream, std::vector<Stage>* stages, std::string* error,
                std::string* warnings) {
  pdf::Object* filter = stream->Get("Filter");
  pdf::Object* parms = stream->Get("DecodeParms");
  if (filter->IsNull())
    return true;
  if (filter->IsName()) {
    // An array of parameters for a single filter: its first entry goes with it.
    stages->push_back({filter, parms->IsArray() ? parms->Item(0) : parms});
    return true;
  }
  if (!filter->IsArray()) {
    *error = FormatText("Filter is neither a name nor an array (%s)", filter->Text());
    return false;
  }
  const int count = filter->Count();
  if (count > kMaxFilterStages) {
    *error = FormatText("Filter lists %d filters, more than %d", count, kMaxFilterStages);
    return false;
  }
  if (parms->IsDictionary() && count > 1) {
    // Which of the filters it was meant for is anybody's guess.
    AddWarning(warnings,
               FormatText("DecodeParms is one dictionary for %d filters; not used", count));
  }
  for (int i = 0; i < count; ++i) {
    // Null: no parameters, as an array's null entry says.
    pdf::Object* stage_parms = parms->IsArray() ? parms->Item(i) : count == 1 ? parms : nullptr;
    stages->push_back({filter->Item(i), stage_parms});
  }
  return true;
}

bool Fail(std::string* error, std::string text) {
  *error = std::move(text);
  return false;
}

// Runs the stages of the stream's chain, all of them or all but the last; the
// last stage is returned through `last` when it was left out.
bool DecodeAllStages(pdf::Dictionary* stream, size_t limit, std::vector<uint8_t>* out,
                     std::string* error, Stage* last) {
  out->clear();
  error->clear();
  if (stream == nullptr || !stream->IsStream())
    return Fail(error, "not a stream");
  std::vector<Stage> stages;
  std::string warnings;
  if (!ListStages(stream, &stages, error, &warnings))
    return false;
  if (last != nullptr && !stages.empty()) {
    *last = stages.back();
    stages.pop_back();
  }
  // An enciphered stream whose first stage inflates is deciphered as it is
  // inflated, never whole.
  std::unique_ptr<pdf::StreamPieces> pieces;
  if (!stages.empty() && FindFilter(stages.front().filter) != nullptr &&
      FindFilter(stages.front().filter)->decode == InflateStage && stream->doc != nullptr) {
    pieces = stream->doc->DecipherInPieces(stream);
  }
  pdf::Token raw;
  if (pieces == nullptr) {
    stream->GetStreamData(raw);
  } else {
    raw = stream->data;  // enciphered: only its size is used
  }
  const std::span<const uint8_t> raw_bytes(
      reinterpret_cast<const uint8_t*>(raw.text),
      raw.text != nullptr && raw.length > 0 ? static_cast<size_t>(raw.length) : 0);
  if (stages.empty()) {
    if (raw_bytes.size() > limit)
      return Fail(error, FormatText("the data hold more than %zu bytes", limit));
    out->assign(raw_bytes.begin(), raw_bytes.end());
    return true;
  }

  std::vector<uint8_t> done;  // output of the stages completed so far
  std::span<const uint8_t> input = raw_bytes;
  for (const Stage& stage : stages) {
    const FilterRow* row = FindFilter(stage.filter);
    if (row == nullptr) {
      *out = std::move(done);
      return Fail(error, FormatText("unsupported filter: %s", stage.filter->Text()));
    }
    std::vector<uint8_t> next;
    StageResult result;
    std::string overlapped_note;
    const bool overlapped =
        pieces == nullptr && row->decode == InflateStage && row->predictor &&
        InflateWithPngRows(input, stage.parms, limit, PredictorParamsFrom(stage.parms), &next,
                           &result, &overlapped_note);
    if (pieces != nullptr) {
      result = InflatePieces(*pieces, raw_bytes.size(), limit, &next);
      pieces.reset();
    } else if (!overlapped) {
      result = row->decode(input, stage.parms, limit, &next);
    }
    if (result.outcome != StageOutcome::kComplete) {
      std::string text = FormatText("%s: %s", row->name, result.message.c_str());
      if ((row->warn_only & OutcomeBit(result.outcome)) == 0) {
        *out = std::move(done);
        return Fail(error, std::move(text));
      }
      AddWarning(&warnings, text);
    }
    if (overlapped) {
      if (!overlapped_note.empty())
        AddWarning(&warnings, FormatText("%s: %s", row->name, overlapped_note.c_str()));
    } else if (row->predictor) {
      std::string note;
      if (!UndoPredictor(PredictorParamsFrom(stage.parms), &next, &note)) {
        *out = std::move(done);
        return Fail(error, FormatText("%s: %s", row->name, note.c_str()));
      }
      if (!note.empty())
        AddWarning(&warnings, FormatText("%s: %s", row->name, note.c_str()));
    }
    done = std::move(next);
    input = done;
  }
  *out = std::move(done);
  *error = std::move(warnings);
  return true;
}

}  // namespace

bool DecodeStreamFully(pdf::Dictionary* stream, size_t limit, std::vector<uint8_t>* out,
                       std::string* error) {
  try {
    return DecodeAllStages(stream, limit, out, error, /*last=*/nullptr);
  } catch (const std::bad_alloc&) {
    // A generous limit on a machine with less memory: the stream fails, the
    // program goes on.
    out->clear();
    out->shrink_to_fit();
    *error = "out of memory while decoding";
    return false;
  }
}

bool DecodeStreamBeforeLast(pdf::Dictionary* stream, size_t limit, std::vector<uint8_t>* out,
                            std::string* error, pdf::Object** last_filter,
                            pdf::Object** last_parms) {
  Stage last{nullptr, nullptr};
  bool ok = false;
  try {
    ok = DecodeAllStages(stream, limit, out, error, &last);
  } catch (const std::bad_alloc&) {
    out->clear();
    out->shrink_to_fit();
    *error = "out of memory while decoding";
  }
  *last_filter = last.filter;
  *last_parms = last.parms;
  return ok;
}

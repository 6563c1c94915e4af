// The modern reader's main line: header, tail, the chain of sections of either
// kind, and the decision to rebuild the table.
#include "pdf/modern_reader.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "pdf/bounds.h"
#include "pdf/chars.h"
#include "pdf/document.h"
#include "pdf/parser.h"
#include "pdf/xref_reader.h"

namespace pdf {

namespace {

constexpr char kHeader[] = "%PDF-";
constexpr int kHeaderSize = 5;
constexpr char kEofMarker[] = "%%EOF";
constexpr char kStartxref[] = "startxref";
constexpr int kStartxrefSize = 9;

// A non-negative decimal number after optional white space; -1 when none.
int64_t ReadOffset(const char* at, const char* end) {
  while (at < end && (IsCSpace(*at) || *at == '\0')) {
    ++at;
  }
  if (at >= end || !IsDigit(*at)) {
    return -1;
  }
  int64_t value = 0;
  for (; at < end && IsDigit(*at); ++at) {
    if (value > INT32_MAX) {
      return -1;
    }
    value = value * 10 + (*at - '0');
  }
  return value;
}

// "major.minor" after the header's five characters; false when absent.
bool ReadVersion(const char* at, const char* end, int32_t* major, int32_t* minor) {
  int64_t first = 0;
  int64_t second = 0;
  const char* p = at;
  if (p >= end || !IsDigit(*p)) {
    return false;
  }
  for (; p < end && IsDigit(*p) && first < 1000; ++p) {
    first = first * 10 + (*p - '0');
  }
  if (p >= end || *p != '.') {
    return false;
  }
  ++p;
  if (p >= end || !IsDigit(*p)) {
    return false;
  }
  for (; p < end && IsDigit(*p) && second < 1000; ++p) {
    second = second * 10 + (*p - '0');
  }
  *major = static_cast<int32_t>(first);
  *minor = static_cast<int32_t>(second);
  return true;
}

}  // namespace

ModernReader::ModernReader(Document& doc, Parser& parser) : doc_(doc), parser_(parser) {}

bool ModernReader::Read(const char* first, const char* last) {
  Document& doc = doc_;
  parser_.begin = first;
  parser_.end = last;
  parser_.cursor = first;
  doc.header_object = new Scalar(&doc, "<no header>", TokenType::String);
  if (first == nullptr || last <= first) {
    parser_.end = parser_.begin;
    return doc.Fail("%s", "First line is not %PDF-nn.nn");
  }

  // The header may follow some junk; offsets then count from the header.
  const char* window = last - first > kModernHeaderWindow ? first + kModernHeaderWindow : last;
  const auto* header = static_cast<const char*>(
      memmem(first, static_cast<size_t>(window - first), kHeader, kHeaderSize));
  if (header == nullptr) {
    // No header at all: there may still be objects to find.
    doc.ReportWarning("No %%PDF- header in the first %lld bytes",
                      static_cast<long long>(kModernHeaderWindow));
    doc.NoteModernFeature(kFeatureLenientStructure);
    header = first;
  } else {
    if (header != first) {
      doc.ReportWarning("The header follows %lld bytes of other data; offsets count from it",
                        static_cast<long long>(header - first));
      doc.NoteModernFeature(kFeatureLenientStructure);
    }
    int32_t major = 0;
    int32_t minor = 0;
    if (ReadVersion(header + kHeaderSize, last, &major, &minor)) {
      doc.version_major = major;
      doc.version_minor = minor;
    } else {
      doc.ReportWarning("The header names no version");
    }
    doc.Trace("SOF marker found: PDF %d.%d\n", doc.version_major, doc.version_minor);
  }
  parser_.begin = header;
  parser_.cursor = header;
  const char* line_end = header;
  while (line_end < last && *line_end != '\r' && *line_end != '\n') {
    ++line_end;
  }
  if (line_end - header > 1024) {
    line_end = header + 1024;
  }
  doc.header_object = new Scalar(&doc, Token(header, line_end, TokenType::String));

  // The whole file stays readable: an update whose end marker went missing,
  // or data after the last one, are still the file's.
  const char* tail =
      last - parser_.begin > kModernTailWindow ? last - kModernTailWindow : parser_.begin;
  const char* marker = FindLast(kEofMarker, tail, last);
  if (marker == nullptr) {
    doc.ReportWarning("%s", "No %%EOF at the end of the file");
    doc.NoteModernFeature(kFeatureLenientStructure);
  } else {
    doc.Trace("EOF marker found at %d\n", static_cast<int>(marker - parser_.begin));
    if (last - marker > 1024) {
      doc.NoteModernFeature(kFeatureLenientStructure);
    }
  }
  const char* search_end = marker != nullptr ? marker : last;
  const char* keyword = FindLast(kStartxref, tail, search_end);
  if (keyword == nullptr && marker != nullptr) {
    keyword = FindLast(kStartxref, tail, last);  // startxref after the marker
  }
  if (keyword == nullptr) {
    return Repair("startxref not found");
  }
  if (marker != nullptr && marker - keyword > 32) {
    doc.NoteModernFeature(kFeatureLenientStructure);
  }
  const int64_t offset = ReadOffset(keyword + kStartxrefSize, last);
  if (offset < 0) {
    return Repair("startxref names no offset");
  }
  std::string problem;
  XRefTable* newest = ReadChain(offset, &problem);
  if (newest == nullptr) {
    return Repair(problem);  // false at once when the reading was cancelled
  }
  doc.xref = newest;
  if (!CatalogReadable()) {
    return Repair("the catalog named by the trailer cannot be read");
  }
  return true;
}

XRefTable* ModernReader::ReadChain(int64_t offset, std::string* problem) {
  std::unordered_set<int64_t> visited;
  // Every section of a chain may name the same XRefStm stream: it is read once,
  // not once per section.
  std::unordered_map<int64_t, XRefTable*> hybrid_streams;
  XRefTable* newest = nullptr;
  XRefTable* newer = nullptr;
  for (int sections = 0;; ++sections) {
    if (sections >= kMaxSections) {
      doc_.ReportWarning("The chain of sections ends after %d sections", kMaxSections);
      break;
    }
    visited.insert(offset);
    XRefTable* table = ReadSectionAt(offset, problem);
    if (table == nullptr) {
      return nullptr;  // a section that cannot be read: the table is rebuilt
    }
    if (newer == nullptr) {
      newest = table;
    } else {
      newer->prev = table;
    }
    newer = table;
    // A classic section of a hybrid file names the stream that completes it.
    Object* stream_offset = table->trailer->Get("XRefStm");
    if (table->kind == XRefKind::kClassic && stream_offset->IsNumber()) {
      const int64_t at = stream_offset->IntValue();
      auto known = hybrid_streams.find(at);
      if (known != hybrid_streams.end()) {
        // A newer section holds every entry of this stream already, so a copy
        // here would change no lookup; copies for thousands of sections would
        // hold the stream's table thousands of times.
        table->hybrid = known->second;
      } else {
        XRefTable* stream = ReadStreamSection(at, problem);
        if (stream == nullptr) {
          return nullptr;
        }
        hybrid_streams.emplace(at, stream);
        MergeHybrid(table, stream);
      }
      doc_.NoteModernFeature(kFeatureHybrid);
    }
    Object* prev = table->trailer->Get("Prev");
    if (!prev->IsNumber()) {
      break;
    }
    offset = prev->IntValue();
    if (!visited.insert(offset).second) {
      doc_.ReportWarning("Prev %lld leads back to a section read already; the chain ends there",
                         static_cast<long long>(offset));
      break;
    }
  }
  return newest;
}

int64_t ModernReader::FindSectionNear(int64_t offset) const {
  const char* begin = parser_.begin;
  const int64_t size = parser_.end - begin;
  const int64_t low = std::clamp<int64_t>(offset - kStartxrefSlack, 0, size);
  const int64_t high = std::clamp<int64_t>(offset + kStartxrefSlack, 0, size);
  int64_t best = -1;
  for (int64_t at = low; at < high; ++at) {
    const bool boundary = at == 0 || IsWhite(begin[at - 1]) || IsDelimiter(begin[at - 1]);
    if (!boundary) {
      continue;
    }
    bool candidate = false;
    if (high - at >= 4 && memcmp(begin + at, "xref", 4) == 0) {
      candidate = true;
    } else if (IsDigit(begin[at])) {
      // "N G obj"
      // A header is a few bytes: runs of digits or blanks longer than this
      // are none, and must not be scanned for every position of the window.
      const char* p = begin + at;
      const char* stop = std::min(parser_.end, p + 48);
      while (p < stop && IsDigit(*p))
        ++p;
      if (p < stop && IsWhite(*p)) {
        while (p < stop && IsWhite(*p))
          ++p;
        const char* digits = p;
        while (p < stop && IsDigit(*p))
          ++p;
        if (p > digits && p < stop && IsWhite(*p)) {
          while (p < stop && IsWhite(*p))
            ++p;
          candidate = stop - p >= 3 && memcmp(p, "obj", 3) == 0;
        }
      }
    }
    if (candidate && (best < 0 || std::llabs(at - offset) < std::llabs(best - offset))) {
      best = at;
    }
  }
  return best;
}

XRefTable* ModernReader::ReadSectionAt(int64_t offset, std::string* problem) {
  doc_.Trace("ParseXrefTable(%lld)\n", static_cast<long long>(offset));
  if (offset >= 0 && offset <= INT32_MAX) {
    parser_.Seek(static_cast<int32_t>(offset));
    if (parser_.current.IsKeyword("xref")) {
      return ReadClassicSection(offset, problem);
    }
    if (parser_.current.IsInteger()) {
      XRefTable* table = ReadStreamSection(offset, problem);
      if (table != nullptr) {
        return table;
      }
    }
  }
  // Producers that miscount put startxref or Prev a few bytes off.
  const int64_t near = FindSectionNear(offset);
  if (near >= 0 && near != offset) {
    doc_.NoteModernFeature(kFeatureLenientStructure);
    doc_.ReportWarning("The section named at %lld starts at %lld", static_cast<long long>(offset),
                       static_cast<long long>(near));
    parser_.Seek(static_cast<int32_t>(near));
    if (parser_.current.IsKeyword("xref")) {
      return ReadClassicSection(near, problem);
    }
    return ReadStreamSection(near, problem);
  }
  if (problem->empty()) {
    *problem = "no cross-reference section at offset " + std::to_string(offset);
  }
  return nullptr;
}

XRefTable* ModernReader::ReadClassicSection(int64_t offset, std::string* problem) {
  Document& doc = doc_;
  Parser& parser = parser_;
  parser.Seek(static_cast<int32_t>(offset));
  if (!parser.current.IsKeyword("xref")) {
    *problem = "no xref keyword at offset " + std::to_string(offset);
    return nullptr;
  }
  auto* table = new XRefTable(&doc, static_cast<int32_t>(offset));
  table->text_start = parser.current.text;
  parser.NextToken();
  XRefReader runs(doc, parser);
  int subsections = 0;
  // Subsections: "start count" and count entries, as many as there are.
  while (parser.current.IsInteger()) {
    const int64_t start = parser.current.IntValue();
    parser.NextToken();
    if (!parser.current.IsInteger()) {
      *problem = "a subsection of the section at " + std::to_string(offset) + " has no count";
      return nullptr;
    }
    const int64_t count = parser.current.IntValue();
    parser.NextToken();
    if (start < 0 || count < 0 || start + count > static_cast<int64_t>(kMaxObjectNumber) + 1) {
      *problem = "the section at " + std::to_string(offset) + " lists numbers " +
                 std::to_string(start) + " to " + std::to_string(start + count) +
                 BeyondObjectLimit(start, count);
      return nullptr;
    }
    ++subsections;
    int64_t base = start;
    // A known slip: a section that starts at 1 with the free head of object 0
    // as its first entry.
    if (start == 1 && parser.current.IsInteger() && parser.current.IntValue() == 0 &&
        parser.current.length == 10 && parser.cursor + 8 <= parser.end &&
        memcmp(parser.cursor, " 65535 f", 8) == 0) {
      base = 0;
      doc.ReportWarning("The section at %lld starts at 1 but lists object 0 first",
                        static_cast<long long>(offset));
    }
    table->Reserve(std::min<int64_t>(base + count, base + (parser.end - parser.cursor) / 18 + 1));
    for (int32_t i = 0; i < count; ++i) {
      const XRefReader::EntryRun run =
          runs.ReadEntryRun(table, static_cast<int32_t>(count), &i, base);
      if (run == XRefReader::EntryRun::kOutOfMemory) {
        *problem = "out of memory";
        return nullptr;
      }
      if (run == XRefReader::EntryRun::kCancelled) {
        *problem = "cancelled";
        return nullptr;
      }
      if (run == XRefReader::EntryRun::kRead) {
        parser.NextToken();
        if (!doc.ContinueOpen(parser.cursor - parser.begin)) {
          *problem = "cancelled";
          return nullptr;
        }
        continue;
      }
      // Any other spelling of an entry: two integers and n or f.
      if (!parser.current.IsInteger()) {
        *problem = "entry " + std::to_string(base + i) + " of the section at " +
                   std::to_string(offset) + " is damaged";
        return nullptr;
      }
      const int32_t entry_offset = parser.current.IntValue();
      parser.NextToken();
      if (!parser.current.IsInteger()) {
        *problem = "entry " + std::to_string(base + i) + " of the section at " +
                   std::to_string(offset) + " is damaged";
        return nullptr;
      }
      const int32_t entry_generation = parser.current.IntValue();
      parser.NextToken();
      if (!parser.current.IsKeyword("n") && !parser.current.IsKeyword("f")) {
        *problem = "entry " + std::to_string(base + i) + " of the section at " +
                   std::to_string(offset) + " is neither n nor f";
        return nullptr;
      }
      if (!table->SetEntryAt(base + i, entry_generation, entry_offset, parser.current.text[0])) {
        *problem = "out of memory";
        return nullptr;
      }
      parser.NextToken();
    }
  }
  if (subsections > 1) {
    doc.NoteModernFeature(kFeatureSubsections);
  }
  table->text_length = static_cast<int32_t>(parser.current.text - table->text_start);
  if (!parser.current.IsKeyword("trailer")) {
    *problem = "the section at " + std::to_string(offset) + " has no trailer";
    return nullptr;
  }
  parser.NextToken();
  table->trailer = parser.current.IsKeyword("<<") ? parser.ParseDictionary() : nullptr;
  if (table->trailer == nullptr) {
    *problem = "the trailer of the section at " + std::to_string(offset) + " cannot be read";
    return nullptr;
  }
  return table;
}

void ModernReader::MergeHybrid(XRefTable* classic, XRefTable* stream) {
  classic->hybrid = stream;
  for (int32_t i = 0; i < stream->count; ++i) {
    const XRefEntry& entry = stream->entries[i];
    if (entry.type != 'n' && entry.type != 'c') {
      continue;
    }
    const int64_t index = static_cast<int64_t>(stream->first) + i - classic->first;
    const bool listed = index >= 0 && index < classic->count && classic->entries[index].type != 0 &&
                        classic->entries[index].type != 'f';
    if (!listed) {
      classic->SetEntryAt(index, entry.generation, entry.offset, entry.type);
    }
  }
}

bool ModernReader::CatalogReadable() {
  XRefTable* table = doc_.xref;
  if (table == nullptr || table->trailer == nullptr) {
    return false;
  }
  // Resolved here without the "not found" report: a miss only means the table
  // is rebuilt.
  for (int i = 0; i < table->trailer->Count(); ++i) {
    if (strcmp(table->trailer->Key(i), "Root") != 0) {
      continue;
    }
    Object* value = table->trailer->Value(i);
    if (auto* reference = dynamic_cast<Reference*>(value)) {
      value = doc_.GetObject(reference->number, reference->generation);
    }
    return value->IsDictionary();
  }
  return false;
}

Dictionary* ModernReader::CopyEntries(Dictionary* source) {
  auto* copy = new Dictionary(&doc_);
  for (int i = 0; i < source->Count(); ++i) {
    copy->Add(source->Key(i), source->Value(i));
  }
  copy->MarkModified(false);
  return copy;
}

}  // namespace pdf

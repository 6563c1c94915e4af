// Reading the skeleton of a file: the header line, the last end marker, the
// startxref offset, and the chain of classic cross-reference sections.
#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "pdf/chars.h"
#include "pdf/document.h"
#include "pdf/parser.h"
#include "pdf/prefault.h"
#include "pdf/xref_entry_text.h"
#include "pdf/xref_reader.h"

namespace pdf {

namespace {

// The end marker must start within this many bytes of the end of the file.
constexpr int64_t kEofWindow = 1024;
// startxref must start within this many bytes in front of the end marker.
constexpr int64_t kStartxrefWindow = 32;
constexpr char kEofMarker[] = "%%EOF";
constexpr int kEofMarkerSize = 5;
constexpr char kStartxref[] = "startxref";
constexpr int kStartxrefSize = 9;
constexpr int kOffsetFieldSize = 10;
constexpr int kGenerationFieldSize = 5;
// The progress of a long section is told after every 65,536 entries (a mask).
constexpr int32_t kEntriesPerProgress = 0xFFFF;
// The shortest entry with the white space that separates it from the next one.
constexpr int64_t kMinEntryBytes = kOffsetFieldSize + 1 + kGenerationFieldSize + 1 + 1 + 1;

// A decimal integer as the C library's %d and atoi read it (leading white space,
// an optional sign, digits), but never past `end` (the mapping carries no NUL)
// and saturated instead of overflowing. False when there are no digits.
bool ReadDecimal(const char** at, const char* end, int32_t* value) {
  const char* p = *at;
  while (p < end && IsCSpace(*p)) {
    ++p;
  }
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  if (p >= end || !IsDigit(*p)) {
    return false;
  }
  int64_t magnitude = 0;
  for (; p < end && IsDigit(*p); ++p) {
    if (magnitude <= INT32_MAX) {
      magnitude = magnitude * 10 + (*p - '0');
    }
  }
  int64_t signed_value = negative ? -magnitude : magnitude;
  if (signed_value > INT32_MAX) {
    signed_value = INT32_MAX;
  } else if (signed_value < INT32_MIN) {
    signed_value = INT32_MIN;
  }
  *value = static_cast<int32_t>(signed_value);
  *at = p;
  return true;
}

// "%PDF-" at byte 0 exactly, then major "." minor. Nothing may stand before the
// header: the file's first byte is where readers look for it.
bool ReadHeader(const char* first, const char* last, int32_t* major, int32_t* minor) {
  if (last - first < 5 || memcmp(first, "%PDF-", 5) != 0) {
    return false;
  }
  const char* at = first + 5;
  if (!ReadDecimal(&at, last, major)) {
    return false;
  }
  if (at >= last || *at != '.') {
    return false;
  }
  ++at;
  return ReadDecimal(&at, last, minor);
}

}  // namespace

bool Document::ReadFileStructure(const char* first, const char* last) {
  XRefReader reader(*this, *parser_);
  return reader.ReadFileStructure(first, last);
}

XRefTable* Document::ParseXrefTable(int32_t offset) {
  XRefReader reader(*this, *parser_);
  return reader.ParseXrefTable(offset);
}

XRefReader::XRefReader(Document& doc, Parser& parser)
    : doc_(doc),
      parser_(parser),
      begin(parser.begin),
      end(parser.end),
      cursor(parser.cursor),
      current(parser.current) {}

bool XRefReader::NextToken() {
  return parser_.NextToken();
}

bool XRefReader::Seek(int32_t offset) {
  return parser_.Seek(offset);
}

bool XRefReader::ReadFileStructure(const char* first, const char* last) {
  Document& doc = doc_;
  begin = first;
  end = last;
  cursor = first;
  doc.header_object = new Scalar(&doc, "<no header>", TokenType::String);
  int32_t major = 0;
  int32_t minor = 0;
  if (first == nullptr || last < first || !ReadHeader(first, last, &major, &minor)) {
    end = begin;  // nothing can be read any more
    return doc.Fail("%s", "First line is not %PDF-nn.nn");
  }
  doc.version_major = major;
  doc.version_minor = minor;
  doc.Trace("SOF marker found: PDF %d.%d\n", doc.version_major, doc.version_minor);

  const char* lower = last - first > kEofWindow ? last - kEofWindow : first;
  const char* marker = FindLast(kEofMarker, lower, last);
  if (marker == nullptr) {
    return doc.Fail("%s not found in last 1024 bytes of file", kEofMarker);
  }
  doc.Trace("EOF marker found at %d\n", static_cast<int>(marker - begin));
  end = marker + kEofMarkerSize;  // whatever follows the last marker is never read

  const char* line_end = first;
  while (line_end < end && *line_end != '\r' && *line_end != '\n') {
    ++line_end;
  }
  doc.header_object = new Scalar(&doc, Token(first, line_end, TokenType::String));

  lower = marker - first > kStartxrefWindow ? marker - kStartxrefWindow : first;
  const char* keyword = FindLast(kStartxref, lower, marker);
  if (keyword == nullptr) {
    return doc.Fail("startxref not found?");
  }
  const char* digits = keyword + kStartxrefSize;
  int32_t offset = 0;
  ReadDecimal(&digits, end, &offset);  // no digits reads as 0, as atoi does

  doc.xref = ParseXrefTable(offset);
  if (doc.xref == nullptr) {
    return false;
  }
  if (doc.xref->trailer == nullptr) {
    return doc.Fail("trailer not found");
  }
  return true;
}

XRefTable* XRefReader::ParseXrefTable(int32_t offset) {
  // Older sections are read in a loop rather than by recursion, and each offset
  // once: a Prev chain may be very long or lead back to a section already read.
  std::unordered_set<int32_t> visited;
  XRefTable* newest = nullptr;
  XRefTable* newer = nullptr;
  for (;;) {
    visited.insert(offset);
    XRefTable* table = ParseXrefSection(offset);
    if (table == nullptr) {
      break;  // a failing older section leaves the newer one standing
    }
    if (newer == nullptr) {
      newest = table;
    } else {
      newer->prev = table;
    }
    if (table->trailer == nullptr) {
      break;
    }
    Object* prev = table->trailer->Get("Prev");
    if (!prev->IsNumber()) {
      break;
    }
    offset = prev->IntValue();
    if (!visited.insert(offset).second) {
      doc_.Trace("Prev %d was read already; the chain ends here\n", offset);
      break;
    }
    newer = table;
  }
  return newest;
}

XRefReader::EntryRun XRefReader::ReadEntryRun(XRefTable* table, int32_t entry_count, int32_t* index,
                                              int64_t base) {
  XRefEntryText entry;
  if (!current.IsNumber() || !ReadEntryText(current.text, end, &entry)) {
    return EntryRun::kNone;
  }
  const char* text = current.text;
  for (;;) {
    if (!table->SetEntryAt(base + *index, entry.generation, entry.offset, entry.type)) {
      return EntryRun::kOutOfMemory;
    }
    // Where the token path reads the token after this entry's type letter.
    cursor = text + kEntryTypeAt + 1;
    // A section of millions of entries is most of an open's time.
    if ((*index & kEntriesPerProgress) == kEntriesPerProgress &&
        !doc_.ContinueOpen(cursor - begin)) {
      return EntryRun::kCancelled;
    }
    if (*index + 1 >= entry_count) {
      return EntryRun::kRead;
    }
    const char* next = SkipWhite(cursor, end);
    if (!ReadEntryText(next, end, &entry)) {
      return EntryRun::kRead;
    }
    text = next;
    ++*index;
  }
}

XRefTable* XRefReader::ParseXrefSection(int32_t offset) {
  doc_.Trace("ParseXrefTable(%d)\n", offset);
  auto* table = new XRefTable(&doc_, offset);
  Seek(offset);
  table->text_start = current.text;
  if (!current.IsKeyword("xref")) {
    const char* text = current.String();
    doc_.Fail("Expected 'xref' at %s", text != nullptr ? text : "");
    return nullptr;
  }
  if (!NextToken()) {
    return nullptr;
  }
  if (!current.IsInteger()) {
    doc_.Fail("Expected integer");
    return nullptr;
  }
  table->first = current.IntValue();
  if (!NextToken()) {
    return nullptr;
  }
  if (!current.IsInteger()) {
    doc_.Fail("Expected integer");
    return nullptr;
  }
  const int32_t entry_count = current.IntValue();
  if (!NextToken()) {
    return nullptr;
  }
  // Room for the whole section at once; the bytes left bound what a count
  // claims. Failing here is not yet a failure: storing reports it.
  table->Reserve(std::min<int64_t>(entry_count, (end - cursor) / kMinEntryBytes + 1));
  // A large section's table and text are faulted in at once rather than page
  // by page (a hint; what is read and stored stays the same).
  if (entry_count > 0 && table->capacity > 0) {
    const int64_t entries = std::min<int64_t>(entry_count, table->capacity);
    PrefaultWrite(table->entries, static_cast<size_t>(entries) * sizeof(XRefEntry));
    PrefaultRead(cursor, static_cast<size_t>(std::min<int64_t>(
                             entries * kMinEntryBytes + 2 * entries, end - cursor)));
  }
  // Every entry takes three tokens, so the file's size bounds this loop
  // whatever count it claims.
  for (int32_t i = 0; i < entry_count; ++i) {
    const EntryRun run = ReadEntryRun(table, entry_count, &i);
    if (run == EntryRun::kOutOfMemory) {
      doc_.Fail("Out of memory");
      return nullptr;
    }
    if (run == EntryRun::kCancelled) {
      return nullptr;  // nothing to report: the open fails as cancelled
    }
    if (run == EntryRun::kRead) {
      if (!NextToken()) {
        return nullptr;
      }
      continue;
    }
    if (!current.IsInteger()) {
      doc_.Fail("Expected integer");
      return nullptr;
    }
    if (current.length != kOffsetFieldSize) {
      doc_.Fail("Expected 10-digit byte offset");
      return nullptr;
    }
    const int32_t entry_offset = current.IntValue();
    if (!NextToken()) {
      return nullptr;
    }
    if (!current.IsInteger()) {
      doc_.Fail("Expected integer");
      return nullptr;
    }
    if (current.length != kGenerationFieldSize) {
      doc_.Fail("Expected 5-digit number");
      return nullptr;
    }
    const int32_t entry_generation = current.IntValue();
    if (!NextToken()) {
      return nullptr;
    }
    if (!current.IsKeyword("n") && !current.IsKeyword("f")) {
      doc_.Fail("Expected 'f' or 'n'");
      return nullptr;
    }
    if (!table->SetEntryAt(i, entry_generation, entry_offset, current.text[0])) {
      doc_.Fail("Out of memory");
      return nullptr;
    }
    if (!NextToken()) {
      return nullptr;
    }
  }
  table->text_length = static_cast<int32_t>(current.text - table->text_start);
  if (!current.IsKeyword("trailer")) {
    return table;
  }
  NextToken();
  if (current.IsKeyword("<<")) {
    table->trailer = parser_.ParseDictionary();
  } else {
    doc_.Fail("trailer not found");
  }
  if (table->trailer == nullptr) {
    doc_.Fail("trailer dict parse");
  }
  return table;
}

}  // namespace pdf

// Rebuilding the table of a damaged file: every "N G obj" header found by a scan
// of the whole file (stream data skipped up to their endstream), the objects of
// the object streams found, the last definition of a number winning; then the
// trailer from the last trailer or cross-reference stream that names a
// readable catalog, or one made around a catalog found among the objects.
#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "pdf/bounds.h"
#include "pdf/chars.h"
#include "pdf/document.h"
#include "pdf/modern_reader.h"
#include "pdf/object_stream.h"
#include "pdf/parser.h"

namespace pdf {

namespace {

constexpr char kObj[] = "obj";
constexpr char kStream[] = "stream";
constexpr char kEndStream[] = "endstream";
constexpr char kTrailer[] = "trailer";
// The dictionary of a stream is looked at up to this many bytes before its
// keyword stream, for the names ObjStm and XRef.
constexpr int64_t kDictionaryWindow = 4096;

const char* Find(const char* from, const char* end, const char* word, size_t size) {
  if (from >= end) {
    return end;
  }
  const void* hit = memmem(from, static_cast<size_t>(end - from), word, size);
  return hit != nullptr ? static_cast<const char*>(hit) : end;
}

bool Boundary(const char* begin, const char* at) {
  return at == begin || IsWhite(at[-1]) || IsDelimiter(at[-1]) || at[-1] == '\0';
}

// The header "N G obj" whose keyword starts at `keyword`: its number,
// generation and where N starts. False when the bytes before are no such header.
bool ReadHeaderBackwards(const char* begin, const char* end, const char* keyword, int64_t* number,
                         int64_t* generation, const char** start) {
  const char* after = keyword + 3;
  if (after < end && !IsWhite(*after) && !IsDelimiter(*after) && *after != '\0') {
    return false;  // "objx" is another word
  }
  const char* p = keyword;
  auto skip_white = [&] {
    const char* q = p;
    while (q > begin && IsWhite(q[-1]))
      --q;
    const bool moved = q != p;
    p = q;
    return moved;
  };
  auto read_digits = [&](int64_t* value) {
    const char* stop = p;
    while (p > begin && IsDigit(p[-1]) && stop - p < 10)
      --p;
    if (p == stop || (p > begin && IsDigit(p[-1]))) {
      return false;
    }
    int64_t result = 0;
    for (const char* d = p; d < stop; ++d)
      result = result * 10 + (*d - '0');
    *value = result;
    return true;
  };
  if (!skip_white() || !read_digits(generation) || !skip_white() || !read_digits(number)) {
    return false;
  }
  if (!Boundary(begin, p)) {
    return false;
  }
  *start = p;
  return true;
}

bool WindowHas(const char* from, const char* to, const char* word) {
  return to > from && memmem(from, static_cast<size_t>(to - from), word, strlen(word)) != nullptr;
}

struct FoundStream {
  int32_t number;
  int64_t offset;
};

// The number of the catalog that a trailer names by reference, or -1; the
// first Root counts, as in CatalogReadable.
int32_t RootNumber(Dictionary* trailer) {
  for (int i = 0; i < trailer->Count(); ++i) {
    if (strcmp(trailer->Key(i), "Root") == 0) {
      auto* reference = dynamic_cast<Reference*>(trailer->Value(i));
      return reference != nullptr ? reference->number : -1;
    }
  }
  return -1;
}

// Where the first of the sorted `starts` after `at` lies, or `end`.
int64_t NextStart(const std::vector<int64_t>& starts, int64_t at, int64_t end) {
  auto next = std::upper_bound(starts.begin(), starts.end(), at);
  return next != starts.end() ? *next : end;
}

}  // namespace

bool ModernReader::Repair(const std::string& reason) {
  Document& doc = doc_;
  if (!doc.ContinueOpen(0)) {
    return false;  // cancelled while the chain was read
  }
  doc.NoteModernFeature(kFeatureRepaired);
  // What the unreadable chain decoded may name other objects than the scan finds.
  doc.ObjectStreams().Clear();
  doc.Trace("rebuilding the cross-reference table: %s\n", reason.c_str());
  const char* begin = parser_.begin;
  const char* end = parser_.end;

  auto* table = new XRefTable(&doc, 0);
  table->kind = XRefKind::kRebuilt;
  std::vector<FoundStream> object_streams;
  std::vector<FoundStream> xref_streams;

  // One pass over the file: headers, and stream keywords whose data are
  // skipped so that bytes inside them are never taken for headers.
  const char* p = begin;
  const char* next_obj = Find(p, end, kObj, 3);
  const char* next_stream = Find(p, end, kStream, 6);
  const char* last_header = nullptr;  // where the last header's keyword ends
  int32_t last_number = 0;
  int64_t last_offset = 0;
  const char* no_endstream_after = end;
  while (next_obj < end || next_stream < end) {
    // The scan is most of a repair's time: it tells how far it got, and
    // stops when told to.
    if (!doc.ContinueOpen(std::min(next_obj, next_stream) - begin)) {
      return false;
    }
    if (next_obj < next_stream) {
      int64_t number = 0;
      int64_t generation = 0;
      const char* start = nullptr;
      if (ReadHeaderBackwards(begin, end, next_obj, &number, &generation, &start) && number > 0 &&
          number <= kMaxObjectNumber && generation <= 65535) {
        const int64_t offset = start - begin;
        if (offset <= INT32_MAX) {
          if (!table->SetEntryAt(number, static_cast<int32_t>(generation),
                                 static_cast<int32_t>(offset), 'n')) {
            return doc.Fail("%s", "Out of memory");
          }
          last_header = next_obj + 3;
          last_number = static_cast<int32_t>(number);
          last_offset = offset;
        }
      }
      next_obj = Find(next_obj + 3, end, kObj, 3);
      continue;
    }
    // A "stream": the keyword of the last header's object, unless it is the
    // end of "endstream" or part of a longer word.
    const char* keyword = next_stream;
    next_stream = Find(keyword + 6, end, kStream, 6);
    const bool is_end = keyword - begin >= 3 && memcmp(keyword - 3, "end", 3) == 0;
    const char* after = keyword + 6;
    const bool word = (after >= end || IsWhite(*after)) &&
                      (keyword == begin || IsWhite(keyword[-1]) || keyword[-1] == '>');
    if (is_end || !word || last_header == nullptr) {
      continue;
    }
    const char* window = std::max(last_header, keyword - kDictionaryWindow);
    if (WindowHas(window, keyword, "/ObjStm")) {
      object_streams.push_back({last_number, last_offset});
    } else if (WindowHas(window, keyword, "/XRef")) {
      xref_streams.push_back({last_number, last_offset});
    }
    last_header = nullptr;
    // Once no endstream follows some point, none follows any later one: the
    // search is not repeated for every stream after it.
    const char* stop = after >= no_endstream_after ? end : Find(after, end, kEndStream, 9);
    if (stop >= end) {
      // A stream that never ends: what follows its keyword is still scanned,
      // so that the objects after a damaged stream are found.
      no_endstream_after = std::min(no_endstream_after, after);
      continue;
    }
    p = stop + 9;
    if (next_obj < p) {
      next_obj = Find(p, end, kObj, 3);
    }
    if (next_stream < p) {
      next_stream = Find(p, end, kStream, 6);
    }
  }
  if (!doc.ContinueOpen(end - begin)) {
    return false;
  }
  if (table->count == 0) {
    table->SetEntryAt(0, 65535, 0, 'f');
  }
  doc.xref = table;

  // The objects of each object stream, unless a definition later in the file
  // replaced them.
  // What the searches below parse counts as work, a stream's or candidate's
  // bytes at most (a nominal amount for a decoded object stream).
  constexpr int64_t kObjectStreamWork = 64 << 10;
  for (const FoundStream& found : object_streams) {
    if (!doc.ContinueOpen(0, kObjectStreamWork)) {
      doc.xref = nullptr;
      return false;
    }
    const ObjectStreamData* data = doc.ObjectStreams().Get(found.number);
    if (data == nullptr) {
      continue;
    }
    for (size_t i = 0; i < data->index.size(); ++i) {
      const int32_t number = data->index[i].first;
      if (number <= 0 || number == found.number) {
        continue;
      }
      if (number < table->count) {
        const XRefEntry& entry = table->entries[number];
        if (entry.type == 'n' && entry.offset > found.offset) {
          continue;  // defined again after the stream
        }
        if (entry.type == 'c' && entry.offset > 0 && entry.offset < table->count) {
          // Another stream held it: the later stream wins.
          const XRefEntry& holder = table->entries[entry.offset];
          if (holder.offset > found.offset) {
            continue;
          }
        }
      }
      table->SetEntryAt(number, static_cast<int32_t>(i), found.number, 'c');
    }
  }

  // A damaged file may hold thousands of trailers and objects that never end
  // (a string left open runs to the end of the file): each candidate below is
  // parsed no further than where the next one starts, and each catalog number
  // is tried once, so that the search costs the file's size, not its square.
  parser_.IndexEndstreams();
  const int64_t size = end - begin;
  auto parse_until = [&](int64_t limit, auto parse) {
    const char* saved_end = parser_.end;
    parser_.end = begin + limit;
    auto* result = parse();
    parser_.end = saved_end;
    return result;
  };
  std::unordered_set<int32_t> roots_tried;
  auto names_readable_catalog = [&](Dictionary* candidate) {
    table->trailer = candidate;
    const int32_t root = RootNumber(candidate);
    if (root >= 0 && !roots_tried.insert(root).second) {
      return false;  // the same catalog was found unreadable already
    }
    return CatalogReadable();
  };

  // The trailer: the last one that names a readable catalog.
  Dictionary* trailer = nullptr;
  std::vector<int64_t> trailers;
  for (const char* at = Find(begin, end, kTrailer, 7); at < end;
       at = Find(at + 7, end, kTrailer, 7)) {
    trailers.push_back(at - begin);
  }
  for (auto it = trailers.rbegin(); it != trailers.rend() && trailer == nullptr; ++it) {
    const int64_t limit = NextStart(trailers, *it, size);
    if (!doc.ContinueOpen(0, limit - *it)) {
      break;
    }
    Dictionary* candidate = parse_until(limit, [&]() -> Dictionary* {
      parser_.Seek(static_cast<int32_t>(*it));
      if (!parser_.current.IsKeyword("trailer")) {
        return nullptr;
      }
      parser_.NextToken();
      return parser_.current.IsKeyword("<<") ? parser_.ParseDictionary() : nullptr;
    });
    if (candidate != nullptr && names_readable_catalog(candidate)) {
      trailer = candidate;
    }
  }
  // Where each object found by the scan starts, for the parses below.
  std::vector<int64_t> headers;
  for (int32_t number = 1; number < table->count; ++number) {
    if (table->entries[number].type == 'n') {
      headers.push_back(table->entries[number].offset);
    }
  }
  std::sort(headers.begin(), headers.end());
  // The null object once cancelled.
  auto parse_object = [&](int32_t number) -> Object* {
    const XRefEntry& entry = table->entries[number];
    if (entry.type == 'c') {
      return doc.ContinueOpen(0, 1) ? doc.GetObject(number, 0)  // one value of an object stream
                                    : doc.null_object;
    }
    const int64_t limit = NextStart(headers, entry.offset, size);
    if (!doc.ContinueOpen(0, limit - entry.offset)) {
      return doc.null_object;
    }
    Object* object = parse_until(limit, [&] { return parser_.ParseIndirectObject(entry.offset); });
    return object != nullptr ? object : doc.null_object;
  };
  for (auto it = xref_streams.rbegin();
       it != xref_streams.rend() && trailer == nullptr && !doc.OpenCancelled(); ++it) {
    Object* stream = parse_object(it->number);
    if (!stream->IsStream()) {
      continue;
    }
    Dictionary* candidate = CopyEntries(stream->AsDictionary());
    if (names_readable_catalog(candidate)) {
      trailer = candidate;
    }
  }
  if (trailer == nullptr) {
    // No trailer names one: the last object that is a catalog.
    for (int32_t number = table->count - 1;
         number > 0 && trailer == nullptr && !doc.OpenCancelled(); --number) {
      const char type = table->entries[number].type;
      if (type != 'n' && type != 'c') {
        continue;
      }
      Object* object = parse_object(number);
      if (object->IsDictionary() && object->Get("Type")->IsName("Catalog")) {
        trailer = new Dictionary(&doc);
        trailer->Set("Size", table->count);
        trailer->Set("Root", new Reference(&doc, number, object->generation));
        trailer->MarkModified(false);
      }
    }
  }
  if (doc.OpenCancelled()) {
    // Whatever was found so far is left to the close that follows; nothing
    // is reported.
    table->trailer = nullptr;
    doc.xref = nullptr;
    return false;
  }
  if (trailer == nullptr) {
    table->trailer = nullptr;
    doc.xref = nullptr;
    doc.Fail("%s", reason.c_str());
    return doc.Fail("%s", "No catalog was found in the file");
  }
  table->trailer = trailer;
  doc.ReportWarning("The cross-reference table was rebuilt by scanning the file (%s)",
                    reason.c_str());
  return true;
}

}  // namespace pdf

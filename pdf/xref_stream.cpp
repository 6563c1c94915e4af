// Cross-reference streams: the entries of a section as binary fields of the
// widths W, for the number ranges of Index, in a stream that is usually Flate
// with a PNG predictor. Its dictionary is the section's trailer.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "pdf/bounds.h"
#include "pdf/document.h"
#include "pdf/modern_reader.h"
#include "pdf/parser.h"
#include "pdf/prefault.h"

namespace pdf {

namespace {

uint64_t ReadField(const uint8_t* at, int width) {
  uint64_t value = 0;
  for (int i = 0; i < width; ++i) {
    value = (value << 8) | at[i];
  }
  return value;
}

// One entry from its three fields: a missing type field means type 1; unknown
// types, and offsets beyond 32 bits, read as free.
XRefEntry MakeEntry(uint64_t kind, uint64_t second, uint64_t third) {
  char letter = 'f';
  if (kind == 1 && second <= INT32_MAX) {
    letter = 'n';
  } else if (kind == 2 && second <= static_cast<uint64_t>(kMaxObjectNumber)) {
    letter = 'c';
  }
  return XRefEntry{static_cast<int32_t>(std::min<uint64_t>(third, INT32_MAX)),
                   static_cast<int32_t>(std::min<uint64_t>(second, INT32_MAX)), nullptr, letter};
}

// The widths producers use, with the field reads unrolled: a section of a
// million entries is read at memory speed.
template <int W0, int W1, int W2>
void FillFixed(const uint8_t* at, XRefEntry* out, int64_t n) {
  constexpr int kSize = W0 + W1 + W2;
  for (int64_t i = 0; i < n; ++i, at += kSize) {
    out[i] = MakeEntry(W0 == 0 ? 1 : ReadField(at, W0), ReadField(at + W0, W1),
                       ReadField(at + W0 + W1, W2));
  }
}

void FillEntries(const uint8_t* at, const int (&w)[3], XRefEntry* out, int64_t n) {
  const int key = w[0] * 100 + w[1] * 10 + w[2];
  switch (key) {
    case 121:
      return FillFixed<1, 2, 1>(at, out, n);
    case 122:
      return FillFixed<1, 2, 2>(at, out, n);
    case 131:
      return FillFixed<1, 3, 1>(at, out, n);
    case 132:
      return FillFixed<1, 3, 2>(at, out, n);
    case 141:
      return FillFixed<1, 4, 1>(at, out, n);
    case 142:
      return FillFixed<1, 4, 2>(at, out, n);
    default:
      break;
  }
  const int size = w[0] + w[1] + w[2];
  for (int64_t i = 0; i < n; ++i, at += size) {
    out[i] = MakeEntry(w[0] == 0 ? 1 : ReadField(at, w[0]), ReadField(at + w[0], w[1]),
                       ReadField(at + w[0] + w[1], w[2]));
  }
}

}  // namespace

XRefTable* ModernReader::ReadStreamSection(int64_t offset, std::string* problem) {
  Document& doc = doc_;
  const std::string where = " at offset " + std::to_string(offset);
  if (offset < 0 || offset > INT32_MAX) {
    *problem = "no cross-reference stream" + where;
    return nullptr;
  }
  Object* object = parser_.ParseIndirectObject(static_cast<int32_t>(offset));
  if (object == nullptr || !object->IsStream()) {
    *problem = "no cross-reference stream" + where;
    return nullptr;
  }
  Dictionary* stream = object->AsDictionary();
  Object* type = stream->Get("Type");
  if (!type->IsName("XRef")) {
    *problem = "the stream" + where + " is not of Type XRef";
    return nullptr;
  }
  Object* widths = stream->Get("W");
  int width[3] = {0, 0, 0};
  if (!widths->IsArray() || widths->Count() < 3) {
    *problem = "the cross-reference stream" + where + " has no usable W";
    return nullptr;
  }
  for (int i = 0; i < 3; ++i) {
    Object* item = widths->Item(i);
    width[i] = item->IntValue();
    if (!item->IsNumber() || width[i] < 0 || width[i] > kMaxXRefFieldWidth) {
      *problem = "the cross-reference stream" + where + " has field widths beyond " +
                 std::to_string(kMaxXRefFieldWidth) + " bytes";
      return nullptr;
    }
  }
  const int entry_size = width[0] + width[1] + width[2];
  if (entry_size == 0) {
    *problem = "the cross-reference stream" + where + " has entries of no bytes";
    return nullptr;
  }
  Object* size_object = stream->Get("Size");
  const int64_t size = size_object->IntValue();
  if (!size_object->IsNumber() || size < 0) {
    *problem = "the cross-reference stream" + where + " has no usable Size";
    return nullptr;
  }

  // Index: pairs of first number and count; [0 Size] when absent.
  std::vector<std::pair<int64_t, int64_t>> ranges;
  Object* index = stream->Get("Index");
  if (index->IsArray()) {
    for (int i = 0; i + 1 < index->Count(); i += 2) {
      Object* start = index->Item(i);
      Object* count = index->Item(i + 1);
      if (!start->IsNumber() || !count->IsNumber()) {
        *problem = "the cross-reference stream" + where + " has an unusable Index";
        return nullptr;
      }
      ranges.emplace_back(start->IntValue(), count->IntValue());
    }
  } else {
    ranges.emplace_back(0, size);
  }
  int64_t highest = 0;
  int64_t listed = 0;
  for (const auto& [start, count] : ranges) {
    if (start < 0 || count < 0 || start + count > static_cast<int64_t>(kMaxObjectNumber) + 1) {
      *problem = "the cross-reference stream" + where + " lists numbers " + std::to_string(start) +
                 " to " + std::to_string(start + count) + BeyondObjectLimit(start, count);
      return nullptr;
    }
    highest = std::max(highest, start + count);
    listed += count;
  }

  // An encrypted file's key takes as long as a good part of this stream's
  // reading: it may be derived meanwhile.
  doc.SpeculateDecryption(stream, static_cast<int32_t>(offset));
  StreamDecoder decoder = doc.Options().decoder;
  if (decoder == nullptr) {
    *problem = "cross-reference streams cannot be decoded in this build";
    return nullptr;
  }
  std::vector<uint8_t> bytes;
  std::string error;
  // A predictor adds a tag byte to every row before it is undone.
  const size_t limit =
      std::min<size_t>(kMaxXRefStreamBytes,
                       static_cast<size_t>(listed) * (static_cast<size_t>(entry_size) + 1) + 4096);
  if (!decoder(stream, limit, &bytes, &error)) {
    *problem = "the cross-reference stream" + where + ": " + error;
    return nullptr;
  }
  if (!error.empty()) {
    doc.ReportWarning("Cross-reference stream%s: %s", where.c_str(), error.c_str());
  }

  auto* table = new XRefTable(&doc, static_cast<int32_t>(offset));
  table->kind = XRefKind::kStream;
  table->stream = stream;
  table->first = 0;
  // No free head of its own: entry 0 is what the stream says, if anything.
  table->count = 0;
  if (table->entries != nullptr) {
    table->entries[0] = XRefEntry{0, 0, nullptr, 0};
  }
  const int64_t available = static_cast<int64_t>(bytes.size()) / entry_size;
  if (!table->Reserve(std::min(highest, available + 1))) {
    *problem = "out of memory";
    return nullptr;
  }
  int64_t read = 0;
  for (const auto& [start, count] : ranges) {
    const int64_t n = std::min(count, available - read);
    if (n <= 0) {
      continue;
    }
    // Room for the range at once; the entries are then written in place.
    if (start + n > table->capacity && !table->Reserve(start + n)) {
      *problem = "out of memory";
      return nullptr;
    }
    PrefaultWrite(table->entries + start, static_cast<size_t>(n) * sizeof(XRefEntry));
    FillEntries(bytes.data() + read * entry_size, width, table->entries + start, n);
    table->count = static_cast<int32_t>(std::max<int64_t>(table->count, start + n));
    read += n;
  }
  if (read < listed) {
    doc.ReportWarning("Cross-reference stream%s holds %lld of its %lld entries", where.c_str(),
                      static_cast<long long>(read), static_cast<long long>(listed));
  }
  if (table->count == 0) {
    table->SetEntryAt(0, 65535, 0, 'f');
  }
  table->trailer = CopyEntries(stream);
  doc.NoteModernFeature(kFeatureXRefStreams);
  return table;
}

}  // namespace pdf

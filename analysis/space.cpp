#include "analysis/space.h"

#include <algorithm>
#include <map>
#include <set>

#include "analysis/newest_entries.h"
#include "diag/format.h"
#include "pdf/bounds.h"
#include "pdf/document.h"
#include "pdf/object.h"
#include "pdf/object_stream.h"
#include "pdf/xref_table.h"

namespace {

// Pages walked at most when finding content streams.
constexpr size_t kMaxPagesWalked = 1000000;

// The numbers of the page contents streams, along the page tree.
void CollectContents(pdf::Object* node, int depth, std::set<pdf::Object*>* seen,
                     std::set<int32_t>* contents) {
  if (depth > pdf::kMaxNesting || !node->IsDictionary() || seen->size() >= kMaxPagesWalked ||
      !seen->insert(node).second) {
    return;
  }
  pdf::Object* stored = nullptr;
  if (pdf::Dictionary* dict = node->AsDictionary(); dict != nullptr) {
    for (int i = 0; i < dict->Count(); ++i) {
      if (std::string_view(dict->Key(i)) == "Contents") {
        stored = dict->Value(i);
      }
    }
  }
  if (stored != nullptr) {
    if (stored->Resolve() != stored) {
      contents->insert(stored->number);
    }
    pdf::Object* list = stored->Resolve();
    if (list->IsArray()) {
      pdf::Array* array = list->AsArray();
      for (int i = 0; i < array->Count(); ++i) {
        pdf::Object* item = array->Value(i);
        if (item->Resolve() != item) {
          contents->insert(item->number);
        }
      }
    }
  }
  pdf::Object* kids = node->Get("Kids");
  for (int i = 0; kids->IsArray() && i < kids->Count(); ++i) {
    CollectContents(kids->Item(i), depth + 1, seen, contents);
  }
}

std::string KindOf(pdf::Object* object, int32_t number, const std::set<int32_t>& contents) {
  if (object->IsStream()) {
    pdf::Object* type = object->Get("Type");
    pdf::Object* subtype = object->Get("Subtype");
    if (type->IsName("XRef")) {
      return "cross-reference stream";
    }
    if (type->IsName("ObjStm")) {
      return "object stream (its index)";
    }
    if (subtype->IsName("Image")) {
      return "image stream";
    }
    if (!object->Get("Length1")->IsNull() || !object->Get("Length2")->IsNull() ||
        subtype->IsName("Type1C") || subtype->IsName("CIDFontType0C") ||
        subtype->IsName("OpenType")) {
      return "font file stream";
    }
    if (contents.count(number) != 0) {
      return "page content stream";
    }
    if (subtype->IsName("Form")) {
      return "form stream";
    }
    if (type->IsName("Metadata")) {
      return "metadata stream";
    }
    return "other stream";
  }
  if (object->IsDictionary()) {
    pdf::Object* type = object->Get("Type");
    pdf::Object* subtype = object->Get("Subtype");
    std::string kind = type->IsName() ? type->Text() : "dictionary";
    if (subtype->IsName() && (type->IsName("Font") || type->IsName("Annot") || !type->IsName())) {
      kind += std::string(" ") + subtype->Text();
    }
    return kind;
  }
  if (object->IsArray()) {
    return "array";
  }
  return object->IsNull() ? "null or unreadable" : "other value";
}

}  // namespace

FileSpace MeasureSpace(pdf::Document& doc) {
  FileSpace space;
  space.file_bytes = static_cast<int64_t>(doc.FileBytes().size());
  if (space.file_bytes == 0) {
    return space;
  }
  const std::vector<NewestEntry> entries = NewestEntries(doc);

  // What may follow an object: another object, a section, the end.
  std::vector<int64_t> starts;
  std::vector<int64_t> sections;
  std::set<pdf::XRefTable*> seen;
  for (pdf::XRefTable* table = doc.xref; table != nullptr && seen.insert(table).second;
       table = table->prev) {
    if (table->section_offset > 0 && table->kind == pdf::XRefKind::kClassic) {
      sections.push_back(table->section_offset);
    }
  }
  for (const NewestEntry& listed : entries) {
    if (listed.entry.type == 'n' && listed.entry.offset > 0) {
      starts.push_back(listed.entry.offset);
    }
  }
  starts.insert(starts.end(), sections.begin(), sections.end());
  starts.push_back(space.file_bytes);
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  auto size_at = [&](int64_t offset) -> int64_t {
    auto next = std::upper_bound(starts.begin(), starts.end(), offset);
    return next == starts.end() ? 0 : *next - offset;
  };
  for (int64_t section : sections) {
    space.sections_bytes += size_at(section);
  }
  space.other_bytes = starts.empty() ? space.file_bytes : starts.front();

  std::set<int32_t> contents;
  std::set<pdf::Object*> walked;
  if (doc.xref != nullptr && doc.xref->trailer != nullptr) {
    CollectContents(doc.xref->trailer->Get("Root")->Get("Pages"), 0, &walked, &contents);
  }
  space.objects.reserve(entries.size());
  std::map<int32_t, size_t> containers;  // object stream number -> its row
  std::map<int32_t, int64_t> decoded;    // object stream number -> its decoded size
  for (const NewestEntry& listed : entries) {
    ObjectSpace row;
    row.number = listed.number;
    row.compressed = listed.entry.type == 'c';
    row.generation = row.compressed ? 0 : listed.entry.generation;
    row.offset = row.compressed ? 0 : listed.entry.offset;
    row.bytes = row.compressed ? 0 : size_at(listed.entry.offset);
    row.kind = KindOf(doc.GetObject(row.number, row.generation), row.number, contents);
    if (row.kind == "object stream (its index)") {
      containers[row.number] = space.objects.size();
    }
    if (row.compressed) {
      // Its part of the decoded stream, while the load just made keeps the
      // stream decoded: turned into a share of the stream's bytes below.
      const pdf::ObjectStreamData* data = doc.ObjectStreams().Get(listed.entry.offset);
      const int64_t position = data != nullptr ? data->Find(row.number) : -1;
      const int64_t from = position >= 0 ? data->OffsetAt(static_cast<size_t>(position)) : -1;
      if (from >= 0) {
        int64_t to = static_cast<int64_t>(data->bytes.size());
        for (size_t next = static_cast<size_t>(position) + 1; next < data->index.size(); ++next) {
          const int64_t at = data->OffsetAt(next);
          if (at > from) {
            to = at;
            break;
          }
        }
        row.bytes = to - from;
        decoded[listed.entry.offset] = static_cast<int64_t>(data->bytes.size());
      }
    }
    space.objects.push_back(std::move(row));
  }
  // Compressed objects share their stream's bytes by their part of its
  // decoded data; the stream keeps the part of its index.
  std::map<int32_t, int64_t> given;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].entry.type != 'c') {
      continue;
    }
    ObjectSpace& object = space.objects[i];
    const int32_t container = entries[i].entry.offset;
    auto found = containers.find(container);
    auto size = decoded.find(container);
    if (found == containers.end() || size == decoded.end() || size->second <= 0) {
      object.bytes = 0;
      continue;
    }
    const ObjectSpace& stream = space.objects[found->second];
    object.offset = stream.offset;
    object.bytes = stream.bytes * object.bytes / size->second;
    given[container] += object.bytes;
  }
  for (const auto& [container, bytes] : given) {
    ObjectSpace& stream = space.objects[containers[container]];
    stream.bytes = std::max<int64_t>(0, stream.bytes - bytes);
  }
  std::map<std::string, KindSpace> kinds;
  for (const ObjectSpace& object : space.objects) {
    KindSpace& kind = kinds[object.kind];
    kind.kind = object.kind;
    ++kind.objects;
    kind.bytes += object.bytes;
  }
  for (auto& [name, kind] : kinds) {
    space.kinds.push_back(kind);
  }
  std::sort(space.kinds.begin(), space.kinds.end(), [](const KindSpace& a, const KindSpace& b) {
    return a.bytes != b.bytes ? a.bytes > b.bytes : a.kind < b.kind;
  });
  return space;
}

std::string SpaceText(const FileSpace& space) {
  std::string text = FormatText("%-36s %10s %14s %7s\n", "kind", "objects", "bytes", "share");
  const double whole = space.file_bytes > 0 ? static_cast<double>(space.file_bytes) : 1.0;
  auto line = [&](const std::string& kind, int64_t objects, int64_t bytes) {
    text +=
        FormatText("%-36s %10lld %14lld %6.1f%%\n", kind.c_str(), static_cast<long long>(objects),
                   static_cast<long long>(bytes), 100.0 * static_cast<double>(bytes) / whole);
  };
  int64_t objects = 0;
  for (const KindSpace& kind : space.kinds) {
    line(kind.kind, kind.objects, kind.bytes);
    objects += kind.objects;
  }
  line("cross-reference tables", 0, space.sections_bytes);
  line("header and before the first object", 0, space.other_bytes);
  line("the file", objects, space.file_bytes);
  return text;
}

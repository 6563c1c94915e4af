#include "cli/inspect_json.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "analysis/file_map.h"
#include "analysis/newest_entries.h"
#include "analysis/reference_index.h"
#include "analysis/revisions.h"
#include "analysis/space.h"
#include "analysis/xref_check.h"
#include "cli/inspect_options.h"
#include "cli/inspect_views.h"
#include "describe/description.h"
#include "describe/find.h"
#include "describe/item_path.h"
#include "describe/labels.h"
#include "describe/object_list.h"
#include "pdf/document.h"
#include "pdf/name_text.h"
#include "pdf/object.h"
#include "pdf/string_bytes.h"
#include "pdf/xref_table.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr char kHexDigits[] = "0123456789ABCDEF";

// A name's bytes as PDF writes a name, without the slash: every byte outside
// ! .. ~, and # itself, as #xx. Printable names read unchanged, and no two
// names give the same text.
std::string NameSyntax(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (const char byte : bytes) {
    const auto c = static_cast<unsigned char>(byte);
    if (c < 0x21 || c > 0x7e || c == '#') {
      text += '#';
      text += kHexDigits[c >> 4];
      text += kHexDigits[c & 15];
    } else {
      text += byte;
    }
  }
  return text;
}

// A name object in NameSyntax. Modern mode reads #xx escapes as the standard
// has since PDF 1.2; classic mode reads names as PDF 1.1 did, # a byte like
// any other (as it reads dictionary keys).
std::string NameJson(pdf::Object* name) {
  const std::string written = name->Text();
  std::string decoded;
  if (name->doc != nullptr && name->doc->Modern() && pdf::DecodeNameEscapes(written, &decoded)) {
    return NameSyntax(decoded);
  }
  return NameSyntax(written);
}

// Valid UTF-8 without control characters but tab, CR and LF: the bytes are
// then exactly the UTF-8 of a JSON string.
bool IsPlainText(const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size();) {
    const uint8_t c = bytes[i];
    if (c < 0x80) {
      if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f) {
        return false;
      }
      ++i;
      continue;
    }
    size_t length = 0;
    uint32_t code = 0;
    if ((c & 0xe0) == 0xc0) {
      length = 2;
      code = c & 0x1f;
    } else if ((c & 0xf0) == 0xe0) {
      length = 3;
      code = c & 0x0f;
    } else if ((c & 0xf8) == 0xf0) {
      length = 4;
      code = c & 0x07;
    } else {
      return false;
    }
    if (i + length > bytes.size()) {
      return false;
    }
    for (size_t k = 1; k < length; ++k) {
      if ((bytes[i + k] & 0xc0) != 0x80) {
        return false;
      }
      code = code << 6 | (bytes[i + k] & 0x3f);
    }
    constexpr uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kShortest[length] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff) ||
        code <= 0x9f) {  // overlong, out of range, a surrogate, or a C1 control
      return false;
    }
    i += length;
  }
  return true;
}

Json StringJson(pdf::Object* string) {
  std::vector<uint8_t> bytes;
  pdf::StringBytes(string, &bytes);
  Json json;
  json["type"] = "string";
  if (IsPlainText(bytes)) {
    json["encoding"] = "text";
    json["value"] = std::string(bytes.begin(), bytes.end());
  } else {
    std::string hex;
    hex.reserve(2 * bytes.size());
    for (const uint8_t byte : bytes) {
      hex += kHexDigits[byte >> 4];
      hex += kHexDigits[byte & 15];
    }
    json["encoding"] = "hex";
    json["value"] = std::move(hex);
  }
  return json;
}

// The number as written, and its value: an integer when the text is one,
// null when the value is no finite number.
Json NumberJson(pdf::Object* number) {
  const char* text = number->Text();
  const double value = number->RealValue();
  Json json;
  json["type"] = "number";
  json["text"] = text;
  if (!std::isfinite(value)) {
    json["value"] = nullptr;
  } else if (strpbrk(text, ".eE") == nullptr && std::trunc(value) == value &&
             std::fabs(value) <= 9007199254740992.0) {  // 2^53: every integer up to it is exact
    json["value"] = static_cast<int64_t>(value);
  } else {
    json["value"] = value;
  }
  return json;
}

// Where the stream's data start in the file, or -1 when they are not the
// file's bytes (data deciphered in memory).
int64_t StreamDataOffset(pdf::Dictionary* stream) {
  if (stream->doc == nullptr || stream->data.text == nullptr) {
    return -1;
  }
  const std::string_view file = stream->doc->FileBytes();
  const auto first = reinterpret_cast<uintptr_t>(file.data());
  const auto at = reinterpret_cast<uintptr_t>(stream->data.text);
  return at >= first && at - first <= file.size() ? static_cast<int64_t>(at - first) : -1;
}

Json ObjectJson(pdf::Object* object);

// The entries in the dictionary's order. Its keys are distinct, and so are
// their NameSyntax texts: each goes in without a search. (A key that a
// hostile file wrote with #00 ends there, and may then come twice.)
Json EntriesJson(pdf::Dictionary* dict) {
  Json entries = Json::object();
  auto& map = entries.get_ref<Json::object_t&>();
  map.reserve(static_cast<size_t>(dict->Count() > 0 ? dict->Count() : 0));
  for (int i = 0; i < dict->Count(); ++i) {
    map.emplace_back(NameSyntax(dict->Key(i)), ObjectJson(dict->Value(i)));
  }
  return entries;
}

// A PDF object as the file holds it: values written as references stay
// references, so the recursion goes no deeper than the parser nests.
Json ObjectJson(pdf::Object* object) {
  Json json;
  if (object == nullptr || object->IsNull()) {
    json["type"] = "null";
  } else if (auto* reference = dynamic_cast<pdf::Reference*>(object)) {
    json["type"] = "reference";
    json["num"] = reference->number;
    json["gen"] = reference->generation;
  } else if (pdf::XRefTable* table = object->AsXRefTable()) {
    json["type"] = "xref_section";
    json["label"] = SectionLabel(table);
  } else if (pdf::Dictionary* dict = object->AsDictionary()) {
    json["type"] = dict->IsStream() ? "stream" : "dictionary";
    json["entries"] = EntriesJson(dict);
    if (dict->IsStream()) {
      const int64_t offset = StreamDataOffset(dict);
      json["length"] = dict->data.length > 0 ? dict->data.length : 0;
      json["offset"] = offset >= 0 ? Json(offset) : Json(nullptr);
    }
  } else if (pdf::Array* array = object->AsArray()) {
    Json items = Json::array();
    for (int i = 0; i < array->Count(); ++i) {
      items.push_back(ObjectJson(array->Value(i)));
    }
    json["type"] = "array";
    json["items"] = std::move(items);
  } else if (object->IsNumber()) {
    json = NumberJson(object);
  } else if (object->IsString()) {
    json = StringJson(object);
  } else if (object->IsName()) {
    json["type"] = "name";
    json["value"] = NameJson(object);
  } else if (object->IsBoolean()) {
    json["type"] = "boolean";
    json["value"] = object->BoolValue();
  } else {
    json["type"] = "null";  // what the text views call it too
  }
  return json;
}

// A number, or null for none (0 or below, as the analyses write it).
Json NumberOrNull(int64_t value) {
  return value > 0 ? Json(value) : Json(nullptr);
}

Json TreeJson(const std::vector<TreeItem>& items, int depth, int max_depth) {
  Json list = Json::array();
  for (const TreeItem& item : items) {
    pdf::Object* object = item.object;
    Json json;
    json["label"] = item.label;
    json["key"] = item.key;
    json["child_count"] = item.child_count >= 0 ? Json(item.child_count) : Json(nullptr);
    if (!object->IsDictionary() && !object->IsStream() && !object->IsArray() &&
        object->AsXRefTable() == nullptr) {  // a value on its own, not one to expand
      json["value"] = ObjectJson(object);
    }
    if (depth < max_depth && item.Expandable()) {
      json["children"] = TreeJson(ChildItems(object), depth + 1, max_depth);
    }
    list.push_back(std::move(json));
  }
  return list;
}

Json ObjectsJson(pdf::Document& doc) {
  Json rows = Json::array();
  for (const ListedObject& listed : ListObjects(doc)) {
    const ObjectRow row = ObjectRowOf(doc, listed);
    Json json;
    json["num"] = row.number;
    json["gen"] = row.generation;
    json["offset"] = row.compressed ? Json(nullptr) : Json(row.place);
    json["object_stream"] = row.compressed ? Json(row.place) : Json(nullptr);
    json["kind"] = row.kind;
    json["type"] = row.type != nullptr ? Json(NameJson(row.type)) : Json(nullptr);
    rows.push_back(std::move(json));
  }
  Json result;
  result["objects"] = std::move(rows);
  return result;
}

bool FindJson(pdf::Document& doc, const InspectOptions& options, Json* result, std::string* error) {
  const FindQuery query = FindQueryOf(options);
  FindMatcher matcher;
  if (!matcher.Compile(query, error)) {
    return false;
  }
  Json hits = Json::array();
  FindInObjects(
      doc, ListObjects(doc), matcher,
      [&hits](const FindHit& hit) {
        Json json;
        json["num"] = hit.number;
        json["gen"] = hit.generation;
        json["path"] = hit.path;
        json["where"] = hit.where;
        json["text"] = hit.text;
        hits.push_back(std::move(json));
      },
      nullptr, nullptr);
  Json& json_query = (*result)["query"];
  json_query["text"] = query.text;
  json_query["regex"] = query.regex;
  json_query["match_case"] = query.match_case;
  json_query["in_streams"] = query.in_streams;
  (*result)["hits"] = std::move(hits);
  return true;
}

bool RefsJson(pdf::Document& doc, int32_t number, Json* result, std::string* error) {
  const std::vector<ListedObject> listed = ListObjects(doc);
  const int at = FindListedObject(listed, number);
  if (at < 0) {
    *error = "object " + std::to_string(number) + " is not in the cross-reference chain";
    return false;
  }
  const ListedObject& object = listed[static_cast<size_t>(at)];
  Json references = Json::array();
  for (const HeldReference& held :
       HeldReferences(doc.GetObject(object.number, object.generation))) {
    Json json;
    json["path"] = held.path;
    json["num"] = held.number;
    json["gen"] = held.generation;
    json["target"] = held.target->IsNull() ? Json(nullptr) : Json(ObjectKindName(held.target));
    references.push_back(std::move(json));
  }
  Json referrers = Json::array();
  ReferenceIndex index;
  index.Build(doc);
  for (const Referrer& referrer : ReferrersOf(doc, listed, index, object.number)) {
    Json json;
    json["num"] = referrer.number;
    json["gen"] = referrer.generation;
    json["trailer"] = referrer.number == 0;
    json["paths"] = referrer.paths;
    referrers.push_back(std::move(json));
  }
  (*result)["num"] = object.number;
  (*result)["gen"] = object.generation;
  (*result)["references"] = std::move(references);
  (*result)["referrers"] = std::move(referrers);
  return true;
}

Json RevisionsJson(pdf::Document& doc) {
  bool ordered = true;
  const std::vector<Revision> revisions = ListRevisions(doc, &ordered);
  Json list = Json::array();
  int64_t start = 0;
  for (const Revision& revision : revisions) {
    Json json;
    json["index"] = revision.index;
    json["kind"] = revision.kind;
    json["section_offset"] = revision.section_offset;
    // As the text view counts: from the end of the revision before that had one.
    json["from"] = revision.end > 0 ? Json(start) : Json(nullptr);
    json["to"] = NumberOrNull(revision.end);
    if (revision.end > 0) {
      start = revision.end;
    }
    json["listed"] = revision.listed;
    json["added"] = revision.added;
    json["changed"] = revision.changed;
    json["freed"] = revision.freed;
    list.push_back(std::move(json));
  }
  Json signatures = Json::array();
  for (const SignedRevision& signature : ListSignatures(doc, revisions)) {
    Json json;
    json["num"] = signature.number;
    json["byte_range"] = std::vector<int64_t>(signature.byte_range, signature.byte_range + 4);
    json["usable"] = signature.usable;
    json["revision"] = NumberOrNull(signature.revision);
    json["whole"] = signature.whole;
    json["gap_is_contents"] = signature.gap_is_contents;
    json["changed_after"] = signature.changed_after;
    signatures.push_back(std::move(json));
  }
  Json result;
  result["ordered"] = ordered;
  result["revisions"] = std::move(list);
  result["signatures"] = std::move(signatures);
  return result;
}

Json OrphansJson(pdf::Document& doc) {
  ReferenceIndex index;
  index.Build(doc);
  Json orphans = Json::array();
  if (index.Complete()) {  // else none can be told (see ReferenceIndex)
    const std::vector<NewestEntry> entries = NewestEntries(doc);
    for (const int32_t number : index.Orphans()) {
      auto at = std::lower_bound(
          entries.begin(), entries.end(), number,
          [](const NewestEntry& entry, int32_t wanted) { return entry.number < wanted; });
      const int32_t generation =
          at != entries.end() && at->number == number && at->entry.type == 'n'
              ? at->entry.generation
              : 0;
      pdf::Object* object = doc.GetObject(number, generation);
      pdf::Object* type = object->AsDictionary() != nullptr ? object->Get("Type") : nullptr;
      Json json;
      json["num"] = number;
      json["gen"] = generation;
      json["kind"] = KindOf(object);
      json["type"] = type != nullptr && type->IsName() ? Json(NameJson(type)) : Json(nullptr);
      orphans.push_back(std::move(json));
    }
  }
  Json result;
  result["complete"] = index.Complete();
  result["objects"] = index.Objects();
  result["references"] = index.References();
  result["orphans"] = std::move(orphans);
  return result;
}

Json StatsJson(pdf::Document& doc) {
  const FileSpace space = MeasureSpace(doc);
  Json kinds = Json::array();
  for (const KindSpace& kind : space.kinds) {
    Json json;
    json["kind"] = kind.kind;
    json["objects"] = kind.objects;
    json["bytes"] = kind.bytes;
    kinds.push_back(std::move(json));
  }
  Json objects = Json::array();
  for (const ObjectSpace& object : space.objects) {
    Json json;
    json["num"] = object.number;
    json["gen"] = object.generation;
    json["offset"] = object.offset;
    json["bytes"] = object.bytes;
    json["compressed"] = object.compressed;
    json["kind"] = object.kind;
    objects.push_back(std::move(json));
  }
  Json result;
  result["file_bytes"] = space.file_bytes;
  result["sections_bytes"] = space.sections_bytes;
  result["other_bytes"] = space.other_bytes;
  result["kinds"] = std::move(kinds);
  result["objects"] = std::move(objects);
  return result;
}

// A word for each part that stays the same whatever the text view says.
const char* MapPartId(MapPart part) {
  switch (part) {
    case MapPart::kHeader:
      return "header";
    case MapPart::kObject:
      return "object";
    case MapPart::kEarlierObject:
      return "earlier_object";
    case MapPart::kSection:
      return "section";
    case MapPart::kTrailer:
      return "trailer";
    case MapPart::kUnowned:
      return "unowned";
    case MapPart::kAfterEnd:
      return "after_end";
  }
  return "unowned";
}

Json MapJson(pdf::Document& doc) {
  const FileMap map = MapFile(doc, MeasureSpace(doc));
  Json ranges = Json::array();
  for (const MapRange& range : map.ranges) {
    const std::string& kind = range.kind < map.kinds.size() ? map.kinds[range.kind] : "";
    Json json;
    json["from"] = range.from;
    json["to"] = range.to;
    json["part"] = MapPartId(range.part);
    json["num"] = NumberOrNull(range.number);
    json["gen"] = range.number > 0 ? Json(range.generation) : Json(nullptr);
    json["kind"] = kind.empty() ? Json(nullptr) : Json(kind);
    json["description"] = DescribeRange(map, range);
    ranges.push_back(std::move(json));
  }
  Json result;
  result["file_bytes"] = map.file_bytes;
  result["ranges"] = std::move(ranges);
  return result;
}

// --select and --object: the object, then the detail pane's text (which may
// decipher a stream's data: the offset of its data is taken first).
Json DescribedJson(pdf::Object* object, Json result) {
  result["object"] = ObjectJson(object);
  result["description"] = DescribeWithPicture(object, /*image=*/nullptr);
  return result;
}

}  // namespace

bool MakeJsonView(pdf::Document& doc, const InspectOptions& options, JsonView* view,
                  std::string* error) {
  Json& result = view->result;
  if (options.objects) {
    view->name = "objects";
    result = ObjectsJson(doc);
  } else if (!options.find.empty()) {
    view->name = "find";
    return FindJson(doc, options, &result, error);
  } else if (options.refs >= 0) {
    view->name = "refs";
    return RefsJson(doc, static_cast<int32_t>(options.refs), &result, error);
  } else if (options.revisions) {
    view->name = "revisions";
    result = RevisionsJson(doc);
  } else if (options.check) {
    view->name = "check";
    result["findings"] = CheckCrossReferences(doc);
  } else if (options.orphans) {
    view->name = "orphans";
    result = OrphansJson(doc);
  } else if (options.stats) {
    view->name = "stats";
    result = StatsJson(doc);
  } else if (options.map) {
    view->name = "map";
    result = MapJson(doc);
  } else if (options.object >= 0) {
    view->name = "object";
    const auto number = static_cast<int32_t>(options.object);
    if (!ObjectIsListed(doc, number)) {
      *error = "object " + std::to_string(number) + " is not in the cross-reference chain";
      return false;
    }
    Json json;
    json["num"] = number;
    result = DescribedJson(doc.GetObject(number, 0), std::move(json));
  } else if (!options.select.empty()) {
    view->name = "select";
    std::vector<TreeItem> trail;
    if (!FindItemPath(doc, options.select, &trail, error)) {
      return false;
    }
    Json json;
    json["path"] = options.select;
    json["label"] = trail.back().label;
    result = DescribedJson(trail.back().object, std::move(json));
  } else {
    view->name = "tree";
    const int depth = options.tree_depth < 0 ? 0 : options.tree_depth;
    result["depth"] = depth;
    result["items"] = TreeJson(TopLevelItems(doc), 0, depth);
  }
  return true;
}

std::string JsonDocumentText(pdf::Document& doc, const InspectOptions& options, JsonView view,
                             const std::vector<std::string>& messages) {
  Json document;
  document["format"] = "quorvel-inspect";
  document["version"] = 1;
  document["file"] = options.file;
  document["mode"] = doc.Modern() ? "modern" : "classic";
  document["view"] = view.name;
  document["messages"] = messages;
  document["result"] = std::move(view.result);
  // Labels, descriptions, messages and matches are the text views' words,
  // which may hold bytes that are no UTF-8: each such byte becomes U+FFFD.
  return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

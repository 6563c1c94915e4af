#include "cli/inspect_views.h"

#include "analysis/reference_index.h"
#include "diag/format.h"
#include "pdf/document.h"
#include "pdf/object.h"
#include "pdf/xref_table.h"

namespace {

void CollectReferences(pdf::Object* value, const std::string& path, int depth,
                       std::vector<HeldReference>* out) {
  // Deeper than any real file nests; a hostile one is cut here.
  constexpr int kMaxDepth = 64;
  if (value == nullptr || depth > kMaxDepth) {
    return;
  }
  if (auto* reference = dynamic_cast<pdf::Reference*>(value)) {
    out->push_back({path, reference->number, reference->generation, reference->Resolve()});
    return;
  }
  auto child = [&](const std::string& key) { return path.empty() ? key : path + "/" + key; };
  if (pdf::Dictionary* dict = value->AsDictionary()) {
    for (int i = 0; i < dict->Count(); ++i) {
      CollectReferences(dict->Value(i), child(dict->Key(i)), depth + 1, out);
    }
  } else if (pdf::Array* array = value->AsArray()) {
    for (int i = 0; i < array->Count(); ++i) {
      CollectReferences(array->Value(i), child(FormatText("[%d]", i)), depth + 1, out);
    }
  }
}

}  // namespace

const char* KindOf(pdf::Object* object) {
  return object->IsStream()       ? "stream"
         : object->IsDictionary() ? "dictionary"
         : object->IsArray()      ? "array"
         : object->IsNumber()     ? "number"
         : object->IsString()     ? "string"
         : object->IsName()       ? "name"
         : object->IsBoolean()    ? "boolean"
                                  : "null";
}

ObjectRow ObjectRowOf(pdf::Document& doc, const ListedObject& listed) {
  pdf::Object* object = doc.GetObject(listed.number, listed.generation);
  ObjectRow row;
  row.number = listed.number;
  row.generation = listed.generation;
  const pdf::XRefEntry* entry = doc.Modern() ? doc.xref->FindEntry(listed.number) : nullptr;
  row.compressed = entry != nullptr && entry->type == 'c';
  row.place = entry != nullptr ? entry->offset : doc.xref->Lookup(listed.number, listed.generation);
  row.kind = KindOf(object);
  pdf::Object* type =
      object->IsDictionary() || object->IsStream() ? object->Get("Type") : doc.null_object;
  row.type = type->IsName() ? type : nullptr;
  return row;
}

std::vector<HeldReference> HeldReferences(pdf::Object* object) {
  std::vector<HeldReference> references;
  CollectReferences(object, "", 0, &references);
  return references;
}

std::vector<Referrer> ReferrersOf(pdf::Document& doc, const std::vector<ListedObject>& listed,
                                  const ReferenceIndex& index, int32_t number) {
  std::vector<Referrer> referrers;
  for (int32_t from_number : index.ReferrersOf(number)) {
    Referrer referrer;
    referrer.number = from_number;
    pdf::Object* from = doc.xref->trailer;
    if (from_number != 0) {
      const int found = FindListedObject(listed, from_number);
      referrer.generation = found >= 0 ? listed[static_cast<size_t>(found)].generation : 0;
      from = doc.GetObject(from_number, referrer.generation);
    }
    referrer.paths = ReferencePaths(from, number);
    referrers.push_back(std::move(referrer));
  }
  return referrers;
}

bool ObjectIsListed(pdf::Document& doc, int32_t number) {
  if (doc.xref == nullptr) {
    return false;
  }
  if (doc.Modern()) {
    const pdf::XRefEntry* entry = doc.xref->FindEntry(number);
    return entry != nullptr && (entry->type == 'n' || entry->type == 'c');
  }
  return doc.xref->Lookup(number, 0) > 0;
}

FindQuery FindQueryOf(const InspectOptions& options) {
  FindQuery query;
  query.text = options.find;
  query.regex = options.regex;
  query.match_case = options.match_case;
  query.in_streams = options.in_streams;
  return query;
}

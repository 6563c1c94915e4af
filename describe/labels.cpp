#include "describe/labels.h"

#include <cstring>
#include <unordered_set>

#include "describe/text_string.h"
#include "diag/format.h"
#include "pdf/bounds.h"
#include "pdf/document.h"
#include "pdf/object.h"
#include "pdf/xref_table.h"

namespace {

// Strings this long or longer are left out of a label.
constexpr size_t kMaxLabelString = 128;
// Arrays with more items than this are summarised by the word alone.
constexpr int kMaxSummaryItems = 16;

bool IsSimple(pdf::Object* value) {
  return value->IsName() || value->IsNumber() || value->IsBoolean();
}

}  // namespace

std::string ValueSuffix(pdf::Object* value, bool dictionary_value) {
  if (IsSimple(value)) {
    return FormatText("= %s", value->Text());
  }
  if (value->IsString() && value->doc != nullptr && value->doc->Modern()) {
    // The decoded text on one line.
    std::string text = QuotedStringValue(value);
    for (char& c : text) {
      c = (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
    }
    return text.size() < kMaxLabelString + 2 ? "= " + text : std::string();
  }
  if (value->IsString()) {
    const char* text = value->Text();
    return strlen(text) < kMaxLabelString ? FormatText("= \"%s\"", text) : std::string();
  }
  if (!dictionary_value) {
    return std::string();
  }
  if (value->IsArray()) {
    return FormatText("= %s", DescribeArray(value).c_str());
  }
  if (value->IsDictionary()) {
    return "= <<...>>";
  }
  return std::string();
}

std::string DescribeArray(pdf::Object* array) {
  std::string text = "array";
  int count = array->Count();
  if (count > kMaxSummaryItems) {
    return text;
  }
  std::string items;
  for (int i = 0; i < count; ++i) {
    pdf::Object* item = array->Item(i);
    if (!IsSimple(item)) {
      return text;
    }
    if (i > 0) {
      items += ", ";
    }
    items += item->Text();
  }
  return text + " [" + items + "]";
}

std::vector<pdf::XRefTable*> SectionChain(pdf::XRefTable* newest) {
  // The reader ends the chain at kMaxSections; sections that share one XRefStm
  // stream show it once, after the newest of them.
  std::vector<pdf::XRefTable*> sections;
  std::unordered_set<const pdf::XRefTable*> streams;
  for (pdf::XRefTable* table = newest;
       table != nullptr && sections.size() <= 2 * static_cast<size_t>(pdf::kMaxSections);
       table = table->prev) {
    sections.push_back(table);
    if (table->hybrid != nullptr && streams.insert(table->hybrid).second) {
      sections.push_back(table->hybrid);
    }
  }
  return sections;
}

std::string SectionLabel(pdf::XRefTable* table) {
  switch (table->kind) {
    case pdf::XRefKind::kStream: {
      pdf::Dictionary* stream = table->stream;
      return FormatText("xref stream %d %d at %d", stream != nullptr ? stream->number : 0,
                        stream != nullptr ? stream->generation : 0, table->section_offset);
    }
    case pdf::XRefKind::kRebuilt:
      return "rebuilt";
    case pdf::XRefKind::kClassic:
      break;
  }
  return FormatText("xref at %d", table->section_offset);
}

int AnnouncedChildCount(pdf::Object* object) {
  if (object->IsDictionary() || object->IsStream() || object->IsArray()) {
    return object->Count();
  }
  return -1;
}

std::vector<TreeItem> TopLevelItems(pdf::Document& doc) {
  pdf::XRefTable* xref = doc.xref;
  pdf::Object* trailer = doc.null_object;
  if (xref != nullptr && xref->trailer != nullptr) {
    trailer = xref->trailer;
  }
  pdf::Object* root = trailer->Get("Root");
  pdf::Object* header = doc.header_object != nullptr ? doc.header_object : doc.null_object;
  pdf::Object* table = xref != nullptr ? static_cast<pdf::Object*>(xref) : doc.null_object;
  // Modern mode lists every section of the chain below XRefs.
  const int sections =
      doc.Modern() && xref != nullptr ? static_cast<int>(SectionChain(xref).size()) : -1;
  std::vector<TreeItem> items;
  items.push_back({"Header", "Header", header, AnnouncedChildCount(header)});
  items.push_back({"Root", "Root", root, AnnouncedChildCount(root)});
  items.push_back({"XRefs", "XRefs", table, doc.Modern() ? sections : AnnouncedChildCount(table)});
  items.push_back({"Trailer", "Trailer", trailer, AnnouncedChildCount(trailer)});
  return items;
}

std::string ReferenceSuffix(int32_t number, int32_t generation, pdf::Object* value) {
  std::string suffix = FormatText("= %d %d R", number, generation);
  const std::string summary = ValueSuffix(value, /*dictionary_value=*/true);
  if (summary.size() > 2) {
    suffix += ' ';
    suffix.append(summary, 2);  // without its "= "
  }
  return suffix;
}

namespace {

// Modern mode: a value the file wrote as a reference shows its number before
// its summary, "Parent= 3 0 R <<...>>", so that the object can be found.
void ShowReference(pdf::Object* stored, const std::string& shown_key, TreeItem* item) {
  if (stored == nullptr || stored->doc == nullptr || !stored->doc->Modern() ||
      stored->Resolve() == stored) {
    return;
  }
  item->label = shown_key + ReferenceSuffix(stored->number, stored->generation, item->object);
}

}  // namespace

std::vector<TreeItem> ChildItems(pdf::Object* object) {
  std::vector<TreeItem> children;
  pdf::XRefTable* newest = object->AsXRefTable();
  if (newest != nullptr && newest->doc != nullptr && newest->doc->Modern()) {
    // The sections below XRefs (modern mode only: classic tables announce none).
    for (pdf::XRefTable* table : SectionChain(newest)) {
      std::string label = SectionLabel(table);
      children.push_back({label, label, table, -1});
    }
  } else if (newest != nullptr) {
    return children;
  } else if (pdf::Dictionary* dict = object->AsDictionary()) {
    int count = dict->Count();
    children.reserve(static_cast<size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
      pdf::Object* value = dict->Item(i);
      std::string key = dict->Key(i);
      // A key written with #xx escapes shows as written, so nothing is hidden.
      const std::string shown = dict->escaped_keys ? std::string(dict->WrittenKey(i)) : key;
      std::string label = shown + ValueSuffix(value, /*dictionary_value=*/true);
      children.push_back({std::move(label), std::move(key), value, AnnouncedChildCount(value)});
      ShowReference(dict->Value(i), shown, &children.back());
    }
  } else if (pdf::Array* array = object->AsArray()) {
    int count = array->Count();
    children.reserve(static_cast<size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
      pdf::Object* item = array->Item(i);
      std::string key = FormatText("[%d]", i);
      std::string label = key + ValueSuffix(item, /*dictionary_value=*/false);
      // An array element announces children only when it is a plain dictionary
      // or an array; a stream element cannot be expanded.
      int announced = (item->IsDictionary() || item->IsArray()) ? item->Count() : -1;
      children.push_back({std::move(label), key, item, announced});
      ShowReference(array->Value(i), key, &children.back());
    }
  }
  return children;
}

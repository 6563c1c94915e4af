#include "describe/labels.h"

#include <cstring>

#include "diag/format.h"
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

// The part of a label after the key or index, for a value of any kind. The
// array and dictionary summaries apply to dictionary values only.
std::string ValueSuffix(pdf::Object* value, bool dictionary_value) {
  if (IsSimple(value)) {
    return FormatText("= %s", value->Text());
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

}  // namespace

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
  std::vector<TreeItem> items;
  items.push_back({"Header", "Header", header, AnnouncedChildCount(header)});
  items.push_back({"Root", "Root", root, AnnouncedChildCount(root)});
  items.push_back({"XRefs", "XRefs", table, AnnouncedChildCount(table)});
  items.push_back({"Trailer", "Trailer", trailer, AnnouncedChildCount(trailer)});
  return items;
}

std::vector<TreeItem> ChildItems(pdf::Object* object) {
  std::vector<TreeItem> children;
  if (pdf::Dictionary* dict = object->AsDictionary()) {
    int count = dict->Count();
    children.reserve(static_cast<size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
      pdf::Object* value = dict->Item(i);
      std::string key = dict->Key(i);
      std::string label = key + ValueSuffix(value, /*dictionary_value=*/true);
      children.push_back({std::move(label), std::move(key), value, AnnouncedChildCount(value)});
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
      children.push_back({std::move(label), std::move(key), item, announced});
    }
  }
  return children;
}

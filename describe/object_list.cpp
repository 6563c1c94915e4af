#include "describe/object_list.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "diag/format.h"
#include "pdf/bounds.h"
#include "pdf/document.h"
#include "pdf/object.h"
#include "pdf/xref_table.h"

namespace {

// One section's walk through its entries during the merge.
struct Cursor {
  int64_t number;  // of the entry at `index`
  int rank;        // 0 for the newest section
  pdf::XRefTable* table;
  int64_t index;
};

// A min-heap by number, the newest section first among equal numbers.
bool Later(const Cursor& a, const Cursor& b) {
  return a.number != b.number ? a.number > b.number : a.rank > b.rank;
}

}  // namespace

std::vector<ListedObject> ListObjects(pdf::Document& doc) {
  std::vector<ListedObject> list;
  const bool modern = doc.Modern();
  // Each section covers one range of numbers in order, so a merge of the
  // sections gives the numbers in order without a table as large as the
  // highest number (a section may start anywhere below 2^31).
  std::vector<Cursor> heap;
  int rank = 0;
  int64_t total = 0;
  for (pdf::XRefTable* table = doc.xref; table != nullptr && rank <= 2 * pdf::kMaxSections;
       table = table->prev, ++rank) {
    if (table->count > 0 && table->entries != nullptr) {
      heap.push_back({table->first, rank, table, 0});
      total += table->count;
    }
  }
  std::make_heap(heap.begin(), heap.end(), Later);
  list.reserve(static_cast<size_t>(std::min<int64_t>(total, INT32_MAX)));
  int64_t decided = -1;  // the last number a section decided
  // Modern mode passes over an entry of type 0 to older sections; classic
  // mode lets the newest section that covers the number decide.
  auto decide = [&](int64_t number, const pdf::XRefEntry& entry) {
    if (number != decided && (!modern || entry.type != 0)) {
      decided = number;
      if (entry.type == 'n' || (modern && entry.type == 'c')) {
        list.push_back({static_cast<int32_t>(number), entry.type == 'c' ? 0 : entry.generation});
      }
    }
  };
  while (!heap.empty()) {
    if (heap.size() == 1) {
      // The last section left (often the only one): no merge to do.
      Cursor& cursor = heap.front();
      const pdf::XRefEntry* entries = cursor.table->entries;
      const int64_t end = std::min<int64_t>(
          cursor.table->count, cursor.index + (int64_t{INT32_MAX} - cursor.number + 1));
      for (int64_t i = cursor.index; i < end; ++i) {
        decide(cursor.number + (i - cursor.index), entries[i]);
      }
      break;
    }
    std::pop_heap(heap.begin(), heap.end(), Later);
    Cursor& cursor = heap.back();
    decide(cursor.number, cursor.table->entries[cursor.index]);
    ++cursor.index;
    ++cursor.number;
    if (cursor.index < cursor.table->count && cursor.number <= INT32_MAX) {
      std::push_heap(heap.begin(), heap.end(), Later);
    } else {
      heap.pop_back();
    }
  }
  return list;
}

int FindListedObject(const std::vector<ListedObject>& list, int32_t number) {
  auto found = std::lower_bound(
      list.begin(), list.end(), number,
      [](const ListedObject& listed, int32_t wanted) { return listed.number < wanted; });
  return found != list.end() && found->number == number ? static_cast<int>(found - list.begin())
                                                        : -1;
}

std::string ObjectKindName(pdf::Object* object) {
  if (object->IsDictionary() || object->IsStream()) {
    pdf::Object* type = object->Get("Type");
    if (type->IsName()) {
      return type->Text();
    }
    return object->IsStream() ? "stream" : "dictionary";
  }
  if (object->IsArray()) {
    return "array";
  }
  if (object->IsNumber()) {
    return "number";
  }
  if (object->IsString()) {
    return "string";
  }
  if (object->IsName()) {
    return "name";
  }
  if (object->IsBoolean()) {
    return "boolean";
  }
  return "null";
}

std::string ListedObjectLabel(const ListedObject& listed, pdf::Object* object) {
  return FormatText("%d %d obj  %s", listed.number, listed.generation,
                    ObjectKindName(object).c_str());
}

std::vector<ObjectChild> ObjectChildItems(pdf::Object* object) {
  std::vector<TreeItem> items = ChildItems(object);
  std::vector<ObjectChild> children;
  children.reserve(items.size());
  pdf::Dictionary* dict = object->AsXRefTable() == nullptr ? object->AsDictionary() : nullptr;
  pdf::Array* array = object->AsArray();
  for (size_t i = 0; i < items.size(); ++i) {
    ObjectChild child{std::move(items[i])};
    const int index = static_cast<int>(i);
    pdf::Object* stored = dict != nullptr    ? dict->Value(index)
                          : array != nullptr ? array->Value(index)
                                             : nullptr;
    // A stored value that resolves to another object was written "N G R".
    if (stored != nullptr && stored->Resolve() != stored) {
      child.ref_number = stored->number;
      child.ref_generation = stored->generation;
      std::string key = child.item.key;
      if (dict != nullptr && dict->escaped_keys) {
        key = dict->WrittenKey(index);
      }
      child.item.label =
          key + ReferenceSuffix(stored->number, stored->generation, child.item.object);
    }
    children.push_back(std::move(child));
  }
  return children;
}

bool ParseObjectNumber(const std::string& text, int32_t* number, int32_t* generation) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text + " ") {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!word.empty()) {
        words.push_back(word);
      }
      word.clear();
    } else {
      word += c;
    }
  }
  if (!words.empty() && (words.back() == "R" || words.back() == "obj")) {
    words.pop_back();
  }
  if (words.empty() || words.size() > 2) {
    return false;
  }
  int64_t values[2] = {0, -1};
  for (size_t i = 0; i < words.size(); ++i) {
    if (words[i].size() > 10 || !std::all_of(words[i].begin(), words[i].end(), [](char c) {
          return std::isdigit(static_cast<unsigned char>(c));
        })) {
      return false;
    }
    values[i] = std::strtoll(words[i].c_str(), nullptr, 10);
    if (values[i] > INT32_MAX) {
      return false;
    }
  }
  *number = static_cast<int32_t>(values[0]);
  *generation = static_cast<int32_t>(values[1]);
  return true;
}

// What the structure tree shows: the four top-level items of a document, the
// label of each child of a dictionary, stream or array, and which items can be
// expanded. Both the tree pane and quorvel-inspect take their words from here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pdf {
class Document;
class Object;
class XRefTable;
}  // namespace pdf

// One tree item: its label, the object it stands for (never null), and the child
// count it announces (-1 when it announces none, so it shows no expand button;
// 0 for an empty dictionary or array, which shows none either).
struct TreeItem {
  std::string label;
  std::string key;  // what a path names it by: the entry's key, "[i]", or the label
  pdf::Object* object;
  int child_count;
  bool Expandable() const { return child_count > 0; }
};

// The part of a label after the key or index, for a value of any kind: "= 12",
// "= <<...>>". The array and dictionary summaries apply to dictionary values only.
std::string ValueSuffix(pdf::Object* value, bool dictionary_value);
// The label's text for a value written as a reference: "= 3 0 R" and the
// value's own summary after it, as a dictionary value shows it.
std::string ReferenceSuffix(int32_t number, int32_t generation, pdf::Object* value);

// "array", or "array [a, b, ...]" for at most 16 booleans, numbers and names.
std::string DescribeArray(pdf::Object* array);

// "Header", "Root", "XRefs" and "Trailer", in that order.
std::vector<TreeItem> TopLevelItems(pdf::Document& doc);

// The children of a dictionary, stream or array item, in entry or item order;
// nothing for any other object. Resolves references as it goes.
std::vector<TreeItem> ChildItems(pdf::Object* object);

// The child count an item for `object` announces when inserted as a top-level
// item or as a dictionary value.
int AnnouncedChildCount(pdf::Object* object);

// Modern mode: the sections of the chain, newest first, each hybrid file's
// stream right after the classic section it completes.
std::vector<pdf::XRefTable*> SectionChain(pdf::XRefTable* newest);
// "xref at 1159", "xref stream 12 0 at 80412" or "rebuilt".
std::string SectionLabel(pdf::XRefTable* table);

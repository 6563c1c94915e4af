// What the Objects tab lists: every object of the cross-reference chain that is
// in use or compressed, by number, each labelled "12 0 obj  Page", and the
// children of an object labelled as the structure tree labels them, with the
// number of each value that was written as a reference. Qt-free, so that
// quorvel-inspect can list objects the same way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "describe/labels.h"

namespace pdf {
class Document;
class Object;
}  // namespace pdf

struct ListedObject {
  int32_t number;
  int32_t generation;  // 0 for a compressed object
};

// The listed objects in number order. The newest section that defines a
// number decides: in modern mode an entry of type 'n' or 'c' is listed (as
// XRefTable::FindEntry sees the chain), in classic mode one of type 'n' (as
// XRefTable::Lookup does). Free entries are left out.
std::vector<ListedObject> ListObjects(pdf::Document& doc);

// The position of the number in a list made by ListObjects, or -1.
int FindListedObject(const std::vector<ListedObject>& list, int32_t number);

// The object's Type name when it has one, else its kind: "dictionary",
// "stream", "array", "number", "string", "name", "boolean" or "null".
std::string ObjectKindName(pdf::Object* object);
// "12 0 obj  Page".
std::string ListedObjectLabel(const ListedObject& listed, pdf::Object* object);

// A child of an object in the Objects tab: the structure tree's item, and when
// the value was written as a reference its number and generation (number 0
// otherwise), which the label then shows: "Parent= 3 0 R <<...>>".
struct ObjectChild {
  TreeItem item;
  int32_t ref_number = 0;
  int32_t ref_generation = 0;
};
std::vector<ObjectChild> ObjectChildItems(pdf::Object* object);

// Reads "12" or "12 0" (spaces around allowed, an optional trailing "R" or
// "obj"). False for anything else; the generation is -1 when not given.
bool ParseObjectNumber(const std::string& text, int32_t* number, int32_t* generation);

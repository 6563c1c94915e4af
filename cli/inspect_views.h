// What quorvel-inspect works out for some of its views beyond what describe/
// and analysis/ hand it: the rows of --objects, the references --refs lists
// both ways, and whether --object finds its number. The text views print
// them (inspect_main.cpp), --json writes them (inspect_json.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/reference_index.h"
#include "cli/inspect_options.h"
#include "describe/find.h"
#include "describe/object_list.h"

namespace pdf {
class Document;
class Object;
}  // namespace pdf

// The kind of an object without its Type: "stream", "dictionary", "array",
// "number", "string", "name", "boolean" or "null".
const char* KindOf(pdf::Object* object);

// One row of --objects.
struct ObjectRow {
  int32_t number = 0;
  int32_t generation = 0;
  bool compressed = false;      // in an object stream (modern mode)
  int32_t place = 0;            // the offset in the file, or the object stream's number
  const char* kind = "";        // as KindOf
  pdf::Object* type = nullptr;  // the Type entry when it is a name, else null
};
// The row of a listed object, loading it: callers go one object at a time,
// printing each row before the next load.
ObjectRow ObjectRowOf(pdf::Document& doc, const ListedObject& listed);

// A reference held below an object (as stored, never through another
// reference), with its path there ("Kids/[0]") and what it resolves to: the
// document's null object when nothing is found.
struct HeldReference {
  std::string path;
  int32_t number = 0;
  int32_t generation = 0;
  pdf::Object* target = nullptr;
};
std::vector<HeldReference> HeldReferences(pdf::Object* object);

// An object that refers to the one asked about, with the paths in it; number
// 0 stands for the trailer.
struct Referrer {
  int32_t number = 0;
  int32_t generation = 0;
  std::vector<std::string> paths;
};
// The referrers of the listed object `number`, in number order, as `index`
// (built over the whole document) lists them.
std::vector<Referrer> ReferrersOf(pdf::Document& doc, const std::vector<ListedObject>& listed,
                                  const ReferenceIndex& index, int32_t number);

// Whether --object N finds N: the chain lists it in use (or, in modern mode,
// compressed).
bool ObjectIsListed(pdf::Document& doc, int32_t number);

// The --find query the options ask for.
FindQuery FindQueryOf(const InspectOptions& options);

// The pages of a document in their order, as a renderer numbers them: the page
// tree walked from Root/Pages through Kids. Each page keeps its object number
// and those of its content streams, so that a selected object can be found
// among them without loading anything again.
#pragma once

#include <cstdint>
#include <vector>

namespace pdf {
class Document;
class Object;
}  // namespace pdf

// Page trees are a handful of levels deep; a walk stops below this depth.
inline constexpr int kMaxPageListDepth = 256;

struct ObjectId {
  int32_t number = 0;  // 0: a direct object, which no selection can name
  int32_t generation = 0;
  bool operator==(const ObjectId&) const = default;
};

struct PageEntry {
  ObjectId page;
  std::vector<ObjectId> contents;  // Contents: one stream or an array of them
};

struct PageList {
  std::vector<PageEntry> pages;
  bool complete = true;  // false when the depth bound cut the walk
};

PageList ListPages(pdf::Document& doc);

// The 1-based number of the page that is `object`, or 0 when it is none.
int PageNumberOf(const PageList& list, const pdf::Object* object);

// What a stream's dictionary alone tells of its data being operators: yes for
// a form XObject and a tiling pattern, no for a stream with entries a page's
// contents never have (images, fonts, profiles, object streams...), and
// maybe otherwise, when only the page list can tell. Asking this first spares
// a walk of a large page tree for most streams.
enum class ContentGuess { kNo, kYes, kMaybe };
ContentGuess GuessContentStream(pdf::Object* object);

// True for a page's content stream, a form XObject and a tiling pattern: the
// streams whose data are operators.
bool IsContentStream(const PageList& list, pdf::Object* object);

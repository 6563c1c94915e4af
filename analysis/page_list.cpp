#include "analysis/page_list.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <unordered_set>

#include "pdf/document.h"
#include "pdf/object.h"
#include "pdf/xref_table.h"

namespace {

class PageWalk {
 public:
  explicit PageWalk(PageList* list) : list_(list) {}

  void Visit(pdf::Object* node, int depth) {
    if (node == nullptr || !node->IsDictionary() || !FirstVisit(node)) {
      return;
    }
    pdf::Object* kids = node->Get("Kids");
    // A node is what has Kids and does not call itself a page; renderers
    // count every other dictionary below the root as a page.
    if (kids->IsArray() && !node->Get("Type")->IsName("Page")) {
      if (depth >= kMaxPageListDepth) {
        list_->complete = false;
        return;
      }
      for (int i = 0; i < kids->Count(); ++i) {
        Visit(kids->Item(i), depth + 1);
      }
      return;
    }
    PageEntry entry{Id(node), {}};
    pdf::Object* contents = node->Get("Contents");
    if (contents->IsArray()) {
      for (int i = 0; i < contents->Count(); ++i) {
        entry.contents.push_back(Id(contents->Item(i)));
      }
    } else if (contents->IsStream()) {
      entry.contents.push_back(Id(contents));
    }
    list_->pages.push_back(std::move(entry));
  }

 private:
  static ObjectId Id(pdf::Object* object) { return {object->number, object->generation}; }

  // Every load parses afresh, so indirect nodes are known by their number: a
  // Kids entry leading back to an ancestor meets a new copy of it.
  bool FirstVisit(pdf::Object* node) {
    if (node->number != 0) {
      const int64_t key =
          (static_cast<int64_t>(node->number) << 32) | static_cast<uint32_t>(node->generation);
      return numbers_.insert(key).second;
    }
    return direct_.insert(node).second;
  }

  PageList* list_;
  std::unordered_set<int64_t> numbers_;
  std::unordered_set<pdf::Object*> direct_;
};

}  // namespace

PageList ListPages(pdf::Document& doc) {
  PageList list;
  if (doc.xref == nullptr || doc.xref->trailer == nullptr) {
    return list;
  }
  pdf::Object* root = doc.xref->trailer->Get("Root");
  PageWalk(&list).Visit(root->Get("Pages"), 0);
  return list;
}

int PageNumberOf(const PageList& list, const pdf::Object* object) {
  if (object == nullptr || object->number == 0) {
    return 0;
  }
  const ObjectId id{object->number, object->generation};
  for (size_t i = 0; i < list.pages.size(); ++i) {
    if (list.pages[i].page == id) {
      return static_cast<int>(i + 1);
    }
  }
  return 0;
}

ContentGuess GuessContentStream(pdf::Object* object) {
  if (object == nullptr || !object->IsStream()) {
    return ContentGuess::kNo;
  }
  // Form XObjects and tiling patterns say what they are; a page's contents do not.
  if (object->Get("Subtype")->IsName("Form") || object->Get("PatternType")->IntValue() == 1) {
    return ContentGuess::kYes;
  }
  static constexpr std::string_view kStreamKeys[] = {"Length", "Filter",  "DecodeParms", "DL",
                                                     "F",      "FFilter", "FDecodeParms"};
  pdf::Dictionary* dictionary = object->AsDictionary();
  for (int i = 0; i < dictionary->Count(); ++i) {
    const char* key = dictionary->Key(i);
    if (key == nullptr || std::find(std::begin(kStreamKeys), std::end(kStreamKeys),
                                    std::string_view(key)) == std::end(kStreamKeys)) {
      return ContentGuess::kNo;
    }
  }
  return object->number != 0 ? ContentGuess::kMaybe : ContentGuess::kNo;
}

bool IsContentStream(const PageList& list, pdf::Object* object) {
  const ContentGuess guess = GuessContentStream(object);
  if (guess != ContentGuess::kMaybe) {
    return guess == ContentGuess::kYes;
  }
  const ObjectId id{object->number, object->generation};
  for (const PageEntry& page : list.pages) {
    for (const ObjectId& stream : page.contents) {
      if (stream == id) {
        return true;
      }
    }
  }
  return false;
}

// Counting the pages of a page tree before it is written, and bringing each
// node's Count up to date.
#include <cstdint>
#include <unordered_set>

#include "pdf/bounds.h"
#include "pdf/document.h"

namespace pdf {

namespace {

struct PageWalk {
  // Every node met so far: a Kids entry leading back to an ancestor would
  // recurse forever, and a subtree shared by many parents would be walked once
  // per path. Indirect nodes are known by their object number, since every
  // load parses afresh: a cycle through references meets new copies of the
  // same objects, and a node listed twice in each Kids would double the work
  // at every level.
  std::unordered_set<Object*> visited_direct;
  std::unordered_set<int64_t> visited_numbers;

  bool FirstVisit(Object* node) {
    if (node->number != 0) {
      const int64_t key =
          (static_cast<int64_t>(node->number) << 32) | static_cast<uint32_t>(node->generation);
      return visited_numbers.insert(key).second;
    }
    return visited_direct.insert(node).second;
  }
};

// Sets `complete` to false when the depth bound cut the walk somewhere below.
int CountBelow(Object* node, int depth, PageWalk& walk, bool& complete) {
  if (!walk.FirstVisit(node)) {
    return 0;
  }
  if (node->Get("Type")->IsName("Page")) {
    return 1;
  }
  if (!node->Get("Type")->IsName("Pages")) {
    return 0;
  }
  if (depth >= kMaxPageTreeDepth) {
    complete = false;
    return 0;
  }
  Object* kids = node->Get("Kids");
  int sum = 0;
  bool subtree_complete = true;
  for (int i = 0; i < kids->Count(); ++i) {
    sum += CountBelow(kids->Item(i), depth + 1, walk, subtree_complete);
  }
  // A count from a cut walk is too low; the node keeps what it said.
  if (subtree_complete && node->Get("Count")->RealValue() != static_cast<double>(sum)) {
    node->Set("Count", sum);  // marks the node changed, so it is written again
  }
  if (!subtree_complete) {
    complete = false;
  }
  return sum;
}

}  // namespace

int Document::CountPages(Object* node) {
  PageWalk walk;
  bool complete = true;
  int pages_counted = CountBelow(node, 0, walk, complete);
  if (!complete) {
    Trace("page tree deeper than %d levels: pages below are not counted\n", kMaxPageTreeDepth);
  }
  return pages_counted;
}

}  // namespace pdf

#include "cli/inspect_walk.h"

#include <cstdio>
#include <string>
#include <vector>

#include "analysis/newest_entries.h"
#include "describe/description.h"
#include "describe/labels.h"
#include "dib/dib.h"
#include "filters/modern_image.h"
#include "pdf/document.h"
#include "pdf/object.h"

namespace {

// Bounds of one walk: a sweep visits thousands of files, each in its own
// process with a time limit, and a hostile file must not make one run for
// ever. Items fan out (an array of references to itself), objects do not.
constexpr int kTreeDepth = 3;
constexpr int kMaxTreeItems = 20000;
constexpr size_t kMaxObjects = 2000000;
constexpr size_t kMaxImages = 5000;

struct Walk {
  int items = 0;
  size_t objects = 0;
  size_t streams = 0;
  size_t drawn = 0;
  std::vector<std::string> not_drawn;
};

void VisitItem(const TreeItem& item, int depth, Walk* walk) {
  if (walk->items >= kMaxTreeItems) {
    return;
  }
  ++walk->items;
  DescribeObject(item.object);
  if (depth >= kTreeDepth || !item.Expandable()) {
    return;
  }
  for (const TreeItem& child : ChildItems(item.object)) {  // depth-bounded
    VisitItem(child, depth + 1, walk);
  }
}

void Draw(pdf::Object* object, int32_t number, Walk* walk) {
  if (walk->drawn + walk->not_drawn.size() >= kMaxImages) {
    return;
  }
  std::string why;
  if (object->doc != nullptr && object->doc->Modern()) {
    ImageDrawing drawing = DrawImageStream(object->AsDictionary());
    if (drawing.dib != nullptr) {
      DibFree(drawing.dib);
      ++walk->drawn;
      return;
    }
    why = drawing.lines.size() > 1 ? drawing.lines[1] : "no picture";
  } else {
    HDIB dib = object->AsDictionary()->ToDib();
    if (dib != nullptr) {
      DibFree(dib);
      ++walk->drawn;
      return;
    }
    why = "no picture";
  }
  walk->not_drawn.push_back("image " + std::to_string(number) + ": " + why);
}

}  // namespace

int WalkFile(pdf::Document& doc) {
  Walk walk;
  for (const TreeItem& item : TopLevelItems(doc)) {
    VisitItem(item, 0, &walk);
  }
  for (const NewestEntry& entry : NewestEntries(doc)) {
    if (walk.objects == kMaxObjects) {
      break;
    }
    ++walk.objects;
    const int32_t generation = entry.entry.type == 'n' ? entry.entry.generation : 0;
    pdf::Object* object = doc.GetObject(entry.number, generation);
    DescribeObject(object);
    if (object->IsStream()) {
      ++walk.streams;
      if (IsImageStream(object)) {
        Draw(object, entry.number, &walk);
      }
    }
  }
  printf("walk: %d items, %zu objects, %zu streams, %zu images drawn, %zu not drawn\n", walk.items,
         walk.objects, walk.streams, walk.drawn, walk.not_drawn.size());
  for (const std::string& line : walk.not_drawn) {
    printf("%s\n", line.c_str());
  }
  return 0;
}

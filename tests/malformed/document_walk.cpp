#include "tests/malformed/document_walk.h"

#include <algorithm>
#include <cstdint>
#include <unordered_set>

#include "describe/description.h"
#include "describe/labels.h"
#include "dib/dib.h"
#include "dib/dib_rgb_rows.h"
#include "filters/image_stream.h"
#include "pdf/object.h"
#include "pdf/xref_table.h"

namespace {

// The deepest a bitmap gets when the request leaves the choice to the library.
constexpr int64_t kDefaultDepthBits = 32;

class Walker {
 public:
  explicit Walker(const WalkLimits& limits) : limits_(limits) {}

  void Visit(const TreeItem& item, int depth) {
    if (counts_.items + counts_.objects >= limits_.max_items) {
      return;
    }
    ++counts_.items;
    Describe(item.object);
    if (depth >= limits_.max_depth || !item.Expandable()) {
      return;
    }
    ++counts_.expanded;
    // Recursion is bounded by max_depth.
    for (const TreeItem& child : ChildItems(item.object)) {
      Visit(child, depth + 1);
    }
  }

  // Every number the chain covers, loaded as a reference to it would be.
  void VisitNumberedObjects(pdf::Document& doc) {
    std::unordered_set<int64_t> seen;
    for (pdf::XRefTable* table = doc.xref; table != nullptr; table = table->prev) {
      for (int32_t i = 0; i < table->count; ++i) {
        const int64_t number = int64_t{table->first} + i;
        if (number < 0 || number > INT32_MAX || !seen.insert(number).second) {
          continue;
        }
        if (counts_.items + counts_.objects >= limits_.max_items) {
          return;
        }
        ++counts_.objects;
        Describe(doc.GetObject(static_cast<int32_t>(number), 0));
      }
    }
  }

  const WalkCounts& counts() const { return counts_; }

 private:
  void Describe(pdf::Object* object) {
    DescribeObject(object);
    if (!object->IsStream()) {
      return;
    }
    ++counts_.streams;
    if (!IsImageStream(object)) {
      return;
    }
    if (counts_.images >= limits_.max_images ||
        RequestedImageBytes(object) > limits_.max_image_bytes) {
      ++counts_.skipped_images;
      return;
    }
    ++counts_.images;
    HDIB dib = object->AsDictionary()->ToDib();
    if (dib != nullptr) {
      ++counts_.bitmaps;
      if (limits_.show_bitmaps) {
        counts_.shown_rows += ShowBitmap(dib);
      }
      DibFree(dib);
    }
  }

  const WalkLimits& limits_;
  WalkCounts counts_;
};

}  // namespace

int ShowBitmap(HDIB dib) {
  DibRgbRows rows(dib, /*channels=*/3);
  // As the command-line tool does: a picture without pixels shows nothing, even
  // when it has 2^31 empty rows.
  if (!rows.ok() || rows.width() <= 0) {
    return 0;
  }
  int shown = 0;
  for (int y = 0; y < rows.height(); ++y) {
    if (rows.Row(y) != nullptr) {
      ++shown;
    }
  }
  return shown;
}

int64_t RequestedImageBytes(pdf::Object* stream) {
  ImageRequest request;
  if (!ClassifyColorSpace(stream->Get("ColorSpace"), stream->Get("BitsPerComponent")->IntValue(),
                          &request)) {
    return 0;
  }
  const int64_t bits = request.depth > 0 ? request.depth : kDefaultDepthBits;
  const int64_t width = std::max<int64_t>(0, stream->Get("Width")->IntValue());
  const int64_t height = std::max<int64_t>(0, stream->Get("Height")->IntValue());
  const int64_t row = (bits * width + 31) / 32 * 4;  // below 2^35
  if (row != 0 && height > INT64_MAX / row) {
    return INT64_MAX;
  }
  return row * height;
}

WalkCounts WalkDocument(pdf::Document& doc, const WalkLimits& limits) {
  Walker walker(limits);
  for (const TreeItem& item : TopLevelItems(doc)) {
    walker.Visit(item, 0);
  }
  walker.VisitNumberedObjects(doc);
  return walker.counts();
}

// The analyses over a whole file opened in modern mode (repaired when it must
// be): revisions and signatures, the check of each section against the file,
// the reference index and its orphans, the space measure and the file map,
// and Compare with Previous for the objects the last revision changed.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/file_map.h"
#include "analysis/object_versions.h"
#include "analysis/reference_index.h"
#include "analysis/revisions.h"
#include "analysis/space.h"
#include "analysis/space_tiles.h"
#include "analysis/xref_check.h"
#include "describe/open_mode.h"
#include "describe/viewer_document.h"
#include "fuzz/fuzz_sinks.h"

namespace {

// Objects compared with their previous versions per input.
constexpr size_t kMaxCompared = 8;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  DiscardAllMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > INT32_MAX) {
    return 0;
  }
  pdf::OpenOptions options = OpenOptionsFor(pdf::Mode::kModern);
  options.ask_password = nullptr;
  ViewerDocument doc;
  if (!doc.OpenMemory(reinterpret_cast<const char*>(data), static_cast<int32_t>(size), "fuzz.pdf",
                      options)) {
    return 0;
  }
  const std::vector<Revision> revisions = ListRevisions(doc);
  ListSignatures(doc, revisions);
  RevisionsText(doc);
  CheckCrossReferences(doc);
  ReferenceIndex index;
  index.Build(doc);
  OrphansText(doc, index);
  if (!revisions.empty()) {
    const Revision& last = revisions.back();
    size_t compared = 0;
    for (int32_t number : last.changed) {
      if (compared++ == kMaxCompared) {
        break;
      }
      CompareWithPreviousText(doc, revisions, last.index, number);
      index.ReferrersOf(number);
    }
  }
  const FileSpace space = MeasureSpace(doc);
  SpaceText(space);
  LayoutSpace(SummarizeSpace(space), 400, 300);
  const FileMap map = MapFile(doc, space);
  FileMapText(map);
  // The map covers the file, each byte once.
  int64_t at = 0;
  for (const MapRange& range : map.ranges) {
    if (range.from != at || range.to <= range.from) {
      __builtin_trap();
    }
    at = range.to;
  }
  if (at != map.file_bytes) {
    __builtin_trap();
  }
  return 0;
}

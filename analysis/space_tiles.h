// What the Space treemap shows of a file: its kinds, most bytes first, and in
// each kind its largest objects (the others as one tile), laid out as nested
// squarified treemaps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/treemap.h"

struct FileSpace;

struct SpaceSummary {
  struct Object {
    int32_t number = 0;
    int32_t generation = 0;
    int64_t bytes = 0;
  };
  struct Kind {
    std::string name;
    int64_t objects = 0;
    int64_t bytes = 0;
    std::vector<Object> largest;  // most bytes first
    int64_t rest_bytes = 0;       // of the others
  };
  int64_t file_bytes = 0;
  std::vector<Kind> kinds;  // most bytes first
};

// The largest objects given a tile of their own in each kind's tile.
inline constexpr size_t kTilesPerKind = 200;

SpaceSummary SummarizeSpace(const FileSpace& space, size_t per_kind = kTilesPerKind);

struct SpaceTile {
  TreemapRect rect;
  int kind = 0;
  int32_t number = 0;  // 0: the rest of a kind, or the kind's own frame
  int32_t generation = 0;
  int64_t bytes = 0;
};

// The kinds' frames first (one per kind, in order), then their objects'
// tiles; tiles too small to see (under a unit wide or high) are left out.
std::vector<SpaceTile> LayoutSpace(const SpaceSummary& summary, double width, double height);

#include "analysis/space_tiles.h"

#include <algorithm>
#include <map>

#include "analysis/space.h"

SpaceSummary SummarizeSpace(const FileSpace& space, size_t per_kind) {
  SpaceSummary summary;
  summary.file_bytes = space.file_bytes;
  std::map<std::string, size_t> positions;
  for (const KindSpace& kind : space.kinds) {
    positions[kind.kind] = summary.kinds.size();
    summary.kinds.push_back({kind.kind, kind.objects, kind.bytes, {}, 0});
  }
  std::vector<std::vector<SpaceSummary::Object>> by_kind(summary.kinds.size());
  for (const ObjectSpace& object : space.objects) {
    auto found = positions.find(object.kind);
    if (found != positions.end()) {
      by_kind[found->second].push_back({object.number, object.generation, object.bytes});
    }
  }
  for (size_t i = 0; i < by_kind.size(); ++i) {
    std::vector<SpaceSummary::Object>& objects = by_kind[i];
    const size_t kept = std::min(objects.size(), per_kind);
    std::partial_sort(objects.begin(), objects.begin() + static_cast<ptrdiff_t>(kept),
                      objects.end(),
                      [](const auto& a, const auto& b) { return a.bytes > b.bytes; });
    SpaceSummary::Kind& kind = summary.kinds[i];
    kind.largest.assign(objects.begin(), objects.begin() + static_cast<ptrdiff_t>(kept));
    for (size_t j = kept; j < objects.size(); ++j) {
      kind.rest_bytes += objects[j].bytes;
    }
  }
  return summary;
}

std::vector<SpaceTile> LayoutSpace(const SpaceSummary& summary, double width, double height) {
  std::vector<SpaceTile> tiles;
  if (summary.kinds.empty()) {
    return tiles;
  }
  std::vector<double> sizes;
  for (const SpaceSummary::Kind& kind : summary.kinds) {
    sizes.push_back(static_cast<double>(kind.bytes));
  }
  const std::vector<TreemapRect> frames = SquarifiedLayout(sizes, {0, 0, width, height});
  std::vector<SpaceTile> objects;
  for (size_t k = 0; k < frames.size(); ++k) {
    const TreemapRect& f = frames[k];
    const SpaceSummary::Kind& kind = summary.kinds[k];
    tiles.push_back({f, static_cast<int>(k), 0, 0, kind.bytes});
    std::vector<double> inner;
    for (const SpaceSummary::Object& object : kind.largest) {
      inner.push_back(static_cast<double>(object.bytes));
    }
    inner.push_back(static_cast<double>(kind.rest_bytes));
    // A margin inside the kind's frame keeps it visible.
    const TreemapRect area{f.x + 1, f.y + 1, std::max(0.0, f.width - 2),
                           std::max(0.0, f.height - 2)};
    const std::vector<TreemapRect> rects = SquarifiedLayout(inner, area);
    for (size_t i = 0; i < rects.size(); ++i) {
      const TreemapRect& r = rects[i];
      if (r.width < 1 || r.height < 1) {
        continue;  // too small to see or click
      }
      SpaceTile tile{r, static_cast<int>(k), 0, 0, static_cast<int64_t>(inner[i])};
      if (i < kind.largest.size()) {
        tile.number = kind.largest[i].number;
        tile.generation = kind.largest[i].generation;
      }
      objects.push_back(tile);
    }
  }
  tiles.insert(tiles.end(), objects.begin(), objects.end());
  return tiles;
}

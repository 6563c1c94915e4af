#include "analysis/treemap.h"

#include <algorithm>
#include <limits>

namespace {

// The worst aspect ratio of a row of areas laid along a side of length `side`.
double Worst(double sum, double smallest, double largest, double side) {
  if (sum <= 0 || side <= 0 || smallest <= 0) {
    return std::numeric_limits<double>::infinity();
  }
  const double side2 = side * side;
  const double sum2 = sum * sum;
  return std::max(side2 * largest / sum2, sum2 / (side2 * smallest));
}

}  // namespace

std::vector<TreemapRect> SquarifiedLayout(const std::vector<double>& sizes, TreemapRect area) {
  std::vector<TreemapRect> rects(sizes.size());
  double total = 0;
  for (double size : sizes) {
    total += std::max(size, 0.0);
  }
  if (total <= 0 || area.width <= 0 || area.height <= 0) {
    return rects;
  }
  // Sizes scaled to areas of the rectangle.
  const double scale = area.width * area.height / total;
  TreemapRect free = area;
  size_t start = 0;
  while (start < sizes.size()) {
    // Skip empty sizes.
    if (sizes[start] <= 0) {
      rects[start] = {free.x, free.y, 0, 0};
      ++start;
      continue;
    }
    const bool along_width = free.width >= free.height;  // the row runs along the shorter side
    const double side = along_width ? free.height : free.width;
    double sum = 0;
    double smallest = std::numeric_limits<double>::infinity();
    double largest = 0;
    size_t end = start;
    while (end < sizes.size()) {
      const double next = std::max(sizes[end], 0.0) * scale;
      if (next <= 0) {
        ++end;
        continue;
      }
      const double worse =
          Worst(sum + next, std::min(smallest, next), std::max(largest, next), side);
      if (end > start && worse > Worst(sum, smallest, largest, side)) {
        break;
      }
      sum += next;
      smallest = std::min(smallest, next);
      largest = std::max(largest, next);
      ++end;
    }
    // Lay the row out: its thickness is its area over the side.
    const double thickness = side > 0 ? sum / side : 0;
    double at = along_width ? free.y : free.x;
    for (size_t i = start; i < end; ++i) {
      const double length = thickness > 0 ? std::max(sizes[i], 0.0) * scale / thickness : 0;
      rects[i] = along_width ? TreemapRect{free.x, at, thickness, length}
                             : TreemapRect{at, free.y, length, thickness};
      at += length;
    }
    if (along_width) {
      free.x += thickness;
      free.width = std::max(0.0, free.width - thickness);
    } else {
      free.y += thickness;
      free.height = std::max(0.0, free.height - thickness);
    }
    start = end;
  }
  return rects;
}

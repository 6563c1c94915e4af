// A squarified treemap: rectangles whose areas are in proportion to sizes,
// laid out row by row so that they stay close to squares.
#pragma once

#include <vector>

struct TreemapRect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

// One rectangle per size, in the order given (sizes in descending order lay
// out best); sizes of zero or less get empty rectangles. The rectangles tile
// `area` without overlapping.
std::vector<TreemapRect> SquarifiedLayout(const std::vector<double>& sizes, TreemapRect area);

// The treemap's rectangles: areas in proportion to the sizes, inside the
// area, without overlaps, and close to squares for even sizes.
#include "analysis/treemap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

TEST(TreemapTest, TilesTheAreaInProportion) {
  const std::vector<std::vector<double>> cases = {
      {6, 6, 4, 3, 2, 2, 1}, {1}, {5, 0, 5}, {1000, 1, 1, 1}, std::vector<double>(100, 1.0)};
  const TreemapRect area{10, 20, 600, 400};
  for (const std::vector<double>& sizes : cases) {
    const std::vector<TreemapRect> rects = SquarifiedLayout(sizes, area);
    ASSERT_EQ(rects.size(), sizes.size());
    double total = 0;
    for (double size : sizes) {
      total += size;
    }
    for (size_t i = 0; i < rects.size(); ++i) {
      const TreemapRect& r = rects[i];
      EXPECT_NEAR(r.width * r.height, sizes[i] / total * area.width * area.height, 1e-6);
      EXPECT_GE(r.x, area.x - 1e-9);
      EXPECT_GE(r.y, area.y - 1e-9);
      EXPECT_LE(r.x + r.width, area.x + area.width + 1e-6);
      EXPECT_LE(r.y + r.height, area.y + area.height + 1e-6);
      for (size_t j = 0; j < i; ++j) {
        const TreemapRect& s = rects[j];
        const double overlap_w = std::min(r.x + r.width, s.x + s.width) - std::max(r.x, s.x);
        const double overlap_h = std::min(r.y + r.height, s.y + s.height) - std::max(r.y, s.y);
        EXPECT_FALSE(overlap_w > 1e-6 && overlap_h > 1e-6) << i << " overlaps " << j;
      }
    }
  }
  // A hundred equal sizes come out close to squares.
  for (const TreemapRect& r : SquarifiedLayout(std::vector<double>(100, 1.0), area)) {
    EXPECT_LT(std::max(r.width / r.height, r.height / r.width), 3.0);
  }
  EXPECT_TRUE(SquarifiedLayout({}, area).empty());
}

}  // namespace

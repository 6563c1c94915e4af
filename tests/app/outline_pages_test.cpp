#include "app/outline_pages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Page = std::vector<std::string>;

TEST(OutlinePages, IndentsTwoSpacesPerLevel) {
  EXPECT_EQ(IndentedLine({0, "Root"}), "Root");
  EXPECT_EQ(IndentedLine({2, "Type= Pages"}), "    Type= Pages");
  EXPECT_EQ(IndentedLine({-1, "x"}), "x");
}

TEST(OutlinePages, Paginates) {
  std::vector<OutlineLine> lines = {
      {0, "Header"}, {0, "Root"}, {1, "Type= Catalog"}, {1, "Pages= <<...>>"}, {0, "XRefs"}};
  auto pages = PaginateOutline(lines, 2);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[0], (Page{"Header", "Root"}));
  EXPECT_EQ(pages[1], (Page{"  Type= Catalog", "  Pages= <<...>>"}));
  EXPECT_EQ(pages[2], (Page{"XRefs"}));
}

TEST(OutlinePages, ExactFitMakesNoEmptyPage) {
  auto pages = PaginateOutline({{0, "a"}, {0, "b"}}, 2);
  EXPECT_EQ(pages.size(), 1u);
}

TEST(OutlinePages, EmptyTreeGivesOneBlankPage) {
  auto pages = PaginateOutline({}, 10);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_TRUE(pages[0].empty());
}

TEST(OutlinePages, PageTooSmallForALineStillHoldsOne) {
  auto pages = PaginateOutline({{0, "a"}, {0, "b"}}, 0);
  EXPECT_EQ(pages.size(), 2u);
}

}  // namespace

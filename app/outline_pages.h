// The printed form of the structure tree: its visible labels, one a line,
// indented by depth, divided into pages. Qt-free.
#pragma once

#include <string>
#include <vector>

struct OutlineLine {
  int depth;  // 0 for a top-level item
  std::string label;
};

// Two spaces per level, then the label.
std::string IndentedLine(const OutlineLine& line);

// The indented lines in pages of `lines_per_page` (at least one line a page).
// There is always at least one page, empty when there are no lines.
std::vector<std::vector<std::string>> PaginateOutline(const std::vector<OutlineLine>& lines,
                                                      int lines_per_page);

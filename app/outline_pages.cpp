#include "app/outline_pages.h"

#include <algorithm>

std::string IndentedLine(const OutlineLine& line) {
  return std::string(2 * static_cast<size_t>(std::max(line.depth, 0)), ' ') + line.label;
}

std::vector<std::vector<std::string>> PaginateOutline(const std::vector<OutlineLine>& lines,
                                                      int lines_per_page) {
  size_t per_page = static_cast<size_t>(std::max(lines_per_page, 1));
  std::vector<std::vector<std::string>> pages(1);
  for (const OutlineLine& line : lines) {
    if (pages.back().size() == per_page) {
      pages.emplace_back();
    }
    pages.back().push_back(IndentedLine(line));
  }
  return pages;
}

#include "app/view_pages.h"

#include <cmath>

std::vector<PageBand> PaginateDrawing(double total_height, double text_height, double line_pitch,
                                      double page_height) {
  std::vector<PageBand> pages;
  if (!(total_height > 0) || !(page_height > 0)) {
    pages.push_back({0, 0});
    return pages;
  }
  double top = 0;
  while (top < total_height && static_cast<int>(pages.size()) < kMaxPrintedPages) {
    double bottom = top + page_height;
    if (bottom < text_height && line_pitch > 0) {
      // Break after the last line that ends on this page.
      double between = std::floor(bottom / line_pitch) * line_pitch;
      if (between > top) {
        bottom = between;
      }
    }
    if (bottom > total_height) {
      bottom = total_height;
    }
    pages.push_back({top, bottom});
    top = bottom;
  }
  return pages;
}

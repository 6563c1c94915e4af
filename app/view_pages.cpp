#include "app/view_pages.h"

#include <algorithm>
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

bool MakeRoomForNote(std::vector<PageBand>* pages, double total_height, double text_height,
                     double line_pitch, double note_height) {
  if (pages->empty() || !(pages->back().bottom < total_height)) {
    return false;
  }
  PageBand& last = pages->back();
  double bottom = last.bottom - note_height;
  if (bottom < text_height && line_pitch > 0) {
    bottom = std::floor(bottom / line_pitch) * line_pitch;
  }
  // A page too short for a line and the note keeps what it had: the note then
  // goes on a page of its own.
  if (bottom > last.top) {
    last.bottom = bottom;
  }
  return true;
}

int64_t LinesAfter(double bottom, double line_pitch, int64_t line_count) {
  if (!(line_pitch > 0)) {
    return 0;
  }
  // A line cut by the page's end counts as left out.
  const double printed = std::floor(bottom / line_pitch + 1e-9);
  return std::max<int64_t>(line_count - static_cast<int64_t>(std::max(printed, 0.0)), 0);
}

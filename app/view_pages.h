// How the detail pane's printed form is cut into pages. Qt-free.
#pragma once

#include <cstdint>
#include <vector>

// A printed page shows the pane from `top` to `bottom`, in the pane's pixels.
struct PageBand {
  double top;
  double bottom;
};

// A huge picture must not become an endless print job; what lies beyond this
// many pages is not printed.
inline constexpr int kMaxPrintedPages = 500;

// Cuts a drawing of `total_height` pixels, whose first `text_height` pixels are
// lines of `line_pitch` pixels from the top, into pages of `page_height` pixels.
// A page that ends within the text ends between two lines, unless one line is
// taller than the page. There is always at least one page (an empty one for an
// empty drawing); none of the values needs to be positive.
std::vector<PageBand> PaginateDrawing(double total_height, double text_height, double line_pitch,
                                      double page_height);

// When `pages` stop short of the drawing's end (at kMaxPrintedPages), shortens
// the last page by `note_height`, again ending between two lines within the
// text, so that a line saying where printing stopped fits below it; returns
// whether they stop short.
bool MakeRoomForNote(std::vector<PageBand>* pages, double total_height, double text_height,
                     double line_pitch, double note_height);

// How many of `line_count` lines of `line_pitch` pixels start at or below
// `bottom`: the lines a printout ending there leaves out.
int64_t LinesAfter(double bottom, double line_pitch, int64_t line_count);

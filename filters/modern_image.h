// Image streams as modern mode draws them: every filter, colour space, bit
// depth, Decode array and mask the PDF standard defines, into a 24-bit bitmap.
// Nothing here talks to the user: what the pane should say comes back as lines.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "dib/dib.h"
#include "filters/image_bounds.h"

namespace pdf {
class Dictionary;
}  // namespace pdf

struct ImageDrawing {
  HDIB dib = nullptr;  // belongs to the caller; null when nothing could be drawn
  // For the detail pane: what the picture is, then one line per problem, a
  // reduction or a part left out.
  std::vector<std::string> lines;
};

// Transparent parts (SMask, Mask, SMaskInData) are drawn over a checkerboard,
// unless `with_masks` is false (the colours alone, as image extractors give
// them); an ImageMask stencil is drawn black on white. Pictures of more than
// `max_pixels` pixels are drawn reduced.
ImageDrawing DrawImageStream(pdf::Dictionary* stream, size_t max_pixels = kDefaultImagePixelBound,
                             bool with_masks = true);

// The open and walk that every modern-mode fuzz target ends with: the viewer's
// document (findings never fail the open) in modern mode, then the walk of a
// user exploring everything, with budgets small enough for many inputs a
// second.
#pragma once

#include <cstdint>
#include <string>

#include "describe/open_mode.h"
#include "tests/malformed/document_walk.h"

inline void OpenAndWalkModern(const std::string& file) {
  if (file.empty() || file.size() > INT32_MAX) {
    return;
  }
  ViewerDocument doc;
  if (doc.OpenMemory(file.data(), static_cast<int32_t>(file.size()), "fuzz.pdf",
                     OpenOptionsFor(pdf::Mode::kModern))) {
    WalkLimits limits;
    // Every item resolves its reference afresh, and a damaged object may run
    // to the end of the file: items times file size is the cost of one input.
    limits.max_items = 1000;
    limits.max_images = 8;
    limits.max_image_bytes = int64_t{64} << 10;
    WalkDocument(doc, limits);
  }
}

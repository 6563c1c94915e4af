// The open and walk that every modern-mode fuzz target ends with: the viewer's
// document (findings never fail the open) in modern mode, then the walk of a
// user exploring everything, with budgets small enough for many inputs a
// second.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "describe/open_mode.h"
#include "tests/malformed/document_walk.h"

// `password` is tried first on an encrypted file; no one is asked for another.
inline void OpenAndWalkModern(const std::string& file, std::string_view password = "") {
  if (file.empty() || file.size() > INT32_MAX) {
    return;
  }
  pdf::OpenOptions options = OpenOptionsFor(pdf::Mode::kModern);
  options.password = password;
  options.ask_password = nullptr;
  ViewerDocument doc;
  if (doc.OpenMemory(file.data(), static_cast<int32_t>(file.size()), "fuzz.pdf", options)) {
    WalkLimits limits;
    // Every item resolves its reference afresh, and a damaged object may run
    // to the end of the file: items times file size is the cost of one input.
    limits.max_items = 1000;
    limits.max_images = 8;
    limits.max_image_bytes = int64_t{64} << 10;
    WalkDocument(doc, limits);
  }
}

// What the viewer does with an opened document when a user explores all of it:
// expand the items of the structure tree, describe every object as the detail
// pane does (decoding stream contents), convert every image stream to a bitmap
// and read its rows as drawing does. Objects deeper than the expansion goes (a page's images sit
// six levels down) are reached through the cross-reference chain, each number loaded once. The
// malformed-file tests and the whole-file fuzz target share it.
#pragma once

#include <cstdint>

#include "describe/viewer_document.h"
#include "dib/dib.h"
#include "pdf/document.h"

struct WalkLimits {
  // Top-level items are at depth 0; items at this depth are not expanded.
  int max_depth = 4;
  // An array of a hundred references to itself is a few hundred bytes and fans
  // out into 10^8 items at depth 4; the walk stops after this many items and
  // numbered objects together.
  int max_items = 20000;
  // Each conversion makes a bitmap; a file may name the same image many times.
  int max_images = 64;
  // Bitmaps may be as large as 2 GiB, and converting and reading one costs time
  // in proportion to its size, which a walk over thousands of damaged files
  // cannot afford: larger requests (from the image dictionary) are skipped.
  int64_t max_image_bytes = int64_t{1} << 20;
  // Read each bitmap's rows as drawing does; a walk over thousands of variants
  // of one file may leave that to the walks over fewer.
  bool show_bitmaps = true;
};

struct WalkCounts {
  int items = 0;       // tree items visited, each described
  int expanded = 0;    // items whose children were made
  int objects = 0;     // numbered objects loaded and described
  int streams = 0;     // streams described (non-image contents decoded)
  int images = 0;      // image conversions run
  int bitmaps = 0;     // conversions that gave a bitmap
  int shown_rows = 0;  // rows of those bitmaps read as drawing reads them
  int skipped_images = 0;
};

// Walks the four top-level items and everything below them, then every object
// number of the cross-reference chain, within the limits.
WalkCounts WalkDocument(pdf::Document& doc, const WalkLimits& limits = {});

// Reads every row of the bitmap as drawing sees it, after the conversions
// drawing applies; returns the rows read.
int ShowBitmap(HDIB dib);

// The bytes of the bitmap that an image dictionary asks for, before the bitmap
// library normalises its depth; 0 when its colour space is refused outright.
int64_t RequestedImageBytes(pdf::Object* stream);

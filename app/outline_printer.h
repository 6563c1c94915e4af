// Paints an outline (the tree's visible labels) on a printer, paged.
#pragma once

#include <vector>

#include "app/outline_pages.h"

class QPrinter;

// Returns the number of pages painted.
int PrintOutline(QPrinter* printer, const std::vector<OutlineLine>& lines);

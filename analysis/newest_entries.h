// The objects a file holds now: for each number, the entry of the section
// that decides it, as the document's own lookup decides (modern mode: the
// newest section that lists it; classic mode: the newest that covers it).
#pragma once

#include <cstdint>
#include <vector>

#include "pdf/xref_table.h"

namespace pdf {
class Document;
}  // namespace pdf

struct NewestEntry {
  int32_t number;
  pdf::XRefEntry entry;  // type 'n' or 'c'
};

// In number order; free and unlisted numbers are left out.
std::vector<NewestEntry> NewestEntries(pdf::Document& doc);

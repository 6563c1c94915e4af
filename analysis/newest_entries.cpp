#include "analysis/newest_entries.h"

#include <set>

#include "pdf/bounds.h"
#include "pdf/document.h"

std::vector<NewestEntry> NewestEntries(pdf::Document& doc) {
  const bool modern = doc.Modern();
  std::vector<pdf::XRefTable*> chain;
  std::set<pdf::XRefTable*> seen;
  int64_t highest = 0;
  for (pdf::XRefTable* table = doc.xref;
       table != nullptr && chain.size() <= 2 * static_cast<size_t>(pdf::kMaxSections) &&
       seen.insert(table).second;
       table = table->prev) {
    if (table->entries != nullptr && table->count > 0) {
      chain.push_back(table);
      highest = std::max<int64_t>(highest, int64_t{table->first} + table->count);
    }
  }
  highest = std::min<int64_t>(highest, int64_t{pdf::kMaxObjectNumber} + 1);
  // One pass per number over the few sections; numbers no section covers
  // cost a comparison each.
  std::vector<NewestEntry> newest;
  for (int64_t number = 1; number < highest; ++number) {
    for (pdf::XRefTable* table : chain) {
      if (number < table->first || number - table->first >= table->count) {
        continue;
      }
      const pdf::XRefEntry& entry = table->entries[number - table->first];
      if (modern && entry.type == 0) {
        continue;  // passed on to older sections
      }
      if (entry.type == 'n' || (modern && entry.type == 'c')) {
        newest.push_back({static_cast<int32_t>(number), entry});
      }
      break;
    }
  }
  return newest;
}

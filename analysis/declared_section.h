// A cross-reference section's entries as the file declares them, read again
// from its text or stream: the document's own table may have been corrected
// since (an object found a few bytes away is recorded where it was found),
// and a number listed twice keeps only its later entry there.
#pragma once

#include <cstdint>
#include <vector>

namespace pdf {
class Document;
class XRefTable;
}  // namespace pdf

struct DeclaredEntry {
  int64_t number;
  int64_t field2;  // in use: the offset; free: the next free number; compressed: the stream
  int64_t field3;  // the generation; compressed: the index in the stream
  char type;       // 'n', 'f' or 'c'
};

// In the order written; empty for a section rebuilt by a scan or one that
// cannot be read again.
std::vector<DeclaredEntry> DeclaredEntries(pdf::Document& doc, const pdf::XRefTable& table);

// Reading the skeleton of a file as written: the header line, the last end
// marker, the startxref offset, and the chain of classic cross-reference
// sections with one subsection each. Internal to pdf/: the document's fixed
// entry points ReadFileStructure and ParseXrefTable forward here.
#pragma once

#include <cstdint>

namespace pdf {

class Document;
class Parser;
class Token;
class XRefTable;

class XRefReader {
 public:
  XRefReader(Document& doc, Parser& parser);

  bool ReadFileStructure(const char* first, const char* last);
  // The section at the offset with its trailer, and the older ones through Prev.
  XRefTable* ParseXrefTable(int32_t offset);

  // Entries in the common 20-byte form, read straight from the bytes from entry
  // *index on (see xref_entry_text.h) and stored at table index base + *index;
  // leaves *index at the last one read and the cursor after its type letter.
  // kNone when the current token does not start such an entry; kCancelled when
  // the open's progress callback stopped it (every 65,536 entries it is told).
  enum class EntryRun { kNone, kRead, kOutOfMemory, kCancelled };
  EntryRun ReadEntryRun(XRefTable* table, int32_t entry_count, int32_t* index, int64_t base = 0);

 private:
  XRefTable* ParseXrefSection(int32_t offset);
  bool NextToken();
  bool Seek(int32_t offset);

  Document& doc_;
  Parser& parser_;
  // The parser's state, by the names the reading steps use.
  const char*& begin;
  const char*& end;
  const char*& cursor;
  Token& current;
};

}  // namespace pdf

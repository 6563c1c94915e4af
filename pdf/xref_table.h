// One cross-reference section: object numbers first .. first + count - 1 with
// their offsets, generations and in-use marks, plus the section's trailer.
// Sections chain from the newest to the oldest through `prev`.
#pragma once

#include <cstdint>

#include "pdf/object.h"

namespace pdf {

struct XRefEntry {
  int32_t generation;  // compressed: the index in the object stream
  int32_t offset;      // in use: of the header line; free: the next free number;
                       // compressed: the object stream's number
  Object* object;      // loaded or registered; not owned
  char type;           // 'n' in use, 'f' free, 'c' compressed (modern), 0 not listed
};

// What a section was read from.
enum class XRefKind : uint8_t {
  kClassic,  // an xref keyword section
  kStream,   // a cross-reference stream (modern)
  kRebuilt,  // made by scanning a damaged file (modern)
};

// Raised by XRefTable::AddObject when an object can be neither numbered nor
// recorded; `table` is the table at which it gave up (null when the document
// had no table at all). The one exception the core raises.
struct XRefRegistrationError {
  XRefTable* table;
};

class XRefTable : public Object {
 public:
  // Empty but for entry 0 (free, generation 65535); on the document's list.
  XRefTable(Document* doc, int32_t section_offset);
  ~XRefTable() override;

  void Write(Output& output) override;
  bool IsXRefTable() override;
  XRefTable* AsXRefTable() override;

  int EntryCount() const { return count; }
  // Room for n entries; growth doubles. False when memory runs out.
  bool Grow(int n);
  // Stores one entry read from a file; a later call for the same number wins.
  bool SetEntry(int32_t object_number, int32_t entry_generation, int32_t entry_offset,
                char entry_type);
  // The next object number of this table, or 0 when it cannot grow.
  int NewNumber();
  // Numbers the object if it has none and records it in the chain. Throws
  // XRefRegistrationError when that is impossible.
  void AddObject(Object* object);
  // Offset of the number in the newest table that covers it, or -1.
  int Lookup(int32_t object_number, int32_t object_generation);
  // Modern mode: the entry of the newest section that lists the number (an
  // entry of type 0 is not listed there), or null.
  XRefEntry* FindEntry(int32_t object_number);

  int32_t first = 0;
  int32_t section_offset = 0;
  XRefTable* prev = nullptr;
  const char* text_start = nullptr;  // the xref keyword in the mapped file
  int32_t text_length = 0;           // up to the token after the last entry
  int32_t count = 0;
  Dictionary* trailer = nullptr;
  XRefEntry* entries = nullptr;
  int32_t capacity = 0;

  // Modern mode: the kind of section, the cross-reference stream it was read
  // from, and for a classic section of a hybrid file the stream (XRefStm) that
  // completed it.
  XRefKind kind = XRefKind::kClassic;
  Dictionary* stream = nullptr;
  XRefTable* hybrid = nullptr;

 private:
  friend class Document;  // the readers store entries by index
  friend class XRefReader;
  friend class ModernReader;
  // Inline: a large section stores millions of entries in a row.
  bool SetEntryAt(int64_t index, int32_t entry_generation, int32_t entry_offset, char entry_type) {
    if (index < 0 || index >= INT32_MAX) {
      return false;
    }
    if (index >= capacity && !Grow(static_cast<int>(index + 1))) {
      return false;
    }
    if (index + 1 > count) {
      count = static_cast<int32_t>(index + 1);
    }
    entries[index] = XRefEntry{entry_generation, entry_offset, nullptr, entry_type};
    return true;
  }
  // Grows in doubling steps, as storing n entries one by one would, but at once.
  bool Reserve(int64_t n);
};

}  // namespace pdf

// Writing one cross-reference section: every registered object that has not
// been written yet, then the keyword line and one 20-byte line per entry.
#include "pdf/bounds.h"
#include "pdf/document.h"
#include "pdf/output.h"
#include "pdf/xref_table.h"

namespace pdf {

void XRefTable::Write(Output& output) {
  // Free entries form a list through their offsets: entry 0 leads to the
  // lowest free number, each free entry to the next higher one, the highest
  // back to 0. The links are object numbers, which equal indexes when the
  // section starts at 0.
  int32_t next_free = 0;
  for (int32_t i = count; i-- > 0;) {
    if (entries[i].type == 'f') {
      entries[i].offset = next_free;
      next_free = first + i;
    }
  }

  // Writing an object registers the objects it refers to, which may append
  // entries and move the array: count and entries are read afresh each step.
  for (int32_t i = 0; i < count; ++i) {
    Object* object = entries[i].object;
    if (object == nullptr) {
      continue;
    }
    if (object->offset == 0) {
      object->WriteIndirect(output);
    }
    entries[i].offset = object->offset;
  }

  section_offset = output.Tell();
  doc->Trace("writing xref at %d\n", section_offset);
  output.Printf("xref\r%d %d\r", first, count);
  int warnings = 0;
  for (int32_t i = 0; i < count; ++i) {
    const XRefEntry& entry = entries[i];
    if (i > 0 && entry.type == 'n' && entry.offset == 0 && warnings < kMaxOffsetWarnings) {
      ++warnings;
      doc->Warn("%s", "used xref entry offset == 0");
    }
    output.Printf("%010d %05d %c \r", entry.offset, entry.generation, entry.type);
  }
}

}  // namespace pdf

// pdf::XRefTable: the entries of one section and the chain walks over sections.
#include "pdf/xref_table.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "pdf/document.h"

namespace pdf {

namespace {

constexpr int kInitialCapacity = 16;
constexpr int32_t kFreeHeadGeneration = 65535;
}  // namespace

XRefTable::XRefTable(Document* owner, int32_t offset_in) : Object(owner) {
  section_offset = offset_in;
  if (Grow(kInitialCapacity)) {
    count = 1;
    entries[0] = XRefEntry{kFreeHeadGeneration, 0, nullptr, 'f'};
  }
}

XRefTable::~XRefTable() {
  free(entries);
}

bool XRefTable::IsXRefTable() {
  return true;
}

XRefTable* XRefTable::AsXRefTable() {
  return this;
}

bool XRefTable::Grow(int n) {
  if (n == capacity) {
    return true;
  }
  if (n < 0) {
    return false;
  }
  int64_t target = n;
  if (n > capacity && 2 * static_cast<int64_t>(capacity) > target) {
    target = 2 * static_cast<int64_t>(capacity);
    if (target > INT32_MAX) {
      target = INT32_MAX;
    }
  }
  const size_t bytes = static_cast<size_t>(target) * sizeof(XRefEntry);
  XRefEntry* block = nullptr;
  if (target > capacity) {
    // A fresh zeroed block rather than realloc and memset: a large block then
    // comes straight from the kernel already zero, and only the pages that are
    // written get touched.
    block = static_cast<XRefEntry*>(calloc(static_cast<size_t>(target), sizeof(XRefEntry)));
    if (block == nullptr) {
      return false;
    }
    if (capacity > 0) {
      memcpy(static_cast<void*>(block), entries, static_cast<size_t>(capacity) * sizeof(XRefEntry));
    }
    free(entries);
  } else {
    block = static_cast<XRefEntry*>(realloc(entries, bytes));
    if (block == nullptr && target != 0) {
      return false;
    }
  }
  entries = block;
  capacity = static_cast<int32_t>(target);
  if (count > capacity) {
    count = capacity;  // a shrink drops the entries it cuts off
  }
  return true;
}

bool XRefTable::Reserve(int64_t n) {
  int64_t target = capacity > 0 ? capacity : kInitialCapacity;
  while (target < n && target < INT32_MAX) {
    target = std::min<int64_t>(2 * target, INT32_MAX);
  }
  return target <= capacity || Grow(static_cast<int>(target));
}

bool XRefTable::SetEntry(int32_t object_number, int32_t entry_generation, int32_t entry_offset,
                         char entry_type) {
  return SetEntryAt(static_cast<int64_t>(object_number) - first, entry_generation, entry_offset,
                    entry_type);
}

int XRefTable::NewNumber() {
  int64_t object_number = static_cast<int64_t>(first) + count;
  if (object_number <= 0 || object_number > INT32_MAX || count == INT32_MAX) {
    return 0;
  }
  if (count + 1 > capacity && !Grow(count + 1)) {
    return 0;
  }
  ++count;
  return static_cast<int>(object_number);
}

void XRefTable::AddObject(Object* object) {
  if (object->number == 0) {
    int object_number = NewNumber();
    if (object_number == 0) {
      doc->Warn("PDF xref table full!");
      throw XRefRegistrationError{this};
    }
    object->number = object_number;
  }
  XRefTable* oldest = this;
  const bool modern = doc->Modern();
  for (XRefTable* table = this; table != nullptr; table = table->prev) {
    int64_t index = static_cast<int64_t>(object->number) - table->first;
    if (index >= 0 && index < table->count) {
      XRefEntry& entry = table->entries[index];
      if (modern && entry.type == 0) {
        oldest = table;
        continue;  // not listed in this section: an older one lists it
      }
      if (entry.type == 'c' && object->offset == 0) {
        entry.object = object;  // loaded from its object stream: the entry stays
        return;
      }
      entry.generation = object->generation;
      entry.object = object;
      entry.type = 'n';
      if (object->offset != 0) {
        entry.offset = object->offset;
      }
      return;
    }
    oldest = table;
  }
  doc->Warn("PDF xref Add object#%d??", object->number);
  throw XRefRegistrationError{oldest};
}

int XRefTable::Lookup(int32_t object_number, int32_t) {
  // The generation is not compared, and a free entry answers with its
  // next-free number: the newest section that covers the number decides.
  for (XRefTable* table = this; table != nullptr; table = table->prev) {
    int64_t index = static_cast<int64_t>(object_number) - table->first;
    if (index >= 0 && index < table->count) {
      return table->entries[index].offset;
    }
  }
  return -1;
}

XRefEntry* XRefTable::FindEntry(int32_t object_number) {
  for (XRefTable* table = this; table != nullptr; table = table->prev) {
    int64_t index = static_cast<int64_t>(object_number) - table->first;
    if (index >= 0 && index < table->count && table->entries[index].type != 0) {
      return &table->entries[index];
    }
  }
  return nullptr;
}

}  // namespace pdf

// The textual form of objects. Writing is not wired up yet: these keep their
// slots so that the writer can fill them without changing the class layout.
#include "pdf/object.h"
#include "pdf/xref_table.h"

namespace pdf {

void Object::Write(Output&) {}
void Object::WriteHeader(Output&) {}
void Object::WriteTrailer(Output&) {}
void Object::WriteRef(Output&) {}
void Object::WriteIndirect(Output&) {}
const char* Object::RefText() {
  return "";
}

void Scalar::Write(Output&) {}
void Scalar::WriteRef(Output&) {}
void Array::Write(Output&) {}
void Array::WriteRef(Output&) {}
void Dictionary::Write(Output&) {}

void Reference::Write(Output&) {
  Resolve();
}

void XRefTable::Write(Output&) {}

}  // namespace pdf

// Writing a whole document: the catalog, the information dictionary and the
// page tree root, every other registered object, the cross-reference section,
// the trailer with a fresh file identifier, startxref and the end marker. The
// output is expected to hold the "%PDF-" header line already.
#include "pdf/document.h"
#include "pdf/file_id.h"

namespace pdf {

namespace {

// The output's error when an object could not be numbered or recorded; the
// table has reported the reason already.
constexpr char kRegistrationFailed[] = "PDF object could not be registered; writing stopped";

// The null object stands for a missing catalog, info or page tree root; it is
// not written as an indirect object of its own.
void WriteIndirectUnlessNull(Object* object, Output& output) {
  if (object != nullptr && !object->IsNull()) {
    object->WriteIndirect(output);
  }
}

}  // namespace

void Document::Write(Output& output) {
  if (xref == nullptr) {
    output.SetError(kRegistrationFailed);
    return;
  }
  try {
    WriteIndirectUnlessNull(catalog, output);
    WriteIndirectUnlessNull(info, output);
    CountPages(pages);
    WriteIndirectUnlessNull(pages, output);
    xref->Write(output);
    output.Write("trailer\r");

    // A trailer read from the file is kept as it was, apart from its ID.
    Object* trailer = xref->trailer;
    if (trailer == nullptr) {
      trailer = new Dictionary(this);
      trailer->Set("Size", xref->EntryCount());
      if (xref->prev != nullptr) {
        trailer->Set("Prev", xref->prev->section_offset);
      }
      trailer->Set("Root", catalog);
      trailer->Set("Info", info);
    }

    Object* identifier = new Scalar(this, FileIdentifier(info).c_str(), TokenType::String);
    Object* id = trailer->Get("ID");
    Array* id_array = id->AsArray();
    if (id_array != nullptr && id_array->Count() >= 2) {
      id_array->Replace(1, identifier);  // the first string names the original file
    } else {
      // Missing, not an array, or too short to hold both strings.
      auto* fresh = new Array(this);
      fresh->Append(identifier);
      fresh->Append(identifier);
      trailer->Set("ID", fresh);
    }

    trailer->Write(output);
    output.Printf("\rstartxref\r%d\r", xref->section_offset);
    output.Write("%%EOF\r");
  } catch (const XRefRegistrationError&) {
    output.SetError(kRegistrationFailed);
  }
}

}  // namespace pdf

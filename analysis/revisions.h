// A file's revisions: the sections of its cross-reference chain, oldest
// first (the original file, then each incremental update), with the objects
// each added, changed and freed, and where each ends in the file. Signatures
// are set against them: which revision each signs and what later ones changed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pdf {
class Document;
class XRefTable;
}  // namespace pdf

struct Revision {
  int index = 0;  // 1 for the original file
  const pdf::XRefTable* section = nullptr;
  int64_t section_offset = 0;
  const char* kind = "";  // "xref table", "xref stream", "rebuilt table"
  // The bytes of the file as it was at this revision: up to and including
  // the section's %%EOF line; 0 when no %%EOF follows the section.
  int64_t end = 0;
  int64_t listed = 0;  // entries the section lists
  std::vector<int32_t> added;
  std::vector<int32_t> changed;  // listed again at another place or generation
  std::vector<int32_t> freed;
};

// The revisions oldest first. `ordered` is false when the sections do not
// follow each other in the file (a linearized file's first-page section):
// they are then sections rather than updates.
std::vector<Revision> ListRevisions(pdf::Document& doc, bool* ordered = nullptr);

struct SignedRevision {
  int32_t number = 0;  // the signature dictionary's object
  int64_t byte_range[4] = {0, 0, 0, 0};
  bool usable = false;  // four numbers, in order, within the file
  int revision = 0;     // the revision whose end the range reaches; 0: none
  // The bytes left out are one hex string, the signature's Contents: a wider
  // gap leaves bytes unsigned that the signature seems to cover.
  bool gap_is_contents = false;
  bool whole = false;                  // from byte 0 to that end, but the signature's gap
  std::vector<int32_t> changed_after;  // added, changed or freed by later revisions
};

// Every signature dictionary the newest revision lists (a ByteRange array
// and Contents), in number order.
std::vector<SignedRevision> ListSignatures(pdf::Document& doc,
                                           const std::vector<Revision>& revisions);

// What quorvel-inspect --revisions prints.
std::string RevisionsText(pdf::Document& doc);

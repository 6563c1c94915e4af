// Reading the skeleton of a file as PDF since 1.5 has it, and as the best
// readers forgive it: a header after leading junk, an end marker and startxref
// anywhere near the end, classic sections with any number of subsections,
// cross-reference streams, hybrid files (XRefStm), a startxref a few bytes off;
// and when the chain cannot be read, a table rebuilt by scanning the file.
// Internal to pdf/: modern opens run this instead of the written reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pdf {

class Dictionary;
class Document;
class Parser;
class XRefTable;

class ModernReader {
 public:
  ModernReader(Document& doc, Parser& parser);

  // Fills the document's header, version, parse range and chain. False when
  // not even a rebuilt table yields a catalog; the reason has been reported.
  bool Read(const char* first, const char* last);

 private:
  // The chain from startxref; null with the reason in `problem`.
  XRefTable* ReadChain(int64_t offset, std::string* problem);
  // The section at the offset (or a few bytes off it), either kind.
  XRefTable* ReadSectionAt(int64_t offset, std::string* problem);
  XRefTable* ReadClassicSection(int64_t offset, std::string* problem);
  XRefTable* ReadStreamSection(int64_t offset, std::string* problem);
  // Where a section near `offset` really starts, or -1.
  int64_t FindSectionNear(int64_t offset) const;
  // Fills what the classic section leaves out from its XRefStm stream.
  void MergeHybrid(XRefTable* classic, XRefTable* stream);
  // The trailer's catalog reads as a dictionary (the chain is usable).
  bool CatalogReadable();
  // Rebuilds the table by scanning; false when no catalog is found.
  bool Repair(const std::string& reason);
  // A plain dictionary with the entries of `source`, references unresolved.
  Dictionary* CopyEntries(Dictionary* source);

  Document& doc_;
  Parser& parser_;
};

}  // namespace pdf

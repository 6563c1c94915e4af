// A PDF file as a whole: it owns every object read from or built for the file,
// the mapped file, the cross-reference chain and the parse state, and it is the
// channel through which the core reports.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "diag/error_info.h"
#include "pdf/memmap_file.h"
#include "pdf/object.h"
#include "pdf/output.h"
#include "pdf/token.h"
#include "pdf/xref_table.h"

namespace pdf {

class Document {
 public:
  // Blank: an empty catalog, page tree root, info and cross-reference table.
  Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // The virtual operations, in their slot order.
  virtual ~Document();
  // Writes the whole document to the output.
  virtual void Write(Output& output);
  // A validation finding that makes the file invalid: by default sets `invalid`
  // and sends the text to the error sink.
  virtual void ReportInvalid(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // A finding worth a remark: by default a "Warning: " line to the trace sink.
  virtual void ReportWarning(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // ---- Open and close --------------------------------------------------------
  // Maps the file, reads its structure and validates it. False (with the reason
  // in `open_error`, already reported) leaves the document blank.
  bool Open(const char* path);
  // As Open, over bytes that the caller keeps alive and unchanged until the
  // next Open, Close or reset; `name` stands for the path in reports.
  bool OpenMemory(const char* data, int32_t size, const char* name);
  // Writes to `output` if one is attached, unmaps, and resets.
  void Close();
  // Deletes every object and rebuilds the blank document.
  void Reset();

  // ---- Object store ----------------------------------------------------------
  void AddObjectToList(Object* object);
  // Unlinks by a walk from the head; an object not on the list is left alone.
  void RemoveObjectFromList(Object* object);
  void DeleteAllObjects();

  // The one shared copy of a dictionary key; dictionaries point at it instead of
  // each keeping its own copy. Valid until the next reset.
  const char* InternKey(std::string_view key);
  // The shared copy if the key was ever interned, else null.
  const char* FindKey(std::string_view key) const;

  // ---- Reports ---------------------------------------------------------------
  // printf-style into 512 bytes (cut to 511 characters), then handed on as text.
  void Trace(const char* format, ...) __attribute__((format(printf, 2, 3)));
  bool Fail(const char* format, ...) __attribute__((format(printf, 2, 3)));
  bool Warn(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // ---- File structure --------------------------------------------------------
  // Header, last "%%EOF", startxref and the chain of sections with trailers.
  bool ReadFileStructure(const char* first, const char* last);
  // The section at the offset with its trailer, and the older ones through Prev;
  // null when the section cannot be read.
  XRefTable* ParseXrefTable(int32_t offset);

  // ---- Parser ----------------------------------------------------------------
  // On entry `current` holds the first token of the construct, on return the
  // first token after it.
  bool NextToken();
  // Moves the cursor to `begin` + offset and reads a token there; an offset
  // outside the parse range gives no token.
  bool Seek(int32_t offset);
  // Pushes values until a token that starts none; returns how many.
  int ParseObjects();
  Dictionary* ParseDictionary();
  Array* ParseArray();
  // The first value after "N G obj" at the offset (numbered), the null object
  // when there is none, or null when the header is not there.
  Object* ParseIndirectObject(int32_t offset);

  // ---- Writing ---------------------------------------------------------------
  // The number of page leaves below the node, correcting each node's Count on
  // the way. A node met again (a cycle, or a page listed twice) counts as 0;
  // below kMaxPageTreeDepth nothing is counted, and the Counts above such a cut
  // are left as they were.
  int CountPages(Object* node);

  // ---- Resolution ------------------------------------------------------------
  // The loaded object, or the null object; never null.
  Object* GetObject(int32_t number, int32_t generation);
  // Parses the object at the offset and registers it; the null object when
  // nothing could be parsed or registered.
  Object* LoadObject(int32_t offset);

  // ---- State -----------------------------------------------------------------
  XRefTable* xref = nullptr;  // the newest section; null after a failed read
  Output output;
  Object* null_object = nullptr;
  Object* header_object = nullptr;
  Object* objects = nullptr;  // every object of the document, newest first
  Object* catalog = nullptr;
  Object* pages = nullptr;
  Object* info = nullptr;
  std::vector<Object*> stack;  // the parser's values; grows as needed
  int32_t stack_count = 0;
  ErrorInfo open_error;
  bool invalid = false;
  CMemMapFile file;
  int32_t version_major = 0;
  int32_t version_minor = 0;
  const char* begin = nullptr;
  const char* end = nullptr;
  const char* cursor = nullptr;
  Token current;

 private:
  bool FinishOpen(const char* first, const char* last, const char* path);
  void Validate();
  void ValidatePages();
  XRefTable* ParseXrefSection(int32_t offset);
  // Entries in the common 20-byte form, read straight from the bytes from entry
  // *index on (see xref_entry_text.h); leaves *index at the last one read and
  // the cursor after its type letter. kNone when the current token does not
  // start such an entry.
  enum class EntryRun { kNone, kRead, kOutOfMemory };
  EntryRun ReadEntryRun(XRefTable* table, int32_t entry_count, int32_t* index);
  void Push(Object* object);
  // Pushes the current token as a scalar not made yet (a null slot).
  void PushPending();
  // The object of a stack slot, making a pending scalar now.
  Object* Materialize(int slot);
  // The IntValue of a slot's value, without making it.
  int32_t SlotInt(int slot);
  // ParseObjects, leaving scalars pending for the container that takes them.
  int ParseValues();
  bool EnterNesting();
  void LeaveNesting();
  void FillDictionary(Dictionary* dictionary, int first, int count);
  const char* KeyText(int slot);

  struct KeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
  };
  std::unordered_set<std::string, KeyHash, std::equal_to<>> keys_;

  int nesting_ = 0;                // arrays and dictionaries open right now
  bool nesting_exceeded_ = false;  // reported once; the parse unwinds
  std::vector<int32_t> loading_;   // offsets of the loads in progress, innermost last
  std::vector<Token> pending_;     // the tokens of the stack's pending slots
  ObjectArena arena_;              // the parser's objects; emptied with the object list

  friend class Object;  // an object asks the arena whether it lives there
};

}  // namespace pdf

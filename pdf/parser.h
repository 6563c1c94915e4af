// The object parser's working state and operations: the parse range and
// cursor, the current token, the value stack, the nesting depth and the arena
// that the parsed objects live in. Internal to pdf/: the document forwards its
// fixed parser operations here and owns the one parser it parses with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "pdf/object_arena.h"
#include "pdf/token.h"

namespace pdf {

class Array;
class Dictionary;
class Document;
class Object;

class Parser {
 public:
  explicit Parser(Document* doc);
  Parser(const Parser&) = delete;
  Parser& operator=(const Parser&) = delete;

  // Forgets the range, the token, the stack and the nesting; the arena stays
  // (it is released with the objects, see ReleaseObjects).
  void Reset();
  // Frees the arena; every object in it must have been destroyed.
  void ReleaseObjects();
  ObjectArena& Arena() { return arena_; }

  // Modern syntax: what the standard allows and the written lexer refuses
  // (white space in hexadecimal strings, NUL as white space, #xx escapes in
  // keys, a stream whose Length is wrong found by its endstream), with every
  // problem a finding instead of a message box.
  void SetModern(bool modern);
  bool Modern() const { return modern_; }

  bool NextToken();
  bool Seek(int32_t offset);
  int ParseObjects();
  Dictionary* ParseDictionary();
  Array* ParseArray();
  Object* ParseIndirectObject(int32_t offset);

  // Finds every endstream of the parse range now, so that parses in a range
  // cut shorter afterwards (see ModernReader::Repair) still find them right.
  void IndexEndstreams() { FindEndstream(begin); }

  // The first value of `data` at `offset`, as an object stream holds it: no
  // header line, no stream data; every text is copied, since the decoded bytes
  // do not outlive the parse. Null when no value starts there. The parse range
  // of the file is restored afterwards.
  Object* ParseDecodedValue(std::span<const uint8_t> data, size_t offset);

  // The parse state; the document's fields of the same names refer to these.
  const char* begin = nullptr;
  const char* end = nullptr;
  const char* cursor = nullptr;
  Token current;
  std::vector<Object*> stack;  // the values; grows as needed
  int32_t stack_count = 0;

 private:
  void Push(Object* object);
  // Pushes the current token as a scalar not made yet (a null slot).
  void PushPending();
  // The object of a stack slot, making a pending scalar now.
  Object* Materialize(int slot);
  // The IntValue of a slot's value, without making it.
  int32_t SlotInt(int slot);
  // ParseObjects, leaving scalars pending for the container that takes them.
  int ParseValues();
  // The one value at the current token (a reference counts as one), nothing
  // after it; null when no value starts there.
  Object* ParseOneValue();
  bool EnterNesting();
  void LeaveNesting();
  void FillDictionary(Dictionary* dictionary, int first, int count);
  const char* KeyText(int slot, bool* escaped);
  // The stream data after the keyword stream, as the written rules find them.
  void LocateClassicStream(Dictionary* dictionary);
  // The same, falling back to the next endstream when Length does not fit.
  void LocateModernStream(Dictionary* dictionary);
  // The first "endstream" at or after `from` in the parse range, or null.
  const char* FindEndstream(const char* from);
  // A parse problem: the error sink as written, a finding in modern mode.
  bool Problem(const char* text);

  Document* doc_;
  bool modern_ = false;
  bool decoded_ = false;           // parsing an object stream's decoded bytes
  int32_t object_number_ = 0;      // of the indirect object being parsed, for findings
  int32_t object_generation_ = 0;  //
  int nesting_ = 0;                // arrays and dictionaries open right now
  bool nesting_exceeded_ = false;  // reported once; the parse unwinds
  std::vector<Token> pending_;     // the tokens of the stack's pending slots
  LexOptions lex_;
  // Offsets of every "endstream" of the file from `begin`, found in one pass the
  // first time a stream's Length does not fit, so that many such streams cost
  // one scan, not one each.
  std::vector<int64_t> endstreams_;
  bool endstreams_found_ = false;
  ObjectArena arena_;  // the parser's objects; emptied with the object list
};

}  // namespace pdf

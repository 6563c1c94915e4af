// A PDF file as a whole: it owns every object read from or built for the file,
// holds the parse state, and is the channel through which the core reports.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "pdf/object.h"
#include "pdf/token.h"

namespace pdf {

class Document {
 public:
  Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;
  virtual ~Document();

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

  // ---- Resolution ------------------------------------------------------------
  // The loaded object, or the null object; never null.
  Object* GetObject(int32_t number, int32_t generation);

  // ---- State -----------------------------------------------------------------
  Object* null_object = nullptr;
  Object* objects = nullptr;  // every object of the document, newest first

  std::vector<Object*> stack;  // the parser's values; grows as needed
  int32_t stack_count = 0;

  const char* begin = nullptr;
  const char* end = nullptr;
  const char* cursor = nullptr;
  Token current;

 protected:
  void ResetObjects();

 private:
  void Push(Object* object);
  bool EnterNesting();
  void LeaveNesting();
  void FillDictionary(Dictionary* dictionary, int first, int count);
  const char* KeyText(Object* key);

  struct KeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
  };
  std::unordered_set<std::string, KeyHash, std::equal_to<>> keys_;

  int nesting_ = 0;                // arrays and dictionaries open right now
  bool nesting_exceeded_ = false;  // reported once; the parse unwinds
};

}  // namespace pdf

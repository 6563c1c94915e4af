// The PDF object model: every value read from a file or built for writing is an
// object of one of these classes, owned by its pdf::Document. Callers work only
// through the virtual operations of pdf::Object; queries never fail and answer
// with a neutral default or the document's null object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <new>
#include <vector>

#include "pdf/object_arena.h"
#include "pdf/token.h"

// The bitmap handle of dib/, only named here (ToDib is defined in filters/).
struct DibBlock;
using HDIB = DibBlock*;

namespace pdf {

class Array;
class Dictionary;
class Document;
class Output;
class XRefTable;

class Object {
 public:
  // Links the object at the head of the document's list; the document owns it.
  explicit Object(Document* doc);
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  // Objects come from the heap, except those the parser makes, which come from
  // their document's arena: `new (arena) Scalar(...)`.
  static void* operator new(size_t size) { return ::operator new(size); }
  static void* operator new(size_t size, ObjectArena& arena) { return arena.Allocate(size); }
  // For a constructor that throws: heap memory is returned, arena memory goes
  // with the arena.
  static void operator delete(void* memory) { ::operator delete(memory); }
  static void operator delete(void*, ObjectArena&) {}
  // `delete object` destroys the whole object and then returns its memory the
  // same way.
  static void operator delete(Object* object, std::destroying_delete_t);

  // The virtual operations, in their slot order.
  virtual ~Object();
  virtual void Write(Output& output);
  virtual void WriteHeader(Output& output);
  virtual void WriteTrailer(Output& output);
  virtual void WriteRef(Output& output);
  virtual const char* Text();
  virtual bool IsNull();
  virtual bool IsBoolean();
  virtual bool IsNumber();
  virtual bool IsString();
  virtual bool IsStream();
  virtual bool IsXRefTable();
  virtual bool IsDictionary();
  virtual bool IsArray();
  virtual bool IsName(const char* name);
  virtual bool IsName();
  virtual Dictionary* AsDictionary();
  virtual Array* AsArray();
  virtual XRefTable* AsXRefTable();
  virtual bool BoolValue();
  virtual int32_t IntValue();
  virtual double RealValue();
  virtual Object* Resolve();
  virtual Object* Get(const char* key);
  virtual void Set(const char* key, Object* value);
  virtual void Set(const char* key, double value);
  // "/Name" stores the Name without its slash; any other text a String.
  virtual void Set(const char* key, const char* value);
  virtual int Add(const char* key, Object* value);
  virtual void GetStreamData(Token& data);
  virtual Object* Item(int index);
  virtual int Count();
  virtual int Append(Object* item);

  // Spares callers the ambiguity of Set(key, 0) between a number and a pointer.
  void Set(const char* key, int value) { Set(key, static_cast<double>(value)); }

  void WriteIndirect(Output& output);
  const char* RefText();
  // True: the object must be written again (offset cleared), changed now.
  void MarkModified(bool modified_now);

  Document* doc = nullptr;
  Object* next = nullptr;
  int32_t number = 0;  // 0 while the object is direct
  int32_t generation = 0;
  int32_t offset = 0;  // of the header line; 0 = not written yet
  bool modified = false;
  // Set by the constructor: the memory belongs to the document's arena.
  bool in_arena = false;
  // A dictionary some of whose keys were written with #xx escapes.
  bool escaped_keys = false;
  // A stream of an encrypted file whose data are still as the file holds
  // them; deciphered on first use (fits in the padding before modified_time).
  bool enciphered = false;
  time_t modified_time = 0;
  // "N G R", made on the first RefText. Allocated on demand: most objects never
  // need it, and every byte of an object counts in large files.
  std::unique_ptr<char[]> ref_text;
};

// Null, Boolean, Number, String and Name: the value is the token.
class Scalar : public Object {
 public:
  // Owns a copy of the text: names (without "/"), strings, program keywords.
  Scalar(Document* doc, const char* text, TokenType type);
  Scalar(Document* doc, double value);
  Scalar(Document* doc, const Token& token);
  ~Scalar() override;

  void Write(Output& output) override;
  void WriteRef(Output& output) override;
  const char* Text() override;
  bool IsBoolean() override;
  bool IsNumber() override;
  bool IsString() override;
  bool IsName(const char* name) override;
  bool IsName() override;
  bool BoolValue() override;
  int32_t IntValue() override;
  double RealValue() override;

  Token token;
};

class Array : public Object {
 public:
  explicit Array(Document* doc);
  ~Array() override;

  void Write(Output& output) override;
  void WriteRef(Output& output) override;
  const char* Text() override;
  bool IsArray() override;
  Array* AsArray() override;
  Object* Item(int index) override;
  int Count() override;
  int Append(Object* item) override;
  // Empties the array and makes it direct again; the items are not deleted.
  virtual void Clear();

  void Reserve(int items) { items_.reserve(static_cast<size_t>(items)); }
  // The item at the index as stored, a reference left unresolved; null out of
  // range.
  Object* Value(int index) {
    return index >= 0 && static_cast<size_t>(index) < items_.size()
               ? items_[static_cast<size_t>(index)]
               : nullptr;
  }
  // Puts `item` in place of the one at the index; false out of range.
  bool Replace(int index, Object* item) {
    if (item == nullptr || index < 0 || static_cast<size_t>(index) >= items_.size()) {
      return false;
    }
    items_[static_cast<size_t>(index)] = item;
    return true;
  }

 private:
  std::vector<Object*> items_;  // not owned
};

// A plain dictionary, or a stream when `data` holds the stream's data.
class Dictionary : public Object {
 public:
  explicit Dictionary(Document* doc);
  ~Dictionary() override;

  void Write(Output& output) override;
  const char* Text() override;
  bool IsStream() override;
  bool IsDictionary() override;
  Dictionary* AsDictionary() override;
  Object* Get(const char* key) override;
  void Set(const char* key, Object* value) override;
  using Object::Set;
  int Add(const char* key, Object* value) override;
  void GetStreamData(Token& data_out) override;
  Object* Item(int index) override;
  int Count() override;

  // The key at the index, or "" out of range.
  const char* Key(int index);
  // The key as the file wrote it (with its #xx escapes), or Key.
  const char* WrittenKey(int index);
  // The value at the index as stored, a reference left unresolved; null out of
  // range.
  Object* Value(int index);

  // Decodes the stream's data through its Filter and DecodeParms into `out`;
  // defined with the filters.
  int Decode(char* out, int capacity, char* error_text);
  // Converts an image stream into a new bitmap that the caller owns; defined
  // with the filters.
  HDIB ToDib();

  Token data;  // type None for a plain dictionary, StreamData for a stream

 private:
  friend class Parser;  // the parser fills entries in bulk

  struct Entry {
    const char* key;  // interned by the document, NUL-terminated
    Object* value;    // not owned
  };
  // Index of the entry whose interned key is `key`, or -1.
  int Find(const char* key) const;

  std::vector<Entry> entries_;
};

class Reference : public Object {
 public:
  Reference(Document* doc, int32_t number, int32_t generation);

  void Write(Output& output) override;
  Object* Resolve() override;

  Object* target = nullptr;  // resolved object, null until Resolve has run
};

static_assert(alignof(Scalar) <= kObjectAlignment && alignof(Array) <= kObjectAlignment &&
              alignof(Dictionary) <= kObjectAlignment && alignof(Reference) <= kObjectAlignment);

}  // namespace pdf

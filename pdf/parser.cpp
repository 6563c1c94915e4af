// The object parser: a shift-reduce loop over the document's value stack.
// Values are pushed as they are read; arrays, dictionaries and references are
// built from the top of the stack. A scalar is pushed as its token and made
// into an object only when it becomes a value: dictionary keys and the two
// numbers of a reference never become objects, which in a large file are most
// of the scalars read.
#include <cstring>
#include <unordered_map>

#include "pdf/bounds.h"
#include "pdf/document.h"

namespace pdf {

namespace {

// Up to this many entries a repeated key is found by a linear scan; larger
// dictionaries use a hash index so that a hostile file cannot make the parse
// quadratic.
constexpr int kLinearKeyScan = 16;

}  // namespace

bool Document::NextToken() {
  if (nesting_exceeded_) {
    // The parse is unwinding after too deep a nesting: read nothing more.
    current = Token();
    return false;
  }
  return current.Next(&cursor, end);
}

bool Document::Seek(int32_t offset) {
  if (offset >= 0 && begin != nullptr && offset < end - begin) {
    cursor = begin + offset;
  } else {
    cursor = end;  // outside the parse range: no token
  }
  return NextToken();
}

void Document::Push(Object* object) {
  if (static_cast<size_t>(stack_count) == stack.size()) {
    stack.push_back(object);
  } else {
    stack[static_cast<size_t>(stack_count)] = object;
  }
  ++stack_count;
}

void Document::PushPending() {
  const auto slot = static_cast<size_t>(stack_count);
  if (pending_.size() <= slot) {
    pending_.resize(slot + 1);
  }
  pending_[slot] = current;
  Push(nullptr);
}

Object* Document::Materialize(int slot) {
  Object*& object = stack[static_cast<size_t>(slot)];
  if (object == nullptr) {
    object = new (arena_) Scalar(this, pending_[static_cast<size_t>(slot)]);
  }
  return object;
}

int32_t Document::SlotInt(int slot) {
  Object* object = stack[static_cast<size_t>(slot)];
  if (object != nullptr) {
    return object->IntValue();
  }
  // What the scalar's IntValue would answer.
  const Token& token = pending_[static_cast<size_t>(slot)];
  return token.IsNumber() ? token.IntValue() : 0;
}

bool Document::EnterNesting() {
  if (nesting_ >= kMaxNesting) {
    if (!nesting_exceeded_) {
      nesting_exceeded_ = true;
      Fail("Arrays and dictionaries nested deeper than %d levels", kMaxNesting);
    }
    current = Token();
    return false;
  }
  ++nesting_;
  return true;
}

void Document::LeaveNesting() {
  if (--nesting_ == 0) {
    nesting_exceeded_ = false;
  }
}

int Document::ParseObjects() {
  const int start = stack_count;
  const int count = ParseValues();
  for (int slot = start; slot < stack_count; ++slot) {
    Materialize(slot);
  }
  return count;
}

int Document::ParseValues() {
  const int start = stack_count;
  for (;;) {
    TokenType type = current.type;
    if (type == TokenType::Number || type == TokenType::Name || type == TokenType::String ||
        current.IsBoolean()) {
      PushPending();
      NextToken();
    } else if (current.IsKeyword("null")) {
      Push(null_object);
      NextToken();
    } else if (current.IsKeyword("<<")) {
      Dictionary* dictionary = ParseDictionary();
      if (dictionary == nullptr) {
        break;
      }
      Push(dictionary);
    } else if (current.IsKeyword("[")) {
      Array* array = ParseArray();
      if (array == nullptr) {
        break;
      }
      Push(array);
    } else if (current.IsKeyword("R")) {
      if (stack_count - start >= 2) {
        // The two values are consumed here; scalars among them are never made.
        int32_t generation = SlotInt(--stack_count);
        int32_t number = SlotInt(--stack_count);
        Push(new (arena_) Reference(this, number, generation));
      } else {
        // An R without its number and generation (at this level) stands for
        // the null object; values of enclosing levels are never taken.
        Push(null_object);
      }
      NextToken();
    } else if (type == TokenType::StreamData) {
      Fail("unexpected stream.");
      Push(new (arena_) Scalar(this, current));
      NextToken();
    } else {
      break;
    }
  }
  return stack_count - start;
}

const char* Document::KeyText(int slot) {
  Object* key = stack[static_cast<size_t>(slot)];
  if (key != nullptr && !key->IsName()) {
    return InternKey(key->Text());
  }
  // Straight from the token's bytes, as the scalar's text would read them (up
  // to a NUL byte), without making a scalar or a copy of its text.
  const Token& token =
      key != nullptr ? static_cast<Scalar*>(key)->token : pending_[static_cast<size_t>(slot)];
  size_t length = token.length > 0 ? static_cast<size_t>(token.length) : 0;
  return InternKey(std::string_view(token.text, length > 0 ? strnlen(token.text, length) : 0));
}

void Document::FillDictionary(Dictionary* dictionary, int first, int count) {
  // Pairs of key and value; a last key without a value gets the null object.
  const int pairs = (count + 1) / 2;
  dictionary->MarkModified(true);
  dictionary->entries_.reserve(static_cast<size_t>(pairs));
  std::unordered_map<const char*, size_t> index;
  const bool use_index = pairs > kLinearKeyScan;
  for (int i = 0; i < pairs; ++i) {
    // Keys are only text: a key's scalar is never made.
    const char* key = KeyText(first + 2 * i);
    Object* value = 2 * i + 1 < count ? Materialize(first + 2 * i + 1) : null_object;
    // As Set does: a repeated key keeps its first position and its last value.
    int found = -1;
    if (use_index) {
      auto it = index.find(key);
      if (it != index.end()) {
        found = static_cast<int>(it->second);
      } else {
        index.emplace(key, dictionary->entries_.size());
      }
    } else {
      found = dictionary->Find(key);
    }
    if (found >= 0) {
      dictionary->entries_[static_cast<size_t>(found)].value = value;
    } else {
      dictionary->entries_.push_back(Dictionary::Entry{key, value});
    }
  }
}

Dictionary* Document::ParseDictionary() {
  if (!current.IsKeyword("<<")) {
    return nullptr;
  }
  if (!EnterNesting()) {
    return nullptr;
  }
  NextToken();
  int count = ParseValues();
  if (current.IsKeyword(">>")) {
    NextToken();
  }
  auto* dictionary = new (arena_) Dictionary(this);
  FillDictionary(dictionary, stack_count - count, count);
  stack_count -= count;
  if (current.IsKeyword("stream")) {
    // Length may be a reference: resolving it parses another object with this
    // same state, and restores the cursor afterwards.
    Object* length = dictionary->Get("Length");
    if (length->IsNumber()) {
      Token data;
      if (data.LocateStreamData(&cursor, end, length->IntValue())) {
        dictionary->data = data;
      }
    } else {
      Fail("missing or invalid stream length");
    }
    NextToken();
  }
  LeaveNesting();
  return dictionary;
}

Array* Document::ParseArray() {
  if (!current.IsKeyword("[")) {
    return nullptr;
  }
  if (!EnterNesting()) {
    return nullptr;
  }
  NextToken();
  int count = ParseValues();
  auto* array = new (arena_) Array(this);
  array->Reserve(count);
  for (int i = stack_count - count; i < stack_count; ++i) {
    array->Append(Materialize(i));
  }
  stack_count -= count;
  NextToken();  // the token that ended the list, normally "]"
  LeaveNesting();
  return array;
}

Object* Document::ParseIndirectObject(int32_t offset) {
  if (nesting_ == 0) {
    nesting_exceeded_ = false;
  }
  Seek(offset);
  if (!current.IsInteger()) {
    return nullptr;
  }
  int32_t object_number = current.IntValue();
  NextToken();
  if (!current.IsInteger()) {
    return nullptr;
  }
  int32_t object_generation = current.IntValue();
  NextToken();
  if (!current.IsKeyword("obj")) {
    return nullptr;
  }
  NextToken();
  int count = ParseObjects();
  if (count == 0) {
    return null_object;
  }
  // The first value counts; any others stay owned by the document.
  Object* result = stack[static_cast<size_t>(stack_count - count)];
  stack_count -= count;
  if (result == null_object) {
    return result;
  }
  result->number = object_number;
  result->generation = object_generation;
  result->offset = offset;
  return result;
}

}  // namespace pdf

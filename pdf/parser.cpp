// The object parser: a shift-reduce loop over the value stack. Values are
// pushed as they are read; arrays, dictionaries and references are built from
// the top of the stack. A scalar is pushed as its token and made into an object
// only when it becomes a value: dictionary keys and the two numbers of a
// reference never become objects, which in a large file are most of the
// scalars read.
#include "pdf/parser.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "diag/format.h"
#include "pdf/bounds.h"
#include "pdf/chars.h"
#include "pdf/document.h"
#include "pdf/name_text.h"

namespace pdf {

namespace {

// Up to this many entries a repeated key is found by a linear scan; larger
// dictionaries use a hash index so that a hostile file cannot make the parse
// quadratic.
constexpr int kLinearKeyScan = 16;

constexpr std::string_view kEndStream = "endstream";

void LexProblem(void* context, const char* text) {
  // The lexer's texts end in a line feed or not, as the written reports do.
  std::string line = text;
  while (!line.empty() && line.back() == '\n') {
    line.pop_back();
  }
  static_cast<Document*>(context)->ReportWarning("%s", line.c_str());
}

// The end of line after the keyword stream, leniently: blanks first, then CR
// LF, CR or LF, or none at all. Returns where the data start.
const char* SkipStreamLineEnd(const char* at, const char* end) {
  while (at < end && (*at == ' ' || *at == '\t')) {
    ++at;
  }
  if (at < end && *at == '\r') {
    ++at;
    if (at < end && *at == '\n') {
      ++at;
    }
  } else if (at < end && *at == '\n') {
    ++at;
  }
  return at;
}

}  // namespace

Parser::Parser(Document* doc) : doc_(doc) {}

void Parser::Reset() {
  begin = end = cursor = nullptr;
  current = Token();
  stack_count = 0;
  nesting_ = 0;
  nesting_exceeded_ = false;
  decoded_ = false;
  object_number_ = object_generation_ = 0;
  endstreams_.clear();
  endstreams_found_ = false;
}

void Parser::ReleaseObjects() {
  arena_.Release();
}

void Parser::SetModern(bool modern) {
  modern_ = modern;
  lex_ = LexOptions();
  if (modern) {
    lex_.modern = true;
    lex_.report = LexProblem;
    lex_.context = doc_;
  }
}

bool Parser::Problem(const char* text) {
  if (modern_) {
    if (object_number_ > 0) {
      doc_->ReportWarning("Object %d %d: %s", object_number_, object_generation_, text);
    } else {
      doc_->ReportWarning("%s", text);
    }
    return false;
  }
  return doc_->Fail("%s", text);
}

bool Parser::NextToken() {
  if (nesting_exceeded_) {
    // The parse is unwinding after too deep a nesting: read nothing more.
    current = Token();
    return false;
  }
  if (modern_) {
    return current.Next(&cursor, end, lex_);
  }
  return current.Next(&cursor, end);
}

bool Parser::Seek(int32_t offset) {
  if (offset >= 0 && begin != nullptr && offset < end - begin) {
    cursor = begin + offset;
  } else {
    cursor = end;  // outside the parse range: no token
  }
  return NextToken();
}

void Parser::Push(Object* object) {
  if (static_cast<size_t>(stack_count) == stack.size()) {
    stack.push_back(object);
  } else {
    stack[static_cast<size_t>(stack_count)] = object;
  }
  ++stack_count;
}

void Parser::PushPending() {
  const auto slot = static_cast<size_t>(stack_count);
  if (pending_.size() <= slot) {
    pending_.resize(slot + 1);
  }
  pending_[slot] = current;
  Push(nullptr);
}

Object* Parser::Materialize(int slot) {
  Object*& object = stack[static_cast<size_t>(slot)];
  if (object == nullptr) {
    auto* scalar = new (arena_) Scalar(doc_, pending_[static_cast<size_t>(slot)]);
    if (decoded_ && scalar->token.text != nullptr && scalar->token.owned == nullptr) {
      // The decoded bytes go back to their cache; the object keeps a copy.
      scalar->token.text = arena_.CopyBytes(scalar->token.text, scalar->token.length);
    }
    object = scalar;
  }
  return object;
}

int32_t Parser::SlotInt(int slot) {
  Object* object = stack[static_cast<size_t>(slot)];
  if (object != nullptr) {
    return object->IntValue();
  }
  // What the scalar's IntValue would answer.
  const Token& token = pending_[static_cast<size_t>(slot)];
  return token.IsNumber() ? token.IntValue() : 0;
}

bool Parser::EnterNesting() {
  if (nesting_ >= kMaxNesting) {
    if (!nesting_exceeded_) {
      nesting_exceeded_ = true;
      char text[128];
      FormatInto(text, sizeof text, "Arrays and dictionaries nested deeper than %d levels",
                 kMaxNesting);
      Problem(text);
    }
    current = Token();
    return false;
  }
  ++nesting_;
  return true;
}

void Parser::LeaveNesting() {
  if (--nesting_ == 0) {
    nesting_exceeded_ = false;
  }
}

int Parser::ParseObjects() {
  const int start = stack_count;
  const int count = ParseValues();
  for (int slot = start; slot < stack_count; ++slot) {
    Materialize(slot);
  }
  return count;
}

int Parser::ParseValues() {
  const int start = stack_count;
  for (;;) {
    TokenType type = current.type;
    if (type == TokenType::Number || type == TokenType::Name || type == TokenType::String ||
        current.IsBoolean()) {
      PushPending();
      NextToken();
    } else if (current.IsKeyword("null")) {
      Push(doc_->null_object);
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
        Push(new (arena_) Reference(doc_, number, generation));
      } else {
        // An R without its number and generation (at this level) stands for
        // the null object; values of enclosing levels are never taken.
        Push(doc_->null_object);
      }
      NextToken();
    } else if (type == TokenType::StreamData) {
      Problem("unexpected stream.");
      Push(new (arena_) Scalar(doc_, current));
      NextToken();
    } else {
      break;
    }
  }
  return stack_count - start;
}

const char* Parser::KeyText(int slot, bool* escaped) {
  *escaped = false;
  Object* key = stack[static_cast<size_t>(slot)];
  if (key != nullptr && !key->IsName()) {
    return doc_->InternKey(key->Text());
  }
  // Straight from the token's bytes, as the scalar's text would read them (up
  // to a NUL byte), without making a scalar or a copy of its text.
  const Token& token =
      key != nullptr ? static_cast<Scalar*>(key)->token : pending_[static_cast<size_t>(slot)];
  size_t length = token.length > 0 ? static_cast<size_t>(token.length) : 0;
  std::string_view written(token.text, length > 0 ? strnlen(token.text, length) : 0);
  if (modern_ && token.IsName()) {
    std::string decoded;
    if (DecodeNameEscapes(written, &decoded)) {
      *escaped = true;
      return doc_->InternKey(decoded);
    }
  }
  return doc_->InternKey(written);
}

void Parser::FillDictionary(Dictionary* dictionary, int first, int count) {
  // Pairs of key and value; a last key without a value gets the null object.
  const int pairs = (count + 1) / 2;
  dictionary->MarkModified(true);
  dictionary->entries_.reserve(static_cast<size_t>(pairs));
  std::unordered_map<const char*, size_t> index;
  const bool use_index = pairs > kLinearKeyScan;
  for (int i = 0; i < pairs; ++i) {
    // Keys are only text: a key's scalar is never made.
    bool escaped = false;
    const char* key = KeyText(first + 2 * i, &escaped);
    Object* value = 2 * i + 1 < count ? Materialize(first + 2 * i + 1) : doc_->null_object;
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
      found = static_cast<int>(dictionary->entries_.size());
      dictionary->entries_.push_back(Dictionary::Entry{key, value});
    }
    if (escaped) {
      // Labels show the key as written, so that nothing is hidden.
      Object* written = stack[static_cast<size_t>(first + 2 * i)];
      const Token& token = written != nullptr ? static_cast<Scalar*>(written)->token
                                              : pending_[static_cast<size_t>(first + 2 * i)];
      dictionary->escaped_keys = true;
      doc_->SetWrittenKey(dictionary, found,
                          std::string_view(token.text, static_cast<size_t>(token.length)));
    }
  }
}

Dictionary* Parser::ParseDictionary() {
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
  auto* dictionary = new (arena_) Dictionary(doc_);
  FillDictionary(dictionary, stack_count - count, count);
  stack_count -= count;
  if (current.IsKeyword("stream")) {
    if (decoded_) {
      // Objects of an object stream are never streams; the keyword ends the value.
      Problem("stream inside an object stream is ignored");
    } else if (modern_) {
      LocateModernStream(dictionary);
    } else {
      LocateClassicStream(dictionary);
    }
    NextToken();
  }
  LeaveNesting();
  return dictionary;
}

void Parser::LocateClassicStream(Dictionary* dictionary) {
  // Length may be a reference: resolving it parses another object with this
  // same state, and restores the cursor afterwards.
  Object* length = dictionary->Get("Length");
  if (length->IsNumber()) {
    Token data;
    if (data.LocateStreamData(&cursor, end, length->IntValue())) {
      dictionary->data = data;
    }
  } else {
    Problem("missing or invalid stream length");
  }
}

void Parser::LocateModernStream(Dictionary* dictionary) {
  const char* data = SkipStreamLineEnd(cursor, end);
  Object* length_object = dictionary->Get("Length");
  if (length_object->IsNumber()) {
    const int64_t length = length_object->IntValue();
    if (length >= 0 && length <= end - data) {
      const char* after = data + length;
      const char* at = after;
      while (at < end && IsWhite(*at)) {
        ++at;
      }
      if (static_cast<size_t>(end - at) >= kEndStream.size() &&
          memcmp(at, kEndStream.data(), kEndStream.size()) == 0) {
        dictionary->data = Token(data, after, TokenType::StreamData);
        cursor = at + kEndStream.size();
        return;
      }
    }
  }
  // The Length is missing, unresolvable or wrong: the data end where the next
  // endstream begins, as readers of damaged files take it.
  const char* found = FindEndstream(data);
  if (found == nullptr) {
    Problem(length_object->IsNumber() ? "stream Length is wrong and no endstream follows"
                                      : "stream without a Length and no endstream follows");
    cursor = data;
    return;
  }
  const char* stop = found;
  if (stop > data && stop[-1] == '\n') {
    --stop;
  }
  if (stop > data && stop[-1] == '\r') {
    --stop;
  }
  char text[160];
  if (length_object->IsNumber()) {
    FormatInto(text, sizeof text,
               "stream Length %d is wrong; the data end at endstream (%lld bytes)",
               length_object->IntValue(), static_cast<long long>(stop - data));
  } else {
    FormatInto(text, sizeof text,
               "stream has no usable Length; the data end at endstream (%lld bytes)",
               static_cast<long long>(stop - data));
  }
  Problem(text);
  dictionary->data = Token(data, stop, TokenType::StreamData);
  cursor = found + kEndStream.size();
}

const char* Parser::FindEndstream(const char* from) {
  if (begin == nullptr || from < begin || from >= end) {
    return nullptr;
  }
  if (!endstreams_found_) {
    endstreams_found_ = true;
    const char* at = begin;
    while (at < end) {
      const void* hit =
          memmem(at, static_cast<size_t>(end - at), kEndStream.data(), kEndStream.size());
      if (hit == nullptr) {
        break;
      }
      const auto* found = static_cast<const char*>(hit);
      endstreams_.push_back(found - begin);
      at = found + kEndStream.size();
    }
  }
  auto it = std::lower_bound(endstreams_.begin(), endstreams_.end(), from - begin);
  // The index may cover more than a range cut shorter since.
  return it == endstreams_.end() || *it >= end - begin ? nullptr : begin + *it;
}

Array* Parser::ParseArray() {
  if (!current.IsKeyword("[")) {
    return nullptr;
  }
  if (!EnterNesting()) {
    return nullptr;
  }
  NextToken();
  int count = ParseValues();
  auto* array = new (arena_) Array(doc_);
  array->Reserve(count);
  for (int i = stack_count - count; i < stack_count; ++i) {
    array->Append(Materialize(i));
  }
  stack_count -= count;
  NextToken();  // the token that ended the list, normally "]"
  LeaveNesting();
  return array;
}

Object* Parser::ParseIndirectObject(int32_t offset) {
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
  // Findings name the object; a nested load (a Length) names its own.
  const int32_t outer_number = object_number_;
  const int32_t outer_generation = object_generation_;
  object_number_ = object_number;
  object_generation_ = object_generation;
  NextToken();
  int count = ParseObjects();
  object_number_ = outer_number;
  object_generation_ = outer_generation;
  if (count == 0) {
    return doc_->null_object;
  }
  // The first value counts; any others stay owned by the document.
  Object* result = stack[static_cast<size_t>(stack_count - count)];
  stack_count -= count;
  if (result == doc_->null_object) {
    return result;
  }
  result->number = object_number;
  result->generation = object_generation;
  result->offset = offset;
  return result;
}

Object* Parser::ParseDecodedValue(std::span<const uint8_t> data, size_t offset) {
  if (offset >= data.size()) {
    return nullptr;
  }
  // The file's range, cursor and token are put back afterwards.
  const char* saved_begin = begin;
  const char* saved_end = end;
  const char* saved_cursor = cursor;
  const bool saved_decoded = decoded_;
  const std::vector<int64_t>::size_type saved_stack = static_cast<size_t>(stack_count);
  Token saved_current = current;
  if (nesting_ == 0) {
    nesting_exceeded_ = false;
  }
  begin = reinterpret_cast<const char*>(data.data());
  end = begin + data.size();
  cursor = begin + offset;
  decoded_ = true;
  NextToken();
  Object* result = ParseOneValue();
  stack_count = static_cast<int32_t>(saved_stack);
  decoded_ = saved_decoded;
  begin = saved_begin;
  end = saved_end;
  cursor = saved_cursor;
  current = saved_current;
  return result;
}

Object* Parser::ParseOneValue() {
  // The objects of an object stream follow one another with nothing between
  // them: a parse of all the values there would read every later object too,
  // for each object loaded.
  if (current.IsKeyword("<<")) {
    return ParseDictionary();
  }
  if (current.IsKeyword("[")) {
    return ParseArray();
  }
  if (current.IsKeyword("null")) {
    return doc_->null_object;
  }
  if (current.type != TokenType::Number && current.type != TokenType::Name &&
      current.type != TokenType::String && !current.IsBoolean()) {
    return nullptr;
  }
  const int slot = stack_count;
  PushPending();
  if (current.IsInteger()) {
    // "N G R" is the one value of three tokens.
    const int32_t number = current.IntValue();
    NextToken();
    if (current.IsInteger()) {
      const int32_t generation = current.IntValue();
      NextToken();
      if (current.IsKeyword("R")) {
        stack_count = slot;
        return new (arena_) Reference(doc_, number, generation);
      }
    }
  }
  Object* scalar = Materialize(slot);
  stack_count = slot;
  return scalar;
}

}  // namespace pdf

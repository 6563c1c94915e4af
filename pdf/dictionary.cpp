// pdf::Dictionary: entries in insertion order; keys are the document's shared
// copies, values are not owned.
#include <cstring>

#include "pdf/document.h"
#include "pdf/object.h"

namespace pdf {

Dictionary::Dictionary(Document* owner) : Object(owner) {}

Dictionary::~Dictionary() = default;

const char* Dictionary::Text() {
  return IsStream() ? "<stream>" : "<dict>";
}

bool Dictionary::IsStream() {
  return data.type == TokenType::StreamData;
}

bool Dictionary::IsDictionary() {
  return !IsStream();
}

Dictionary* Dictionary::AsDictionary() {
  return this;
}

int Dictionary::Find(const char* key) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].key == key) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

Object* Dictionary::Get(const char* key) {
  // A key that was never interned is in no dictionary of this document.
  const char* shared = key != nullptr ? doc->FindKey(key) : nullptr;
  int index = shared != nullptr ? Find(shared) : -1;
  if (index < 0) {
    return doc->null_object;
  }
  return entries_[static_cast<size_t>(index)].value->Resolve();
}

void Dictionary::Set(const char* key, Object* value) {
  if (key == nullptr || value == nullptr) {
    return;
  }
  MarkModified(true);
  const char* shared = doc->InternKey(key);
  int index = Find(shared);
  if (index >= 0) {
    entries_[static_cast<size_t>(index)].value = value;  // the old value stays in the list
    return;
  }
  Add(shared, value);
}

int Dictionary::Add(const char* key, Object* value) {
  if (key == nullptr || value == nullptr) {
    return Count();
  }
  MarkModified(true);
  entries_.push_back(Entry{doc->InternKey(key), value});
  return Count();
}

void Dictionary::GetStreamData(Token& data_out) {
  if (enciphered) {
    doc->DecipherStream(this);
  }
  data_out = data;
}

Object* Dictionary::Item(int index) {
  if (index < 0 || static_cast<size_t>(index) >= entries_.size()) {
    return doc->null_object;
  }
  return entries_[static_cast<size_t>(index)].value->Resolve();
}

int Dictionary::Count() {
  return static_cast<int>(entries_.size());
}

const char* Dictionary::Key(int index) {
  if (index < 0 || static_cast<size_t>(index) >= entries_.size()) {
    return "";
  }
  return entries_[static_cast<size_t>(index)].key;
}

const char* Dictionary::WrittenKey(int index) {
  if (escaped_keys) {
    if (const char* written = doc->WrittenKey(this, index)) {
      return written;
    }
  }
  return Key(index);
}

Object* Dictionary::Value(int index) {
  if (index < 0 || static_cast<size_t>(index) >= entries_.size()) {
    return nullptr;
  }
  return entries_[static_cast<size_t>(index)].value;
}

}  // namespace pdf

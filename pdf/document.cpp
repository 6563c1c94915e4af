// pdf::Document: the object store, its shared keys, and the document's life.
#include "pdf/document.h"

namespace pdf {

Document::Document() {
  Reset();
}

Document::~Document() {
  Close();
  DeleteAllObjects();
}

void Document::AddObjectToList(Object* object) {
  object->next = objects;
  objects = object;
  object->doc = this;
}

void Document::RemoveObjectFromList(Object* object) {
  object->doc = nullptr;
  for (Object** link = &objects; *link != nullptr; link = &(*link)->next) {
    if (*link == object) {
      *link = object->next;
      object->next = nullptr;
      return;
    }
  }
}

void Document::DeleteAllObjects() {
  // Each destructor unlinks its object at the head, so this is linear.
  while (objects != nullptr) {
    delete objects;
  }
  arena_.Release();  // every object in it is gone now
  null_object = nullptr;
  header_object = nullptr;
  catalog = nullptr;
  pages = nullptr;
  info = nullptr;
  xref = nullptr;
}

const char* Document::InternKey(std::string_view key) {
  auto it = keys_.find(key);
  if (it == keys_.end()) {
    it = keys_.emplace(key).first;
  }
  return it->c_str();
}

const char* Document::FindKey(std::string_view key) const {
  auto it = keys_.find(key);
  return it == keys_.end() ? nullptr : it->c_str();
}

void Document::Reset() {
  stack_count = 0;
  invalid = false;
  version_major = 0;
  version_minor = 0;
  DeleteAllObjects();
  keys_.clear();  // no dictionary is left to point at them
  // Nothing may read the bytes of a file that is about to go away.
  begin = end = cursor = nullptr;
  current = Token();
  nesting_ = 0;
  nesting_exceeded_ = false;
  loading_.clear();

  null_object = new Scalar(this, "null", TokenType::Keyword);
  header_object = new Scalar(this, "", TokenType::String);
  info = new Dictionary(this);
  xref = new XRefTable(this, 0);
  pages = new Dictionary(this);
  pages->Set("Type", "/Pages");
  pages->Set("Kids", new Array(this));
  pages->Set("Count", 0);
  catalog = new Dictionary(this);
  catalog->Set("Type", "/Catalog");
  catalog->Set("Pages", pages);
}

void Document::Close() {
  if (output.callbacks != nullptr) {
    Write(output);
    output.Close();
    if (output.error != nullptr) {
      Warn("%s", output.error);
    }
  }
  if (file.IsOpen()) {
    file.Close();
  }
  Reset();
}

}  // namespace pdf

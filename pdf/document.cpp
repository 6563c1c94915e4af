// pdf::Document: the object store, its shared keys, and the document's life.
#include "pdf/document.h"

namespace pdf {

Document::Document() {
  ResetObjects();
}

Document::~Document() {
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
  null_object = nullptr;
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

void Document::ResetObjects() {
  stack_count = 0;
  nesting_ = 0;
  nesting_exceeded_ = false;
  DeleteAllObjects();
  keys_.clear();  // no dictionary is left to point at them
  null_object = new Scalar(this, "null", TokenType::Keyword);
}

}  // namespace pdf

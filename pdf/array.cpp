// pdf::Array: items in file order, not owned.
#include "pdf/document.h"
#include "pdf/object.h"

namespace pdf {

Array::Array(Document* owner) : Object(owner) {}

Array::~Array() = default;

const char* Array::Text() {
  return "<array>";
}

bool Array::IsArray() {
  return true;
}

Array* Array::AsArray() {
  return this;
}

Object* Array::Item(int index) {
  if (index < 0 || static_cast<size_t>(index) >= items_.size()) {
    return doc->null_object;
  }
  return items_[static_cast<size_t>(index)]->Resolve();
}

int Array::Count() {
  return static_cast<int>(items_.size());
}

int Array::Append(Object* item) {
  if (item == nullptr) {
    return Count();
  }
  items_.push_back(item);
  return Count();
}

void Array::Clear() {
  items_.clear();
  number = 0;
  generation = 0;
}

}  // namespace pdf

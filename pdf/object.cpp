// pdf::Object: the neutral answers that every class inherits.
#include "pdf/object.h"
#include "pdf/document.h"
#include "pdf/parser.h"

namespace pdf {

Object::Object(Document* owner) {
  owner->AddObjectToList(this);
  in_arena = owner->parser_->Arena().Claim(this);
}

void Object::operator delete(Object* object, std::destroying_delete_t) {
  const bool arena_memory = object->in_arena;
  object->~Object();
  if (!arena_memory) {
    ::operator delete(object);
  }
}

Object::~Object() {
  if (doc != nullptr) {
    doc->RemoveObjectFromList(this);
  }
}

const char* Object::Text() {
  return "<object>";
}

bool Object::IsNull() {
  return doc != nullptr && this == doc->null_object;
}

bool Object::IsBoolean() {
  return false;
}
bool Object::IsNumber() {
  return false;
}
bool Object::IsString() {
  return false;
}
bool Object::IsStream() {
  return false;
}
bool Object::IsXRefTable() {
  return false;
}
bool Object::IsDictionary() {
  return false;
}
bool Object::IsArray() {
  return false;
}
bool Object::IsName(const char*) {
  return false;
}
bool Object::IsName() {
  return false;
}
Dictionary* Object::AsDictionary() {
  return nullptr;
}
Array* Object::AsArray() {
  return nullptr;
}
XRefTable* Object::AsXRefTable() {
  return nullptr;
}
bool Object::BoolValue() {
  return false;
}
int32_t Object::IntValue() {
  return 0;
}
double Object::RealValue() {
  return 0.0;
}
Object* Object::Resolve() {
  return this;
}
Object* Object::Get(const char*) {
  return doc->null_object;
}
void Object::Set(const char*, Object*) {}

void Object::Set(const char* key, double value) {
  Set(key, new Scalar(doc, value));
}

void Object::Set(const char* key, const char* value) {
  if (value != nullptr && value[0] == '/') {
    Set(key, new Scalar(doc, value + 1, TokenType::Name));
  } else {
    Set(key, new Scalar(doc, value != nullptr ? value : "", TokenType::String));
  }
}

int Object::Add(const char*, Object*) {
  return 0;
}

void Object::GetStreamData(Token& data) {
  data = Token();
}

Object* Object::Item(int) {
  return doc->null_object;
}
int Object::Count() {
  return 0;
}
int Object::Append(Object*) {
  return 0;
}

void Object::MarkModified(bool modified_now) {
  if (modified_now) {
    offset = 0;
    modified_time = time(nullptr);
  }
  modified = modified_now;
}

}  // namespace pdf

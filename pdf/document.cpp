// pdf::Document: the object store, its shared keys, and the document's life.
#include "pdf/document.h"

#include "pdf/object_stream.h"
#include "pdf/parser.h"

namespace pdf {

Document::Document()
    : parser_(std::make_unique<Parser>(this)),
      stack(parser_->stack),
      stack_count(parser_->stack_count),
      begin(parser_->begin),
      end(parser_->end),
      cursor(parser_->cursor),
      current(parser_->current),
      object_streams_(std::make_unique<ObjectStreamCache>(this)) {
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
  parser_->ReleaseObjects();  // every object in its arena is gone now
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

void Document::SetWrittenKey(const Dictionary* dictionary, int index, std::string_view written) {
  written_keys_[{dictionary, index}] = InternKey(written);
}

const char* Document::WrittenKey(const Dictionary* dictionary, int index) const {
  auto it = written_keys_.find({dictionary, index});
  return it == written_keys_.end() ? nullptr : it->second;
}

void Document::Reset() {
  invalid = false;
  version_major = 0;
  version_minor = 0;
  object_streams_->Clear();  // decoded bytes of a file that is about to go away
  DeleteAllObjects();
  keys_.clear();  // no dictionary is left to point at them
  written_keys_.clear();
  // Nothing may read the bytes of a file that is about to go away.
  parser_->Reset();
  loading_.clear();
  modern_features_ = 0;
  // A key still being derived for the last file is waited for, then dropped.
  speculated_ = {};
  speculated_offset_ = 0;
  speculated_id_.clear();
  file_first_ = nullptr;
  file_last_ = nullptr;
  decryptor_.reset();
  encrypt_ = nullptr;
  protection_lines_.clear();
  deciphered_.clear();

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

// The parser's fixed entry points.
bool Document::NextToken() {
  return parser_->NextToken();
}
bool Document::Seek(int32_t offset) {
  return parser_->Seek(offset);
}
int Document::ParseObjects() {
  return parser_->ParseObjects();
}
Dictionary* Document::ParseDictionary() {
  return parser_->ParseDictionary();
}
Array* Document::ParseArray() {
  return parser_->ParseArray();
}
Object* Document::ParseIndirectObject(int32_t offset) {
  return parser_->ParseIndirectObject(offset);
}

}  // namespace pdf

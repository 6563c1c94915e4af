// Encrypted files in modern mode: the security handler is made once at open,
// strings are deciphered as their objects are parsed, and stream data on first
// use, so that opening costs no more than the key derivation.
#include <cstdio>
#include <exception>
#include <future>
#include <string_view>
#include <system_error>

#include "pdf/bounds.h"
#include "pdf/document.h"
#include "pdf/object_stream.h"
#include "pdf/prefault.h"
#include "pdf/string_bytes.h"

namespace pdf {

namespace {

bool IsTextByte(uint8_t byte) {
  return (byte >= 0x20 && byte < 0x7F) || byte == '\t' || byte == '\n' || byte == '\r';
}

// Deciphered bytes written back as the file would have written them in clear:
// a literal string with escapes for text, hexadecimal digits for the rest.
std::string StringText(const std::vector<uint8_t>& bytes) {
  std::string text;
  bool literal = true;
  for (uint8_t byte : bytes) {
    literal = literal && IsTextByte(byte);
  }
  if (literal) {
    text.reserve(bytes.size() + 8);
    for (uint8_t byte : bytes) {
      switch (byte) {
        case '\\':
        case '(':
        case ')':
          text += '\\';
          text += static_cast<char>(byte);
          break;
        case '\n':
          text += "\\n";
          break;
        case '\r':
          text += "\\r";
          break;
        case '\t':
          text += "\\t";
          break;
        default:
          text += static_cast<char>(byte);
      }
    }
    return text;
  }
  static constexpr char kDigits[] = "0123456789ABCDEF";
  text.reserve(bytes.size() * 2 + 2);
  text += '<';
  for (uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  text += '>';
  return text;
}

// Signature dictionaries keep their Contents in clear: the signature covers
// the file's bytes, so it cannot be enciphered after it was made. Looked up
// by key, without resolving anything in the middle of a parse.
bool IsSignature(Dictionary* dictionary) {
  for (int i = 0; i < dictionary->Count(); ++i) {
    const std::string_view key = dictionary->Key(i);
    Object* value = dictionary->Value(i);
    if (key == "ByteRange" || (key == "Type" && value != nullptr &&
                               (value->IsName("Sig") || value->IsName("DocTimeStamp")))) {
      return true;
    }
  }
  return false;
}

bool IsXRefStream(Object* object) {
  Dictionary* dictionary = object->AsDictionary();
  return dictionary != nullptr && dictionary->IsStream() && dictionary->Get("Type")->IsName("XRef");
}

// How far before the cross-reference stream an Encrypt dictionary is looked
// for: producers that write it last put it right there.
constexpr int64_t kSpeculationWindow = 4096;

// True when the object holds no reference at any depth: the entries read
// from it then need no other object, which the table cannot give yet.
bool SelfContained(Object* object, int depth) {
  if (depth > kMaxNesting || dynamic_cast<Reference*>(object) != nullptr) {
    return false;
  }
  if (Dictionary* dict = object->AsDictionary(); dict != nullptr) {
    for (int i = 0; i < dict->Count(); ++i) {
      if (!SelfContained(dict->Value(i), depth + 1)) {
        return false;
      }
    }
  } else if (Array* array = object->AsArray(); array != nullptr) {
    for (int i = 0; i < array->Count(); ++i) {
      if (!SelfContained(array->Value(i), depth + 1)) {
        return false;
      }
    }
  }
  return true;
}

// The first string of a trailer's ID as written, which older revisions' keys
// depend on; "" without one.
std::string FirstIdText(Object* id) {
  return id != nullptr && id->IsArray() && id->Count() > 0 ? id->Item(0)->Text() : "";
}

// The stored value of a dictionary entry, references left unresolved.
Object* StoredValue(Dictionary* dict, std::string_view key) {
  for (int i = 0; i < dict->Count(); ++i) {
    if (key == dict->Key(i)) {
      return dict->Value(i);
    }
  }
  return nullptr;
}

}  // namespace

bool Document::SetUpDecryption(const char* path) {
  // Objects read from here on (the Encrypt dictionary, an ID or entries
  // written as references) stay as written; only older ones are deciphered.
  Object* read_before = objects;
  Object* trailer = xref->trailer != nullptr ? static_cast<Object*>(xref->trailer) : null_object;
  Object* encrypt = trailer->Get("Encrypt");
  if (encrypt->IsNull()) {
    return true;
  }
  encrypt_ = encrypt;
  if (options_.decryptor == nullptr) {
    ReportWarning("Encrypted; strings and streams show as the file holds them");
    return true;
  }
  Object* id = trailer->Get("ID");
  DecryptorResult result;
  if (speculated_.valid()) {
    // The early key counts when the table puts the Encrypt dictionary where
    // it was read from; otherwise it is derived again from this one.
    bool usable = encrypt->offset == speculated_offset_ && encrypt->number > 0 &&
                  FirstIdText(id) == speculated_id_;
    try {
      result = speculated_.get();
    } catch (const std::exception&) {
      usable = false;  // out of memory on the way: derived again here
    }
    if (!usable) {
      result = options_.decryptor(encrypt, id, options_.password);
    }
  } else {
    result = options_.decryptor(encrypt, id, options_.password);
  }
  const std::string named =
      result.summary.empty() ? result.handler : result.handler + ", " + result.summary;
  bool typed = !options_.password.empty();
  for (int attempt = 1; result.status == DecryptorStatus::kWrongPassword && options_.ask_password &&
                        attempt <= kMaxPasswordTries;
       ++attempt) {
    std::string password;
    if (!options_.ask_password(named, attempt, &password)) {
      break;
    }
    typed = typed || !password.empty();
    result = options_.decryptor(encrypt, id, password);
  }
  // The password is not kept longer than the open needs it.
  std::fill(options_.password.begin(), options_.password.end(), '\0');
  options_.password.clear();
  protection_lines_ = std::move(result.lines);
  switch (result.status) {
    case DecryptorStatus::kOpened:
      decryptor_ = std::move(result.decryptor);
      ReportWarning("Encrypted (%s); opened with %s", result.summary.c_str(),
                    result.opened_with.c_str());
      if (!result.why.empty()) {
        ReportWarning("Encrypt: %s", result.why.c_str());
      }
      break;
    case DecryptorStatus::kWrongPassword: {
      char text[kReportSize];
      snprintf(text, sizeof text, "The file '%s' is encrypted (%s) and %s.", path, named.c_str(),
               typed ? "the password given does not open it" : "needs a password");
      open_error = ErrorInfo(kErrPassword, 0, text);
      return false;
    }
    case DecryptorStatus::kUnusable:
      ReportWarning(
          "Encrypted, but nothing can be decrypted: %s; strings and streams show as the "
          "file holds them",
          result.why.c_str());
      return true;
  }
  // Objects read before the handler existed (by a repair) are deciphered now;
  // object streams decoded then are decoded again.
  object_streams_->Clear();
  for (Object* object = read_before; object != nullptr; object = object->next) {
    if (object->number > 0 && object->offset > 0 && object->offset != speculated_offset_ &&
        dynamic_cast<Reference*>(object) == nullptr) {
      DecipherParsed(object);
    }
  }
  return true;
}

void Document::DecipherParsed(Object* object) {
  if (decryptor_ == nullptr || object == nullptr || object == null_object || object == encrypt_ ||
      IsXRefStream(object)) {
    return;
  }
  DecipherStrings(object, object->number, object->generation, 0);
  if (object->IsStream()) {
    object->enciphered = true;
  }
}

void Document::DecipherStrings(Object* object, int32_t number, int32_t generation, int depth) {
  if (depth > kMaxNesting) {
    return;
  }
  if (auto* scalar = dynamic_cast<Scalar*>(object); scalar != nullptr) {
    std::vector<uint8_t> bytes;
    if (scalar->IsString() && StringBytes(scalar, &bytes) &&
        decryptor_->DecryptString(number, generation, &bytes)) {
      // Kept by the document and pointed at, as text read from a file is:
      // escapes and hexadecimal digits are then read as such.
      const std::string text = StringText(bytes);
      deciphered_.emplace_back(text.begin(), text.end());
      const char* first = reinterpret_cast<const char*>(deciphered_.back().data());
      scalar->token = Token(first, first + text.size(), TokenType::String);
    }
    return;
  }
  if (Array* array = object->AsArray(); array != nullptr) {
    for (int i = 0; i < array->Count(); ++i) {
      Object* item = array->Value(i);
      if (item != nullptr && item->number == 0) {  // references are objects of their own
        DecipherStrings(item, number, generation, depth + 1);
      }
    }
    return;
  }
  if (Dictionary* dictionary = object->AsDictionary(); dictionary != nullptr) {
    const bool signature = IsSignature(dictionary);
    for (int i = 0; i < dictionary->Count(); ++i) {
      Object* value = dictionary->Value(i);
      if (signature && std::string_view(dictionary->Key(i)) == "Contents") {
        continue;
      }
      if (value != nullptr && value->number == 0) {
        DecipherStrings(value, number, generation, depth + 1);
      }
    }
  }
}

void Document::DecipherStream(Dictionary* stream) {
  stream->enciphered = false;
  if (decryptor_ == nullptr || !stream->data.IsStreamData() || stream->data.length <= 0) {
    return;
  }
  std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(stream->data.text),
                                static_cast<size_t>(stream->data.length));
  std::vector<uint8_t> out;
  std::string why;
  if (!decryptor_->DecryptStream(stream->number, stream->generation, stream, data, &out, &why)) {
    ReportWarning("Object %d: the stream cannot be decrypted: %s", stream->number, why.c_str());
    return;
  }
  if (!why.empty()) {
    ReportWarning("Object %d: %s", stream->number, why.c_str());
  }
  deciphered_.push_back(std::move(out));
  const std::vector<uint8_t>& kept = deciphered_.back();
  const char* first = reinterpret_cast<const char*>(kept.data());
  stream->data = Token(first, first + kept.size(), TokenType::StreamData);
}

namespace {

// Passes the pieces on and reports the remark once the end is reached.
class ReportingPieces : public StreamPieces {
 public:
  ReportingPieces(Document* doc, int32_t number, std::unique_ptr<StreamPieces> inner)
      : doc_(doc), number_(number), inner_(std::move(inner)) {}

  std::span<const uint8_t> Next() override {
    std::span<const uint8_t> piece = inner_->Next();
    if (piece.empty() && !reported_) {
      reported_ = true;
      if (!inner_->Remark().empty()) {
        doc_->ReportWarning("Object %d: %s", number_, inner_->Remark().c_str());
      }
    }
    return piece;
  }

  const std::string& Remark() const override { return inner_->Remark(); }

 private:
  Document* doc_;
  int32_t number_;
  std::unique_ptr<StreamPieces> inner_;
  bool reported_ = false;
};

}  // namespace

void Document::SpeculateDecryption(Dictionary* xref_stream, int32_t xref_offset) {
  if (!Modern() || options_.prepare_decryptor == nullptr || speculated_.valid() ||
      begin == nullptr || xref_offset <= 0 || xref_offset > end - begin) {
    return;
  }
  auto* ref = dynamic_cast<Reference*>(StoredValue(xref_stream, "Encrypt"));
  Object* id = StoredValue(xref_stream, "ID");
  if (ref == nullptr || (id != nullptr && !SelfContained(id, 0))) {
    return;
  }
  // "N G obj" at the start of a line, the nearest before the stream.
  const std::string header =
      std::to_string(ref->number) + " " + std::to_string(ref->generation) + " obj";
  const std::string_view text(
      begin + std::max<int64_t>(0, xref_offset - kSpeculationWindow),
      static_cast<size_t>(std::min<int64_t>(xref_offset, kSpeculationWindow)));
  const size_t found = text.rfind(header);
  if (found == std::string_view::npos ||
      (found > 0 && text[found - 1] != '\n' && text[found - 1] != '\r')) {
    return;
  }
  const auto offset = static_cast<int32_t>(text.data() + found - begin);
  const char* saved = cursor;
  Object* encrypt = ParseIndirectObject(offset);
  cursor = saved;
  if (encrypt == nullptr || encrypt->number != ref->number || !encrypt->IsDictionary() ||
      !SelfContained(encrypt, 0)) {
    return;
  }
  if (id == nullptr) {
    id = null_object;
  }
  DecryptorJob job = options_.prepare_decryptor(encrypt, id, options_.password);
  try {
    speculated_ = std::async(std::launch::async, std::move(job));
    speculated_offset_ = offset;
    speculated_id_ = FirstIdText(id);
  } catch (const std::system_error&) {
    // No thread to be had: the key is derived in turn.
  }
}

std::unique_ptr<StreamPieces> Document::DecipherInPieces(Dictionary* stream) {
  if (!stream->enciphered || decryptor_ == nullptr || !stream->data.IsStreamData() ||
      stream->data.length <= 0) {
    return nullptr;
  }
  std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(stream->data.text),
                                static_cast<size_t>(stream->data.length));
  std::unique_ptr<StreamPieces> pieces =
      decryptor_->DecryptStreamPieces(stream->number, stream->generation, stream, data);
  if (pieces == nullptr) {
    return nullptr;
  }
  PrefaultRead(data.data(), data.size());
  return std::make_unique<ReportingPieces>(this, stream->number, std::move(pieces));
}

}  // namespace pdf

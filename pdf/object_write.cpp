// The textual form of objects. Scalars and arrays are written inline wherever
// they appear; dictionaries and streams only as references, so each becomes an
// indirect object of its own. Every line ends in a single carriage return.
//
// Registering an object in the cross-reference table may throw the table's
// exception; the writing operations let it through to the whole-document write.
#include "diag/format.h"
#include "pdf/bounds.h"
#include "pdf/document.h"
#include "pdf/object.h"
#include "pdf/output.h"
#include "pdf/xref_table.h"

namespace pdf {

namespace {

// "N G R" with two 32-bit numbers fits easily, terminating NUL included.
constexpr int kRefTextSize = 32;

// Gives the object a number if it has none and records it in the chain.
void Register(Object* object) {
  XRefTable* table = object->doc->xref;
  if (table == nullptr) {
    throw XRefRegistrationError{
        nullptr};  // no table to register in: the same failure as a full one
  }
  table->AddObject(object);
}

// Counts the arrays being written inline, also when a registration throws.
class NestingScope {
 public:
  explicit NestingScope(Output& output) : output_(output) { ++output_.nesting; }
  ~NestingScope() { --output_.nesting; }
  NestingScope(const NestingScope&) = delete;
  NestingScope& operator=(const NestingScope&) = delete;

 private:
  Output& output_;
};

}  // namespace

void Object::Write(Output& output) {
  WriteHeader(output);
  WriteTrailer(output);
}

void Object::WriteHeader(Output& output) {
  offset = output.Tell();
  Register(this);
  output.Printf("%d %d obj\r", number, generation);
}

void Object::WriteTrailer(Output& output) {
  output.Write("\rendobj\r");
}

void Object::WriteRef(Output& output) {
  output.Write(RefText());
}

void Object::WriteIndirect(Output& output) {
  if (number == 0) {
    Register(this);
  }
  if (offset != 0) {
    return;  // written already, and not changed since
  }
  WriteHeader(output);
  Write(output);
  WriteTrailer(output);
}

const char* Object::RefText() {
  Register(this);
  if (ref_text == nullptr) {
    ref_text = std::make_unique<char[]>(kRefTextSize);
  }
  FormatInto(ref_text.get(), kRefTextSize, "%d %d R", number, generation);
  return ref_text.get();
}

void Scalar::Write(Output& output) {
  const char* text = token.text;
  const int size = text != nullptr ? token.length : 0;
  switch (token.type) {
    case TokenType::String:
      if (size >= 2 && text[0] == '<' && text[size - 1] == '>') {
        output.Write(text, size);  // a hexadecimal string needs no escapes
      } else {
        output.WriteLiteral(text, size);
      }
      break;
    case TokenType::Name: {
      output.Write("/", 1);
      const char* name = token.String();
      if (name != nullptr) {
        output.Write(name);
      }
      break;
    }
    default:
      // Numbers keep the text they were read with; keywords are their text.
      output.Write(text, size);
      break;
  }
}

void Scalar::WriteRef(Output& output) {
  Write(output);
}

void Array::Write(Output& output) {
  // An array that holds itself, directly or through references, would be
  // written inline forever.
  if (output.error != nullptr) {
    return;
  }
  if (output.nesting >= kMaxNesting) {
    char text[128];
    FormatInto(text, sizeof text, "Arrays nested deeper than %d levels", kMaxNesting);
    output.SetError(text);
    return;
  }
  NestingScope scope(output);
  output.Write("[", 1);
  for (int i = 0; i < Count() && output.error == nullptr; ++i) {
    Item(i)->WriteRef(output);
    output.Write(" ", 1);
  }
  output.Write("]", 1);
}

void Array::WriteRef(Output& output) {
  Write(output);
}

void Dictionary::Write(Output& output) {
  output.Write("<<\r");
  for (int i = 0; i < Count(); ++i) {
    output.Printf("/%s ", Key(i));
    Item(i)->WriteRef(output);
    output.Write("\r", 1);
  }
  output.Write(">>");
}

void Reference::Write(Output&) {
  Resolve();
}

}  // namespace pdf

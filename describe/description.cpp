#include "describe/description.h"

#include "describe/labels.h"
#include "diag/format.h"
#include "pdf/object.h"
#include "pdf/xref_table.h"

namespace {

std::string DescribeStream(pdf::Dictionary* stream) {
  std::string text = "stream";
  int count = stream->Count();
  for (int i = 0; i < count; ++i) {
    pdf::Object* value = stream->Item(i);
    text += "\n  ";
    text += stream->Key(i);
    text += "=";
    text += value->IsArray() ? DescribeArray(value) : std::string(value->Text());
  }
  text += "\n\n";
  if (IsImageStream(stream)) {
    return text;
  }
  char contents[kDescriptionContentsCapacity + 1];
  char error_text[256];
  int n = stream->Decode(contents, /*capacity=*/kDescriptionContentsCapacity, error_text);
  if (n < 0 || n > kDescriptionContentsCapacity) {
    n = 0;
  }
  contents[n] = '\0';
  // The contents end at their first zero byte, as the pane shows text.
  text += contents;
  return text;
}

}  // namespace

bool IsImageStream(pdf::Object* object) {
  return object != nullptr && object->IsStream() && object->Get("Subtype")->IsName("Image");
}

std::string DescribeObject(pdf::Object* object) {
  if (object == nullptr) {
    return std::string();
  }
  if (object->IsDictionary()) {
    return FormatText("dictionary, %d entries", object->Count());
  }
  if (object->IsNull()) {
    return "null";
  }
  if (object->IsNumber()) {
    return FormatText("number: %g", object->RealValue());
  }
  if (object->IsBoolean()) {
    return "boolean";
  }
  if (object->IsName()) {
    return FormatText("name: %s", object->Text());
  }
  if (object->IsString()) {
    return FormatText("string: %s", object->Text());
  }
  if (object->IsArray()) {
    return DescribeArray(object);
  }
  if (object->IsStream()) {
    return DescribeStream(object->AsDictionary());
  }
  if (object->IsXRefTable()) {
    pdf::XRefTable* table = object->AsXRefTable();
    if (table->text_start == nullptr || table->text_length <= 0) {
      return std::string();
    }
    return std::string(table->text_start, static_cast<size_t>(table->text_length));
  }
  return "object";
}

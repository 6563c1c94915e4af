#include "describe/description.h"

#include "describe/labels.h"
#include "describe/stream_contents.h"
#include "diag/format.h"
#include "filters/modern_image.h"
#include "pdf/document.h"
#include "pdf/object.h"
#include "pdf/xref_table.h"

namespace {

// One line per entry, each "\n  Key=value".
void AppendEntries(pdf::Dictionary* dictionary, std::string* text) {
  int count = dictionary->Count();
  for (int i = 0; i < count; ++i) {
    pdf::Object* value = dictionary->Item(i);
    *text += "\n  ";
    *text += dictionary->Key(i);
    *text += "=";
    *text += value->IsArray() ? DescribeArray(value) : std::string(value->Text());
  }
}

std::string DescribeStream(pdf::Dictionary* stream) {
  std::string text = "stream";
  AppendEntries(stream, &text);
  text += "\n\n";
  if (IsImageStream(stream)) {
    return text;
  }
  if (stream->doc != nullptr && stream->doc->Modern()) {
    return text + DescribeStreamContents(stream, stream->doc->Options().contents_text_bound);
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

std::string EntryLine(int64_t number, const pdf::XRefEntry& entry) {
  switch (entry.type) {
    case 'n':
      return FormatText("%lld: in use at %d gen %d\n", static_cast<long long>(number), entry.offset,
                        entry.generation);
    case 'c':
      return FormatText("%lld: in object stream %d, index %d\n", static_cast<long long>(number),
                        entry.offset, entry.generation);
    case 'f':
      return FormatText("%lld: free, next %d\n", static_cast<long long>(number), entry.offset);
    default:
      return std::string();  // not listed in this section
  }
}

// A cross-reference stream: its dictionary, then one line per entry; a rebuilt
// table: what the scan found, one line per object.
std::string DescribeSectionEntries(pdf::XRefTable* table) {
  std::string text = SectionLabel(table);
  if (table->kind == pdf::XRefKind::kStream && table->stream != nullptr) {
    AppendEntries(table->stream, &text);
  } else {
    text += "\n  objects found by scanning the file, the last definition of each number";
  }
  text += "\n\n";
  for (int32_t i = 0; i < table->count; ++i) {
    text += EntryLine(static_cast<int64_t>(table->first) + i, table->entries[i]);
  }
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
    std::string text = FormatText("dictionary, %d entries", object->Count());
    pdf::Document* doc = object->doc;
    if (doc != nullptr && doc->Modern() && object == doc->EncryptDictionary()) {
      // The protection in words below the count.
      text += "\n";
      for (const std::string& line : doc->ProtectionLines()) {
        text += "\n" + line;
      }
    }
    return text;
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
    if (table->kind != pdf::XRefKind::kClassic) {
      return DescribeSectionEntries(table);
    }
    if (table->text_start == nullptr || table->text_length <= 0) {
      return std::string();
    }
    return std::string(table->text_start, static_cast<size_t>(table->text_length));
  }
  return "object";
}

std::string DescribeWithPicture(pdf::Object* object, HDIB* image) {
  if (image != nullptr)
    *image = nullptr;
  std::string text = DescribeObject(object);
  if (!IsImageStream(object))
    return text;
  pdf::Dictionary* stream = object->AsDictionary();
  if (object->doc == nullptr || !object->doc->Modern()) {
    // Null when the conversion fails; its messages went to the error sink.
    if (image != nullptr)
      *image = stream->ToDib();
    return text;
  }
  ImageDrawing drawing = DrawImageStream(stream, object->doc->Options().image_pixel_bound);
  for (const std::string& line : drawing.lines)
    text += line + "\n";
  if (image != nullptr)
    *image = drawing.dib;
  else
    DibFree(drawing.dib);
  return text;
}

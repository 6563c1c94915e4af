#include "describe/description.h"

#include "describe/labels.h"
#include "describe/object_bytes.h"
#include "describe/stream_contents.h"
#include "describe/text_string.h"
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

// Modern mode: an array shows this many items, a string item this many bytes
// of its text.
constexpr int kModernArrayItems = 16;
constexpr size_t kModernItemString = 64;

// The UTF-8 `text` cut to at most `limit` bytes, on a character boundary.
std::string CutText(const std::string& text, size_t limit) {
  if (text.size() <= limit) {
    return text;
  }
  size_t cut = limit;
  while (cut > 0 && (static_cast<uint8_t>(text[cut]) & 0xC0) == 0x80) {
    --cut;
  }
  return text.substr(0, cut) + "...";
}

// An array item as it stands between the brackets: what the file wrote for
// numbers, booleans, names and references; nested containers summarised.
std::string ItemText(pdf::Object* item) {
  if (item == nullptr) {
    return "null";
  }
  if (dynamic_cast<pdf::Reference*>(item) != nullptr) {
    return FormatText("%d %d R", item->number, item->generation);
  }
  if (item->IsNumber() || item->IsBoolean()) {
    return item->Text();
  }
  if (item->IsName()) {
    return std::string("/") + item->Text();
  }
  if (item->IsString()) {
    const std::string value = QuotedStringValue(item);
    if (value.size() <= kModernItemString + 2) {
      return value;
    }
    // Text keeps its closing quote; data keep their byte count.
    const size_t tail = value.front() == '"' ? value.size() - 1 : value.rfind(" (");
    if (tail == std::string::npos) {
      return CutText(value, kModernItemString);
    }
    return CutText(value.substr(0, tail), kModernItemString) + value.substr(tail);
  }
  if (item->IsArray()) {
    return "[...]";
  }
  if (item->IsDictionary() || item->IsStream()) {
    return "<<...>>";
  }
  return "null";
}

// "array, 4 items: [0 0 612 792]"; past the first items, "... (N items)".
std::string DescribeArrayItems(pdf::Object* object) {
  pdf::Array* array = object->AsArray();
  const int count = array->Count();
  std::string text = FormatText("array, %d %s: [", count, count == 1 ? "item" : "items");
  for (int i = 0; i < count && i < kModernArrayItems; ++i) {
    if (i > 0) {
      text += " ";
    }
    text += ItemText(array->Value(i));
  }
  if (count > kModernArrayItems) {
    text += FormatText(" ... (%d items)", count);
  }
  return text + "]";
}

// "12 0 obj at offset 4711, 230 bytes", "12 0 obj in object stream 7", or
// nothing for a direct object.
std::string HeaderLine(pdf::Object* object) {
  if (object->number <= 0 || object->IsXRefTable()) {
    return std::string();
  }
  const std::string obj = FormatText("%d %d obj", object->number, object->generation);
  ObjectBytes bytes;
  std::string why;
  if (FindObjectBytes(object, &bytes, &why)) {
    if (!bytes.ended) {
      return obj + FormatText(" at offset %lld, no endobj", static_cast<long long>(bytes.offset));
    }
    return obj + FormatText(" at offset %lld, %zu bytes", static_cast<long long>(bytes.offset),
                            bytes.size);
  }
  pdf::Document* doc = object->doc;
  const pdf::XRefEntry* entry =
      doc != nullptr && doc->xref != nullptr ? doc->xref->FindEntry(object->number) : nullptr;
  if (entry != nullptr && entry->type == 'c') {
    return obj + FormatText(" in object stream %d", entry->offset);
  }
  return obj;
}

// The lines after the header that differ from classic mode's; empty for the
// kinds whose text is the same in both.
std::string ModernValueText(pdf::Object* object) {
  if (object->IsNumber()) {
    return std::string("number: ") + object->Text();
  }
  if (object->IsBoolean()) {
    return std::string("boolean: ") + object->Text();
  }
  if (object->IsString()) {
    return "string: " + QuotedStringValue(object);
  }
  if (object->IsArray()) {
    return DescribeArrayItems(object);
  }
  return std::string();
}

std::string DescribeClassic(pdf::Object* object);

}  // namespace

bool IsImageStream(pdf::Object* object) {
  return object != nullptr && object->IsStream() && object->Get("Subtype")->IsName("Image");
}

std::string DescribeObject(pdf::Object* object) {
  if (object == nullptr) {
    return std::string();
  }
  if (object->doc == nullptr || !object->doc->Modern()) {
    return DescribeClassic(object);
  }
  std::string value = ModernValueText(object);
  if (value.empty()) {
    value = DescribeClassic(object);
  }
  const std::string header = HeaderLine(object);
  return header.empty() ? value : header + "\n" + value;
}

namespace {

std::string DescribeClassic(pdf::Object* object) {
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

}  // namespace

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

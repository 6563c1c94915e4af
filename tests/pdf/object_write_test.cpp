// The textual form of objects: value forms, indirect objects, references and
// their registration in the cross-reference table.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pdf/document.h"
#include "pdf/output_memory.h"
#include "tests/pdf/object_dump.h"
#include "tests/support/sink_capture.h"

namespace pdf {
namespace {

constexpr char kHeader[] = "%PDF-1.4\r";
constexpr int kHeaderSize = 9;

class ObjectWriteTest : public SinkTest {
 protected:
  // The header goes first, as the writer expects: position 0 means "not
  // written".
  ObjectWriteTest() {
    out.Attach(&memory);
    out.Write(kHeader);
  }

  // What was written after the header since the last call.
  std::string Take() {
    std::string text = memory.Bytes().substr(taken_);
    taken_ = memory.Bytes().size();
    return text;
  }
  std::string Written(Object* object) {
    Take();
    object->Write(out);
    return Take();
  }

  // The first value parsed from `text`, as it would be read from a file.
  Object* Parse(const std::string& text) {
    inputs_.push_back(std::make_unique<Input>(text));
    LoadText(doc, *inputs_.back());
    int count = doc.ParseObjects();
    Object* first = doc.stack[static_cast<size_t>(doc.stack_count - count)];
    doc.stack_count -= count;
    return first;
  }
  Object* Made(const char* text, TokenType type) { return new Scalar(&doc, text, type); }

  Document doc;
  OutputMemory memory;
  Output out;

 private:
  size_t taken_ = kHeaderSize;
  std::vector<std::unique_ptr<Input>> inputs_;
};

TEST_F(ObjectWriteTest, ValueForms) {
  const std::string nul_bytes("a\0b", 3);
  struct Case {
    std::string name;
    std::function<Object*()> make;
    std::string written;
  };
  const Case cases[] = {
      {"number read as 0.50 keeps its text", [&] { return Parse("0.50"); }, "0.50"},
      {"program number 0.5", [&] { return new Scalar(&doc, 0.5); }, "0.5"},
      {"program number 3", [&] { return new Scalar(&doc, 3.0); }, "3"},
      {"negative integer", [&] { return Parse("-12"); }, "-12"},
      {"booleans", [&] { return Parse("true"); }, "true"},
      {"false", [&] { return Parse("false"); }, "false"},
      {"the null object", [&] { return doc.null_object; }, "null"},
      {"program name", [&] { return Made("Type", TokenType::Name); }, "/Type"},
      {"name read", [&] { return Parse("/Type"); }, "/Type"},
      {"string of one <", [&] { return Made("<", TokenType::String); }, "(<)"},
      {"string <> is hexadecimal", [&] { return Made("<>", TokenType::String); }, "<>"},
      {"hexadecimal read", [&] { return Parse("<41>"); }, "<41>"},
      {"hexadecimal made", [&] { return Made("<41>", TokenType::String); }, "<41>"},
      {"starts with < only", [&] { return Made("<41", TokenType::String); }, "(<41)"},
      {"literal made", [&] { return Made("a(b", TokenType::String); }, "(a\\(b)"},
      {"escapes read are escaped again", [&] { return Parse("(a\\)b)"); }, "(a\\\\\\)b)"},
      {"NUL byte",
       [&] {
         return new Scalar(&doc, Token(nul_bytes.data(), nul_bytes.data() + 3, TokenType::String));
       },
       std::string("(a\\\0b)", 6)},
      {"empty string", [&] { return Made("", TokenType::String); }, "()"},
      {"array", [&] { return Parse("[1 2]"); }, "[1 2 ]"},
      {"empty array", [&] { return Parse("[]"); }, "[]"},
      {"nested arrays inline", [&] { return Parse("[[1] /N (s) [] null]"); },
       "[[1 ] /N (s) [] null ]"},
      {"dictionary", [&] { return Parse("<< /A 1 /B [2] /C (c) >>"); },
       "<<\r/A 1\r/B [2 ]\r/C (c)\r>>"},
      {"empty dictionary", [&] { return Parse("<< >>"); }, "<<\r>>"},
      {"percent in a key",
       [&] {
         auto* dict = new Dictionary(&doc);
         dict->Set("a%sb", 1);
         return dict;
       },
       "<<\r/a%sb 1\r>>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Written(c.make()), c.written);
    EXPECT_EQ(out.error, nullptr);
  }
  EXPECT_EQ(doc.xref->EntryCount(), 1);  // nothing here needed a number
  EXPECT_TRUE(sinks.all.empty()) << testing::PrintToString(sinks.all);
}

TEST_F(ObjectWriteTest, IndirectDictionaryAsWritten) {
  doc.xref->SetEntry(4, 0, 0, 'f');  // numbers 1 to 4 exist
  auto* kid = new Dictionary(&doc);
  kid->number = 4;
  auto* node = new Dictionary(&doc);
  node->number = 3;
  node->Set("Type", "/Pages");
  auto* kids = new Array(&doc);
  kids->Append(kid);
  node->Set("Kids", kids);
  node->Set("Count", 1);

  node->WriteIndirect(out);
  EXPECT_EQ(Take(), "3 0 obj\r<<\r/Type /Pages\r/Kids [4 0 R ]\r/Count 1\r>>\rendobj\r");
  EXPECT_EQ(node->offset, kHeaderSize);
  const XRefEntry& entry = doc.xref->entries[3];
  EXPECT_EQ(entry.object, node);
  EXPECT_EQ(entry.type, 'n');
  EXPECT_EQ(entry.offset, kHeaderSize);
  EXPECT_EQ(doc.xref->entries[4].object, kid);  // registered by its reference
  EXPECT_EQ(kid->offset, 0);                    // but not written
}

TEST_F(ObjectWriteTest, NestedDictionaryIsWrittenAsAReferenceAndNumbered) {
  auto* outer = new Dictionary(&doc);
  auto* inner = new Dictionary(&doc);
  inner->Set("X", 1);
  outer->Set("Inner", inner);
  auto* stream = new Dictionary(&doc);
  stream->data = Token(kHeader, kHeader + 4, TokenType::StreamData);
  outer->Set("Data", stream);
  auto* array = new Array(&doc);
  array->Append(inner);
  outer->Set("List", array);

  EXPECT_EQ(Written(outer), "<<\r/Inner 1 0 R\r/Data 2 0 R\r/List [1 0 R ]\r>>");
  EXPECT_EQ(inner->number, 1);
  EXPECT_EQ(stream->number, 2);
  EXPECT_EQ(outer->number, 0);  // written as a value: stays direct
  EXPECT_EQ(doc.xref->EntryCount(), 3);
  EXPECT_EQ(doc.xref->entries[1].object, inner);

  outer->WriteIndirect(out);
  EXPECT_EQ(outer->number, 3);
  EXPECT_EQ(Take(), "3 0 obj\r<<\r/Inner 1 0 R\r/Data 2 0 R\r/List [1 0 R ]\r>>\rendobj\r");
}

TEST_F(ObjectWriteTest, ReferencesAreWrittenThroughTheirTargets) {
  auto* target_dict = new Dictionary(&doc);
  auto* to_dict = new Reference(&doc, 7, 0);
  to_dict->target = target_dict;
  auto* to_number = new Reference(&doc, 8, 0);
  to_number->target = new Scalar(&doc, 2.5);
  auto* holder = new Dictionary(&doc);
  holder->Set("D", to_dict);
  holder->Set("N", to_number);
  EXPECT_EQ(Written(holder), "<<\r/D 1 0 R\r/N 2.5\r>>");

  // A reference on its own writes nothing; it is only resolved.
  auto* missing = new Reference(&doc, 9, 0);
  EXPECT_EQ(Written(missing), "");
  EXPECT_EQ(missing->target, doc.null_object);
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"9 0 R not found!"});
}

TEST_F(ObjectWriteTest, WriteIndirectWritesOnceUntilChanged) {
  auto* dict = new Dictionary(&doc);
  dict->Set("A", 1);
  dict->WriteIndirect(out);
  dict->WriteIndirect(out);
  EXPECT_EQ(Take(), "1 0 obj\r<<\r/A 1\r>>\rendobj\r");
  EXPECT_EQ(dict->offset, kHeaderSize);

  dict->Set("A", 2);  // a change clears the offset
  EXPECT_EQ(dict->offset, 0);
  const int position = out.Tell();
  dict->WriteIndirect(out);
  EXPECT_EQ(Take(), "1 0 obj\r<<\r/A 2\r>>\rendobj\r");
  EXPECT_EQ(dict->offset, position);
  EXPECT_EQ(doc.xref->entries[1].offset, position);
  EXPECT_EQ(doc.xref->EntryCount(), 2);
}

TEST_F(ObjectWriteTest, HeaderTrailerAndRefText) {
  auto* first = new Array(&doc);
  first->generation = 2;
  EXPECT_STREQ(first->RefText(), "1 2 R");
  EXPECT_EQ(first->offset, 0);  // registering is not writing
  EXPECT_EQ(doc.xref->entries[1].generation, 2);
  EXPECT_EQ(doc.xref->entries[1].type, 'n');

  auto* plain = new Object(&doc);  // the base writes its header and trailer only
  EXPECT_EQ(Written(plain), "2 0 obj\r\rendobj\r");
  EXPECT_EQ(plain->offset, kHeaderSize);
  Take();
  plain->WriteRef(out);
  EXPECT_EQ(Take(), "2 0 R");

  // Scalars and arrays are values wherever they appear.
  auto* number = new Scalar(&doc, 7.0);
  number->WriteRef(out);
  first->WriteRef(out);
  EXPECT_EQ(Take(), "7[]");
  EXPECT_EQ(number->number, 0);
}

TEST_F(ObjectWriteTest, ArrayHoldingItselfEndsWithAnError) {
  auto* loop = new Array(&doc);
  loop->Append(loop);
  loop->Append(loop);  // two paths per level: must not be walked exponentially
  loop->Write(out);
  ASSERT_NE(out.error, nullptr);
  EXPECT_STREQ(out.error, "Arrays nested deeper than 512 levels");
  EXPECT_EQ(out.nesting, 0);
  const std::string text = Take();
  EXPECT_EQ(text.substr(0, 3), "[[[");
}

TEST_F(ObjectWriteTest, UnregisterableObjectThrowsTheTable) {
  auto* dict = new Dictionary(&doc);
  dict->number = 99;  // no table covers it
  EXPECT_THROW(dict->RefText(), XRefRegistrationError);
  EXPECT_EQ(sinks.warnings, std::vector<std::string>{"PDF xref Add object#99??"});
}

}  // namespace
}  // namespace pdf

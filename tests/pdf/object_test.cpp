#include "pdf/object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/document.h"
#include "tests/pdf/object_dump.h"
#include "tests/support/sink_capture.h"

namespace pdf {
namespace {

class ObjectTest : public SinkTest {
 protected:
  // The document's list, newest first, up to the first object of `stop`.
  std::vector<Object*> ListUntil(Object* stop) {
    std::vector<Object*> list;
    for (Object* o = doc.objects; o != nullptr && o != stop; o = o->next) {
      list.push_back(o);
    }
    return list;
  }
  Document doc;
};

TEST_F(ObjectTest, ListIsNewestFirstAndDestructionUnlinks) {
  Object* blank = doc.objects;
  auto* a = new Array(&doc);
  auto* b = new Array(&doc);
  auto* c = new Array(&doc);
  EXPECT_EQ(ListUntil(blank), (std::vector<Object*>{c, b, a}));
  delete b;
  EXPECT_EQ(ListUntil(blank), (std::vector<Object*>{c, a}));

  Document other;
  auto* stray = new Array(&other);
  doc.RemoveObjectFromList(stray);  // not on this list: left alone
  EXPECT_EQ(ListUntil(blank), (std::vector<Object*>{c, a}));
  stray->doc = &other;  // still on the other document's list, which deletes it
}

int g_destroyed = 0;
struct Counted : Object {
  explicit Counted(Document* d) : Object(d) {}
  ~Counted() override { ++g_destroyed; }
};

TEST_F(ObjectTest, DeleteAllObjectsDestroysEachObjectOnce) {
  g_destroyed = 0;
  for (int i = 0; i < 10000; ++i) {
    new Counted(&doc);
  }
  doc.DeleteAllObjects();
  EXPECT_EQ(g_destroyed, 10000);
  EXPECT_EQ(doc.objects, nullptr);
}

TEST_F(ObjectTest, ReportsAreCutTo511AndPassedOnAsText) {
  EXPECT_FALSE(doc.Fail("%s", std::string(600, 'x').c_str()));
  EXPECT_EQ(sinks.errors, std::vector<std::string>{std::string(511, 'x')});
  EXPECT_FALSE(doc.Warn("%s", "100%d sure"));
  EXPECT_EQ(sinks.warnings, std::vector<std::string>{"100%d sure"});
  doc.Trace("first %d\nsecond %s\n", 1, "50%");
  EXPECT_EQ(sinks.traces, (std::vector<std::string>{"first 1", "second 50%"}));
}

TEST_F(ObjectTest, EveryKindAnswersItsQueries) {
  auto* stream = new Dictionary(&doc);
  stream->data = Token("abc", TokenType::StreamData);
  auto* after_number = new Scalar(&doc, Token("N", TokenType::Name));
  after_number->token.value = 5;  // the lexer leaves a number's value in a later name
  struct Case {
    Object* object;
    const char* kinds;  // one letter per query that answers true
    const char* text;
    int int_value;
  };
  const Case cases[] = {
      {doc.null_object, "0", "null", 0},
      {new Scalar(&doc, "null", TokenType::Keyword), "", "null", 0},
      {new Scalar(&doc, "true", TokenType::Keyword), "Bt", "true", 0},
      {new Scalar(&doc, "false", TokenType::Keyword), "B", "false", 0},
      {new Scalar(&doc, -7.5), "N", "-7.5", -8},
      {new Scalar(&doc, "hi", TokenType::String), "S", "hi", 0},
      {new Scalar(&doc, "Type", TokenType::Name), "M", "Type", 0},
      {after_number, "M", "N", 0},
      {new Array(&doc), "Aa", "<array>", 0},
      {new Dictionary(&doc), "Dd", "<dict>", 0},
      {stream, "sd", "<stream>", 0},
      {new Reference(&doc, 5, 0), "", "<object>", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Object* o = c.object;
    std::string kinds = std::string(o->IsDictionary() ? "D" : "") + (o->IsNull() ? "0" : "") +
                        (o->IsNumber() ? "N" : "") + (o->IsBoolean() ? "B" : "") +
                        (o->BoolValue() ? "t" : "") + (o->IsName() ? "M" : "") +
                        (o->IsString() ? "S" : "") + (o->IsArray() ? "A" : "") +
                        (o->IsStream() ? "s" : "") + (o->IsXRefTable() ? "X" : "") +
                        (o->AsDictionary() ? "d" : "") + (o->AsArray() ? "a" : "");
    EXPECT_EQ(kinds, c.kinds);
    EXPECT_STREQ(o->Text(), c.text);
    EXPECT_EQ(o->IntValue(), c.int_value);
    EXPECT_EQ(o->RealValue(), c.int_value == 0 ? 0.0 : -7.5);
    // Container queries on the wrong kind are neutral.
    if (!o->AsDictionary() && !o->AsArray()) {
      EXPECT_TRUE(o->Item(0)->IsNull());
      EXPECT_TRUE(o->Get("Type")->IsNull());
      EXPECT_EQ(o->Append(o), 0);
      EXPECT_EQ(o->Count(), 0);
    }
  }
  EXPECT_TRUE(cases[6].object->IsName("Type"));
  EXPECT_FALSE(cases[6].object->IsName("type"));
  EXPECT_FALSE(cases[5].object->IsName("hi"));
}

TEST_F(ObjectTest, DictionaryKeepsInsertionOrderAndReplacesInPlace) {
  auto* dict = new Dictionary(&doc);
  auto* three = new Scalar(&doc, 3.0);
  dict->Set("A", new Scalar(&doc, 1.0));
  dict->Set("B", new Scalar(&doc, 2.0));
  dict->offset = 1234;
  time_t before = time(nullptr);
  dict->Set("A", three);
  EXPECT_TRUE(dict->modified);
  EXPECT_EQ(dict->offset, 0);
  EXPECT_GE(dict->modified_time, before);
  EXPECT_EQ(Dump(dict), "<< /A 3 /B 2 >>");
  EXPECT_TRUE(dict->Get("a")->IsNull()) << "keys are case-sensitive";
  EXPECT_EQ(dict->Add("A", new Scalar(&doc, 9.0)), 3) << "Add appends without a search";
  EXPECT_EQ(dict->Get("A"), three) << "the first equal key wins";
  EXPECT_STREQ(dict->Key(3), "");
  EXPECT_STREQ(dict->Key(-1), "");
  EXPECT_TRUE(dict->Item(3)->IsNull());
  EXPECT_TRUE(dict->Item(-1)->IsNull());

  dict->Set("Type", "/Catalog");
  dict->Set("Title", "Catalog");
  dict->Set("Empty", "");
  dict->Set("Count", 0);
  EXPECT_EQ(Dump(dict), "<< /A 3 /B 2 /A 9 /Type /Catalog /Title (Catalog) /Empty () /Count 0 >>");
}

TEST_F(ObjectTest, ArrayKeepsOrderAndClearMakesItDirect) {
  auto* array = new Array(&doc);
  auto* one = new Scalar(&doc, 1.0);
  array->Append(one);
  array->Append(doc.null_object);
  EXPECT_EQ(array->Append(one), 3);
  EXPECT_EQ(Dump(array), "[1 null 1]");
  EXPECT_TRUE(array->Item(3)->IsNull());
  array->number = 7;
  array->Clear();
  EXPECT_EQ(array->Count(), 0);
  EXPECT_EQ(array->number, 0);
  EXPECT_EQ(one->doc, &doc) << "items are not deleted";
}

TEST_F(ObjectTest, UnresolvableReferenceReportsOnce) {
  auto* dict = new Dictionary(&doc);
  dict->Set("P", new Reference(&doc, 5, 0));
  EXPECT_TRUE(dict->Get("P")->IsNull());
  EXPECT_TRUE(dict->Item(0)->IsNull());
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"5 0 R not found!"});
}

}  // namespace
}  // namespace pdf

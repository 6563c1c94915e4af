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
  std::vector<Object*> List() {
    std::vector<Object*> list;
    for (Object* o = doc.objects; o != nullptr; o = o->next) {
      list.push_back(o);
    }
    return list;
  }
  Document doc;
};

// `front` followed by the blank document's own objects.
std::vector<Object*> Then(std::vector<Object*> front, const std::vector<Object*>& rest) {
  front.insert(front.end(), rest.begin(), rest.end());
  return front;
}

TEST_F(ObjectTest, ObjectsAreListedNewestFirstAndUnlinkOnDestruction) {
  ASSERT_NE(doc.null_object, nullptr);
  const std::vector<Object*> blank = List();
  auto* a = new Array(&doc);
  auto* b = new Array(&doc);
  auto* c = new Array(&doc);
  EXPECT_EQ(a->doc, &doc);
  EXPECT_EQ(List(), Then({c, b, a}, blank));
  delete b;
  EXPECT_EQ(List(), Then({c, a}, blank));
  delete c;
  EXPECT_EQ(List(), Then({a}, blank));
}

TEST_F(ObjectTest, RemovingAnObjectNotOnTheListLeavesTheListAlone) {
  Document other;
  const std::vector<Object*> blank = List();
  auto* stray = new Array(&other);
  auto* mine = new Array(&doc);
  doc.RemoveObjectFromList(stray);  // not ours
  EXPECT_EQ(stray->doc, nullptr);
  EXPECT_EQ(List(), Then({mine}, blank));
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
  std::string long_text(600, 'x');
  EXPECT_FALSE(doc.Fail("%s", long_text.c_str()));
  ASSERT_EQ(sinks.errors.size(), 1u);
  EXPECT_EQ(sinks.errors[0], std::string(511, 'x'));

  EXPECT_FALSE(doc.Warn("%s", "100%d sure %s"));
  EXPECT_EQ(sinks.warnings, std::vector<std::string>{"100%d sure %s"});

  doc.Trace("first %d\nsecond %s\n", 1, "50%");
  EXPECT_EQ(sinks.traces, (std::vector<std::string>{"first 1", "second 50%"}));
  EXPECT_EQ(sinks.errors.size(), 1u);
}

// One letter per query that answers true, in the order the detail pane asks.
std::string Kinds(Object* o) {
  std::string k;
  k += o->IsDictionary() ? "D" : "";
  k += o->IsNull() ? "0" : "";
  k += o->IsNumber() ? "N" : "";
  k += o->IsBoolean() ? "B" : "";
  k += o->IsName() ? "M" : "";
  k += o->IsString() ? "S" : "";
  k += o->IsArray() ? "A" : "";
  k += o->IsStream() ? "s" : "";
  k += o->IsXRefTable() ? "X" : "";
  k += o->AsDictionary() != nullptr ? "d" : "";
  k += o->AsArray() != nullptr ? "a" : "";
  k += o->AsXRefTable() != nullptr ? "x" : "";
  return k;
}

TEST_F(ObjectTest, EveryKindAnswersItsQueries) {
  auto* stream = new Dictionary(&doc);
  const char data[] = "abc";
  stream->data = Token(data, data + 3, TokenType::StreamData);
  struct Case {
    const char* name;
    Object* object;
    const char* kinds;
    const char* text;
  };
  const Case cases[] = {
      {"null", doc.null_object, "0", "null"},
      {"keyword null made elsewhere", new Scalar(&doc, "null", TokenType::Keyword), "", "null"},
      {"true", new Scalar(&doc, "true", TokenType::Keyword), "B", "true"},
      {"false", new Scalar(&doc, "false", TokenType::Keyword), "B", "false"},
      {"number", new Scalar(&doc, 12.5), "N", "12.5"},
      {"string", new Scalar(&doc, "hi", TokenType::String), "S", "hi"},
      {"name", new Scalar(&doc, "Type", TokenType::Name), "M", "Type"},
      {"array", new Array(&doc), "Aa", "<array>"},
      {"dictionary", new Dictionary(&doc), "Dd", "<dict>"},
      {"stream", stream, "sd", "<stream>"},
      {"reference", new Reference(&doc, 5, 0), "", "<object>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Kinds(c.object), c.kinds);
    EXPECT_STREQ(c.object->Text(), c.text);
  }
}

TEST_F(ObjectTest, ValuesHaveNeutralDefaults) {
  auto* yes = new Scalar(&doc, "true", TokenType::Keyword);
  auto* no = new Scalar(&doc, "false", TokenType::Keyword);
  auto* num = new Scalar(&doc, -7.5);
  auto* name = new Scalar(&doc, "N", TokenType::Name);
  EXPECT_TRUE(yes->BoolValue());
  EXPECT_FALSE(no->BoolValue());
  EXPECT_FALSE(num->BoolValue());
  EXPECT_EQ(num->IntValue(), -8);
  EXPECT_EQ(num->RealValue(), -7.5);
  EXPECT_TRUE(name->IsName("N"));
  EXPECT_FALSE(name->IsName("n"));
  EXPECT_FALSE(name->IsName("NN"));
  auto* string = new Scalar(&doc, "N", TokenType::String);
  EXPECT_FALSE(string->IsName("N"));
  for (Object* o : std::vector<Object*>{yes, name, new Array(&doc), new Dictionary(&doc)}) {
    EXPECT_EQ(o->IntValue(), 0);
    EXPECT_EQ(o->RealValue(), 0.0);
  }
}

TEST_F(ObjectTest, NameReadAfterANumberHasNoNumericValue) {
  Input input("5 /N");
  LoadText(doc, input);
  ASSERT_EQ(doc.ParseObjects(), 2);
  Object* name = doc.stack[1];
  ASSERT_TRUE(name->IsName("N"));
  EXPECT_EQ(name->IntValue(), 0);
  EXPECT_EQ(name->RealValue(), 0.0);
  doc.stack_count = 0;
}

TEST_F(ObjectTest, DictionaryEntriesKeepInsertionOrder) {
  auto* dict = new Dictionary(&doc);
  auto* one = new Scalar(&doc, 1.0);
  auto* two = new Scalar(&doc, 2.0);
  auto* three = new Scalar(&doc, 3.0);
  dict->Set("A", one);
  dict->Set("B", two);
  dict->Set("A", three);  // replaced in place
  EXPECT_EQ(Dump(dict), "<< /A 3 /B 2 >>");
  EXPECT_EQ(dict->Get("A"), three);
  EXPECT_TRUE(dict->Get("a")->IsNull()) << "keys are case-sensitive";
  EXPECT_TRUE(dict->Get("Missing")->IsNull());
  EXPECT_EQ(dict->Add("A", one), 3) << "Add appends without a search";
  EXPECT_EQ(dict->Get("A"), three) << "the first equal key wins";
  EXPECT_STREQ(dict->Key(2), "A");
  EXPECT_STREQ(dict->Key(3), "");
  EXPECT_STREQ(dict->Key(-1), "");
  EXPECT_TRUE(dict->Item(-1)->IsNull());
  EXPECT_TRUE(dict->Item(3)->IsNull());
  EXPECT_EQ(dict->Item(1), two);
}

TEST_F(ObjectTest, SetWithAValueTextMakesANameOrAString) {
  auto* dict = new Dictionary(&doc);
  dict->Set("Type", "/Catalog");
  dict->Set("Title", "Catalog");
  dict->Set("Empty", "");
  dict->Set("Slash", "/");
  dict->Set("Count", 0);
  dict->Set("Scale", 2.5);
  EXPECT_EQ(Dump(dict),
            "<< /Type /Catalog /Title (Catalog) /Empty () /Slash / /Count 0 /Scale 2.5 >>");
  EXPECT_TRUE(dict->Get("Type")->IsName("Catalog"));
  EXPECT_TRUE(dict->Get("Title")->IsString());
}

TEST_F(ObjectTest, ChangesMarkTheDictionaryModified) {
  auto* dict = new Dictionary(&doc);
  dict->offset = 1234;
  EXPECT_FALSE(dict->modified);
  time_t before = time(nullptr);
  dict->Set("K", 1);
  EXPECT_TRUE(dict->modified);
  EXPECT_EQ(dict->offset, 0);
  EXPECT_GE(dict->modified_time, before);
  dict->MarkModified(false);
  EXPECT_FALSE(dict->modified);
}

TEST_F(ObjectTest, WrongKindQueriesAnswerNeutrally) {
  auto* name = new Scalar(&doc, "N", TokenType::Name);
  auto* array = new Array(&doc);
  auto* dict = new Dictionary(&doc);
  EXPECT_TRUE(array->Get("K")->IsNull());
  EXPECT_TRUE(name->Item(0)->IsNull());
  EXPECT_EQ(name->Count(), 0);
  name->Set("K", dict);
  array->Set("K", dict);
  EXPECT_EQ(array->Count(), 0);
  EXPECT_EQ(dict->Append(name), 0);
  EXPECT_EQ(dict->Count(), 0);
  EXPECT_EQ(name->Add("K", dict), 0);
  Token data("leftover", TokenType::Name);
  name->GetStreamData(data);
  EXPECT_EQ(data.type, TokenType::None);
  EXPECT_EQ(data.text, nullptr);
  EXPECT_EQ(name->Resolve(), name);
}

TEST_F(ObjectTest, ArrayKeepsOrderAndClearMakesItDirect) {
  auto* array = new Array(&doc);
  auto* one = new Scalar(&doc, 1.0);
  EXPECT_EQ(array->Append(one), 1);
  EXPECT_EQ(array->Append(doc.null_object), 2);
  EXPECT_EQ(array->Append(one), 3);
  EXPECT_EQ(Dump(array), "[1 null 1]");
  EXPECT_TRUE(array->Item(-1)->IsNull());
  EXPECT_TRUE(array->Item(3)->IsNull());
  array->number = 7;
  array->generation = 2;
  array->Clear();
  EXPECT_EQ(array->Count(), 0);
  EXPECT_EQ(array->number, 0);
  EXPECT_EQ(array->generation, 0);
  EXPECT_EQ(one->doc, &doc) << "items are not deleted";
}

TEST_F(ObjectTest, UnresolvableReferenceReportsOnce) {
  auto* dict = new Dictionary(&doc);
  dict->Set("P", new Reference(&doc, 5, 0));
  EXPECT_TRUE(dict->Get("P")->IsNull());
  EXPECT_TRUE(dict->Get("P")->IsNull());
  EXPECT_TRUE(dict->Item(0)->IsNull());
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"5 0 R not found!"});
}

TEST_F(ObjectTest, StreamDataIsCopiedOut) {
  auto* stream = new Dictionary(&doc);
  const char bytes[] = "xyz";
  stream->data = Token(bytes, bytes + 3, TokenType::StreamData);
  Token out;
  stream->GetStreamData(out);
  EXPECT_EQ(out.text, bytes);
  EXPECT_EQ(out.length, 3);
  EXPECT_TRUE(out.IsStreamData());
}

}  // namespace
}  // namespace pdf

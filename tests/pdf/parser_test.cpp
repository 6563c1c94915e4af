#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/bounds.h"
#include "pdf/document.h"
#include "tests/pdf/object_dump.h"
#include "tests/support/sink_capture.h"

namespace pdf {
namespace {

class ParserTest : public SinkTest {
 protected:
  // Parses the values of `text` and dumps them joined by " ; ".
  std::string ParseAll(const std::string& text) {
    input_ = std::make_unique<Input>(text);
    LoadText(doc, *input_);
    int count = doc.ParseObjects();
    std::string out;
    for (int i = doc.stack_count - count; i < doc.stack_count; ++i) {
      out += (out.empty() ? "" : " ; ") + Dump(doc.stack[static_cast<size_t>(i)]);
    }
    doc.stack_count -= count;
    return out;
  }
  // The current token's text, or its type name when it has none.
  std::string Current() {
    if (doc.current.type == TokenType::Eof) {
      return "<eof>";
    }
    if (doc.current.type == TokenType::None) {
      return "<none>";
    }
    return std::string(doc.current.text, static_cast<size_t>(doc.current.length));
  }
  Document doc;
  std::unique_ptr<Input> input_;
};

TEST_F(ParserTest, ValuesDictionariesAndArrays) {
  struct Case {
    const char* name;
    std::string input;
    std::string values;
    std::string current;
    std::vector<std::string> errors;
  };
  const Case cases[] = {
      {"scalars",
       "1 -2.5 /N (s) <41> true false null",
       "1 ; -2.5 ; /N ; (s) ; <41> ; true ; false ; null",
       "<eof>",
       {}},
      {"repeated key", "<< /A 1 /B 2 /A 3 >>", "<< /A 3 /B 2 >>", "<eof>", {}},
      {"same key twice", "<< /K 1 /K 2 >>", "<< /K 2 >>", "<eof>", {}},
      {"nested", "<< /A [1 2] /B << /C 3 >> >> next", "<< /A [1 2] /B << /C 3 >> >>", "next", {}},
      {"empty containers", "<<>> []", "<< >> ; []", "<eof>", {}},
      {"reference in array", "[1 2 R 3]", "[null 3]", "<eof>", {"1 2 R not found!"}},
      {"odd value count", "<< /A 1 /B >>", "<< /A 1 /B null >>", "<eof>", {}},
      {"R alone", "[ R 5 ]", "[null 5]", "<eof>", {}},
      {"R with one value", "[1 R]", "[1 null]", "<eof>", {}},
      {"R never takes an outer value", "[1 [R]]", "[1 [null]]", "<eof>", {}},
      {"R as a dictionary value", "<< /A R /B 2 >>", "<< /A null /B 2 >>", "<eof>", {}},
      {"keys that are not names",
       "<< (k) 1 5 2 [] 3 >>",
       "<< /k 1 /5 2 /<array> 3 >>",
       "<eof>",
       {}},
      {"missing >>", "<< /A 1 ] x", "<< /A 1 >>", "]", {}},
      {"missing ]", "[1 2 >> 3", "[1 2] ; 3", "<eof>", {}},
      {"lexical error ends the list", "[1 ! 2] 4", "[1] ; 2", "]", {"! - Unrecognized token\n"}},
      {"stop at keyword", "1 2 obj", "1 ; 2", "obj", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    EXPECT_EQ(ParseAll(c.input), c.values);
    EXPECT_EQ(Current(), c.current);
    EXPECT_EQ(sinks.errors, c.errors);
    EXPECT_EQ(doc.stack_count, 0);
  }
}

TEST_F(ParserTest, ManyRepeatedKeysKeepFirstPositionAndLastValue) {
  std::string text = "<<";
  for (int round = 0; round < 2; ++round) {
    for (int k = 0; k < 40; ++k) {
      text += " /K" + std::to_string(k) + " " + std::to_string(round * 100 + k);
    }
  }
  text += " >>";
  ParseAll(text);
  Input input(text);
  LoadText(doc, input);
  Dictionary* dict = doc.ParseDictionary();
  ASSERT_NE(dict, nullptr);
  ASSERT_EQ(dict->Count(), 40);
  for (int k = 0; k < 40; ++k) {
    EXPECT_EQ(dict->Key(k), "K" + std::to_string(k));
    EXPECT_EQ(dict->Item(k)->IntValue(), 100 + k);
  }
}

TEST_F(ParserTest, StreamsAreLocatedInPlace) {
  const std::string tail = "\nendobj\n%%EOF padding";
  struct Case {
    const char* name;
    std::string input;
    std::string dump;
    std::string current;
    std::vector<std::string> errors;
  };
  const Case cases[] = {
      {"CR LF",
       "<< /Length 5 >>stream\r\nHELLO\nendstream" + tail,
       "<< /Length 5 >>stream[HELLO]",
       "endobj",
       {}},
      {"LF",
       "<< /Length 5 >>stream\nHELLO\r\n\r\nendstream" + tail,
       "<< /Length 5 >>stream[HELLO]",
       "endobj",
       {}},
      {"CR",
       "<< /Length 5 >>stream\rHELLOendstream" + tail,
       "<< /Length 5 >>stream[HELLO]",
       "endobj",
       {}},
      {"empty data",
       "<< /Length 0 >>stream\nendstream" + tail,
       "<< /Length 0 >>stream[]",
       "endobj",
       {}},
      {"blank before the line end",
       "<< /Length 5 >>stream \nHELLO\nendstream" + tail,
       "<< /Length 5 >>",
       "HELLO",
       {}},
      {"nothing after stream", "<< /Length 5 >>stream", "<< /Length 5 >>", "<eof>", {}},
      {"length runs past the end",
       "<< /Length 1000 >>stream\nHELLO\nendstream" + tail,
       "<< /Length 1000 >>",
       "HELLO",
       {"invalid stream length or truncated PDF"}},
      {"negative length",
       "<< /Length -3 >>stream\nHELLO\nendstream" + tail,
       "<< /Length -3 >>",
       "HELLO",
       {"invalid stream length or truncated PDF"}},
      {"endstream too close to the end",
       "<< /Length 5 >>stream\nHELLO\nendstream",
       "<< /Length 5 >>",
       "endstream",
       {"invalid stream length or truncated PDF"}},
      {"short length",
       "<< /Length 3 >>stream\nHELLO\nendstream" + tail,
       "<< /Length 3 >>",
       "LO",
       {"'stream' with no matching 'endstream'"}},
      {"missing length",
       "<< /L 5 >>stream\nHELLO\nendstream" + tail,
       "<< /L 5 >>",
       "HELLO",
       {"missing or invalid stream length"}},
      {"length not a number",
       "<< /Length /Five >>stream\nHELLO\nendstream" + tail,
       "<< /Length /Five >>",
       "HELLO",
       {"missing or invalid stream length"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    Input input(c.input);
    LoadText(doc, input);
    Dictionary* dict = doc.ParseDictionary();
    ASSERT_NE(dict, nullptr);
    EXPECT_EQ(Dump(dict), c.dump);
    EXPECT_EQ(Current(), c.current);
    EXPECT_EQ(sinks.errors, c.errors);
    EXPECT_GE(doc.cursor, input.begin());
    EXPECT_LE(doc.cursor, input.end());
    if (dict->IsStream()) {
      Token data;
      dict->GetStreamData(data);
      EXPECT_EQ(data.text,
                input.begin() + c.input.find("stream") + 6 +
                    (c.input.compare(c.input.find("stream") + 6, 2, "\r\n") == 0 ? 2 : 1));
    }
  }
}

TEST_F(ParserTest, IndirectObjectHeaders) {
  struct Case {
    const char* name;
    std::string input;
    int offset;
    std::string dump;  // "nullptr" when no object
    int number;
  };
  const Case cases[] = {
      {"number", "xx 7 0 obj 42 endobj", 3, "42", 7},
      {"dictionary", "7 3 obj << /A 1 >> endobj", 0, "<< /A 1 >>", 7},
      {"no value", "7 0 obj endobj", 0, "null", 0},
      {"keyword null", "7 0 obj null endobj", 0, "null", 0},
      {"extra values dropped", "7 0 obj 1 2 endobj", 0, "1", 7},
      {"no endobj needed", "7 0 obj (s)", 0, "(s)", 7},
      {"not obj", "7 0 xyz", 0, "nullptr", 0},
      {"real number", "7.5 0 obj 1 endobj", 0, "nullptr", 0},
      {"one number", "7 obj 1 endobj", 0, "nullptr", 0},
      {"offset past the end", "7 0 obj 1 endobj", 99, "nullptr", 0},
      {"negative offset", "7 0 obj 1 endobj", -1, "nullptr", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Input input(c.input);
    doc.begin = input.begin();
    doc.end = input.end();
    Object* object = doc.ParseIndirectObject(c.offset);
    EXPECT_EQ(object == nullptr ? "nullptr" : Dump(object), c.dump);
    EXPECT_EQ(doc.stack_count, 0);
    if (object != nullptr && !object->IsNull()) {
      EXPECT_EQ(object->number, c.number);
      EXPECT_EQ(object->offset, c.offset);
    }
    if (object != nullptr && object->IsNull()) {
      EXPECT_EQ(object, doc.null_object);
      EXPECT_EQ(doc.null_object->number, 0);
    }
  }
  Input input("7 3 obj 1 endobj");
  doc.begin = input.begin();
  doc.end = input.end();
  EXPECT_EQ(doc.ParseIndirectObject(0)->generation, 3);
}

TEST_F(ParserTest, StreamDataTokenInCurrentIsPushedWithAReport) {
  Input input("");
  LoadText(doc, input);
  const char bytes[] = "raw";
  doc.current = Token(bytes, bytes + 3, TokenType::StreamData);
  ASSERT_EQ(doc.ParseObjects(), 1);
  EXPECT_STREQ(doc.stack[0]->Text(), "<tok_stream>");
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"unexpected stream."});
  doc.stack_count = 0;
}

TEST_F(ParserTest, NestingIsBoundedAndReportedOnce) {
  const std::string limit_text = "Arrays and dictionaries nested deeper than 512 levels";
  struct Case {
    const char* name;
    std::string input;
    bool reported;
  };
  const Case cases[] = {
      {"100000 brackets", std::string(100000, '['), true},
      {"100000 dictionaries",
       [] {
         std::string s;
         for (int i = 0; i < 100000; ++i)
           s += "<< /A ";
         return s;
       }(),
       true},
      {"deepest allowed", std::string(kMaxNesting, '[') + std::string(kMaxNesting, ']'), false},
      {"one too deep", std::string(kMaxNesting + 1, '[') + std::string(kMaxNesting + 1, ']'), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    std::string text = "1 0 obj " + c.input + " endobj";
    Input input(text);
    doc.begin = input.begin();
    doc.end = input.end();
    Object* object = doc.ParseIndirectObject(0);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->number, 1);
    EXPECT_EQ(doc.stack_count, 0);
    if (c.reported) {
      EXPECT_EQ(sinks.errors, std::vector<std::string>{limit_text});
    } else {
      EXPECT_TRUE(sinks.errors.empty());
    }
    // The parser is usable again afterwards.
    Input next("2 0 obj [1] endobj");
    doc.begin = next.begin();
    doc.end = next.end();
    EXPECT_EQ(Dump(doc.ParseIndirectObject(0)), "[1]");
  }
}

TEST_F(ParserTest, SeekOutsideTheRangeGivesNoToken) {
  Input input("xref");
  doc.begin = input.begin();
  doc.end = input.end();
  EXPECT_TRUE(doc.Seek(0));
  EXPECT_TRUE(doc.current.IsKeyword("xref"));
  for (int offset : {4, 5, -1, 1 << 30}) {
    EXPECT_FALSE(doc.Seek(offset));
    EXPECT_EQ(doc.current.type, TokenType::Eof);
    EXPECT_EQ(doc.cursor, input.end());
  }
}

}  // namespace
}  // namespace pdf

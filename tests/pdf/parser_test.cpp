#include <gtest/gtest.h>

#include <memory>
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
  void Load(const std::string& text) {
    input_ = std::make_unique<Input>(text);
    LoadText(doc, *input_);
  }
  // The values of `text` joined by " ; ", then " | " and the token after them.
  std::string ParseAll(const std::string& text) {
    Load(text);
    int count = doc.ParseObjects();
    std::string out;
    for (int i = doc.stack_count - count; i < doc.stack_count; ++i) {
      out += (out.empty() ? "" : " ; ") + Dump(doc.stack[static_cast<size_t>(i)]);
    }
    doc.stack_count -= count;
    return out + " | " + Current();
  }
  std::string Current() {
    if (doc.current.type == TokenType::Eof || doc.current.type == TokenType::None) {
      return "-";
    }
    return std::string(doc.current.text, static_cast<size_t>(doc.current.length));
  }
  Document doc;
  std::unique_ptr<Input> input_;
};

TEST_F(ParserTest, ValuesDictionariesAndArrays) {
  struct Case {
    std::string input;
    std::string values;
    std::vector<std::string> errors;
  };
  const Case cases[] = {
      {"1 -2.5 /N (s) <41> true null", "1 ; -2.5 ; /N ; (s) ; <41> ; true ; null | -", {}},
      {"<< /A 1 /B 2 /A 3 >>", "<< /A 3 /B 2 >> | -", {}},
      {"<< /A [1 2] /B << /C 3 >> >> next", "<< /A [1 2] /B << /C 3 >> >> | next", {}},
      {"<<>> []", "<< >> ; [] | -", {}},
      {"[1 2 R 3]", "[null 3] | -", {"1 2 R not found!"}},
      {"<< /A 1 /B >>", "<< /A 1 /B null >> | -", {}},
      {"[ R 5 ] [1 R] [1 [R]]", "[null 5] ; [1 null] ; [1 [null]] | -", {}},
      {"<< /A R /B 2 >>", "<< /A null /B 2 >> | -", {}},
      {"<< (k) 1 5 2 [] 3 >>", "<< /k 1 /5 2 /<array> 3 >> | -", {}},
      {"<< /A 1 ] x", "<< /A 1 >> | ]", {}},
      {"[1 2 >> 3", "[1 2] ; 3 | -", {}},
      {"[1 ! 2] 4", "[1] ; 2 | ]", {"! - Unrecognized token\n"}},
      {"1 2 obj", "1 ; 2 | obj", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    sinks.Clear();
    EXPECT_EQ(ParseAll(c.input), c.values);
    EXPECT_EQ(sinks.errors, c.errors);
    EXPECT_EQ(doc.stack_count, 0);
  }
}

TEST_F(ParserTest, LargeDictionaryKeepsFirstPositionAndLastValue) {
  std::string text = "<<";
  for (int round = 0; round < 2; ++round) {
    for (int k = 0; k < 40; ++k) {
      text += " /K" + std::to_string(k) + " " + std::to_string(round * 100 + k);
    }
  }
  Load(text + " >>");
  Dictionary* dict = doc.ParseDictionary();
  ASSERT_EQ(dict->Count(), 40);
  for (int k = 0; k < 40; ++k) {
    EXPECT_EQ(dict->Key(k), "K" + std::to_string(k));
    EXPECT_EQ(dict->Item(k)->IntValue(), 100 + k);
  }
}

TEST_F(ParserTest, StreamsAreLocatedInPlace) {
  const std::string tail = "\nendobj\n%%EOF padding";
  struct Case {
    std::string input;
    std::string dump;
    std::vector<std::string> errors;
  };
  const Case cases[] = {
      {"<< /Length 5 >>stream\r\nHELLO\nendstream" + tail,
       "<< /Length 5 >>stream[HELLO] | endobj",
       {}},
      {"<< /Length 5 >>stream\nHELLO\r\n\r\nendstream" + tail,
       "<< /Length 5 >>stream[HELLO] | endobj",
       {}},
      {"<< /Length 5 >>stream\rHELLOendstream" + tail, "<< /Length 5 >>stream[HELLO] | endobj", {}},
      {"<< /Length 0 >>stream\nendstream" + tail, "<< /Length 0 >>stream[] | endobj", {}},
      {"<< /Length 5 >>stream \nHELLO\nendstream" + tail, "<< /Length 5 >> | HELLO", {}},
      {"<< /Length 5 >>stream", "<< /Length 5 >> | -", {}},
      {"<< /Length 1000 >>stream\nHELLO\nendstream" + tail,
       "<< /Length 1000 >> | HELLO",
       {"invalid stream length or truncated PDF"}},
      {"<< /Length -3 >>stream\nHELLO\nendstream" + tail,
       "<< /Length -3 >> | HELLO",
       {"invalid stream length or truncated PDF"}},
      {"<< /Length 5 >>stream\nHELLO\nendstream",
       "<< /Length 5 >> | endstream",
       {"invalid stream length or truncated PDF"}},
      {"<< /Length 3 >>stream\nHELLO\nendstream" + tail,
       "<< /Length 3 >> | LO",
       {"'stream' with no matching 'endstream'"}},
      {"<< /L 5 >>stream\nHELLO\nendstream" + tail,
       "<< /L 5 >> | HELLO",
       {"missing or invalid stream length"}},
      {"<< /Length /Five >>stream\nHELLO\nendstream" + tail,
       "<< /Length /Five >> | HELLO",
       {"missing or invalid stream length"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    sinks.Clear();
    Load(c.input);
    Dictionary* dict = doc.ParseDictionary();
    EXPECT_EQ(Dump(dict) + " | " + Current(), c.dump);
    EXPECT_EQ(sinks.errors, c.errors);
    EXPECT_LE(doc.cursor, input_->end());
  }
}

TEST_F(ParserTest, IndirectObjectHeaders) {
  struct Case {
    std::string input;
    int offset;
    std::string dump;  // "-" when there is no object
    int number;
    int generation;
  };
  const Case cases[] = {
      {"xx 7 0 obj 42 endobj", 3, "42", 7, 0},
      {"7 3 obj << /A 1 >> endobj", 0, "<< /A 1 >>", 7, 3},
      {"7 0 obj 1 2 endobj", 0, "1", 7, 0},
      {"7 0 obj (s)", 0, "(s)", 7, 0},
      {"7 0 obj endobj", 0, "null", 0, 0},
      {"7 0 obj null endobj", 0, "null", 0, 0},
      {"7 0 xyz", 0, "-", 0, 0},
      {"7.5 0 obj 1 endobj", 0, "-", 0, 0},
      {"7 obj 1 endobj", 0, "-", 0, 0},
      {"7 0 obj 1 endobj", 99, "-", 0, 0},
      {"7 0 obj 1 endobj", -1, "-", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    Load(c.input);
    Object* object = doc.ParseIndirectObject(c.offset);
    EXPECT_EQ(object == nullptr ? "-" : Dump(object), c.dump);
    EXPECT_EQ(doc.stack_count, 0);
    if (object != nullptr) {
      EXPECT_EQ(object->number, c.number);
      EXPECT_EQ(object->generation, c.generation);
      EXPECT_EQ(object->offset, object->IsNull() ? 0 : c.offset);
    }
  }
}

TEST_F(ParserTest, StreamDataTokenInCurrentIsPushedWithAReport) {
  Load("");
  const char raw[] = "raw";
  doc.current = Token(raw, raw + 3, TokenType::StreamData);
  ASSERT_EQ(doc.ParseObjects(), 1);
  EXPECT_STREQ(doc.stack[0]->Text(), "<tok_stream>");
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"unexpected stream."});
  doc.stack_count = 0;
}

TEST_F(ParserTest, NestingIsBoundedAndReportedOnce) {
  std::string dictionaries;
  for (int i = 0; i < 100000; ++i) {
    dictionaries += "<< /A ";
  }
  const std::pair<std::string, bool> cases[] = {
      {std::string(100000, '['), true},
      {dictionaries, true},
      {std::string(kMaxNesting, '[') + std::string(kMaxNesting, ']'), false},
      {std::string(kMaxNesting + 1, '[') + std::string(kMaxNesting + 1, ']'), true},
  };
  for (const auto& [nested, reported] : cases) {
    SCOPED_TRACE(nested.size());
    sinks.Clear();
    Load("1 0 obj " + nested + " endobj");
    Object* object = doc.ParseIndirectObject(0);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->number, 1);
    EXPECT_EQ(doc.stack_count, 0);
    EXPECT_EQ(
        sinks.errors,
        reported ? std::vector<std::string>{"Arrays and dictionaries nested deeper than 512 levels"}
                 : std::vector<std::string>{});
    Load("2 0 obj [1] endobj");  // the parser is usable again
    EXPECT_EQ(Dump(doc.ParseIndirectObject(0)), "[1]");
  }
}

}  // namespace
}  // namespace pdf

#include "pdf/token.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/sink_capture.h"

namespace pdf {
namespace {

const char* TypeName(TokenType type) {
  switch (type) {
    case TokenType::Eof:
      return "Eof";
    case TokenType::None:
      return "None";
    case TokenType::Name:
      return "Name";
    case TokenType::Number:
      return "Number";
    case TokenType::String:
      return "String";
    case TokenType::StreamData:
      return "StreamData";
    case TokenType::Keyword:
      return "Keyword";
  }
  return "?";
}

// Every token of `input` until the end, one "Type text" per token joined by
// " | ". The input is copied into a block of exactly its size, so that a read
// past its end shows under the address sanitizer.
std::string Lex(const std::string& input) {
  std::unique_ptr<char[]> bytes(new char[input.size() + 1]);
  memcpy(bytes.get(), input.data(), input.size());
  const char* cursor = bytes.get();
  const char* end = bytes.get() + input.size();
  Token token;
  std::string dump;
  for (int guard = 0; guard < 100; ++guard) {
    bool produced = token.Next(&cursor, end);
    EXPECT_LE(cursor, end);
    if (!produced && token.type == TokenType::Eof) {
      break;
    }
    EXPECT_EQ(produced, token.type != TokenType::None);
    if (!dump.empty()) {
      dump += " | ";
    }
    dump += TypeName(token.type);
    if (token.type != TokenType::None) {
      dump += " " + std::string(token.text, static_cast<size_t>(token.length));
    }
  }
  return dump;
}

TEST(TokenNext, CutsInputIntoTokens) {
  struct Case {
    const char* name;
    std::string input;
    std::string tokens;
    std::vector<std::string> errors;
  };
  const Case cases[] = {
      {"nested literal", "(a(b)c)", "String a(b)c", {}},
      {"escaped paren kept", "(a\\)b)", "String a\\)b", {}},
      {"empty literal", "()", "String ", {}},
      {"hex string", "<48656C6C6F>", "String <48656C6C6F>", {}},
      {"hex with blank",
       "<48 65>",
       "None | Number 65 | None",
       {"No '>' at end of hex string", "> - Unrecognized token\n"}},
      {"odd hex", "<ABC>", "String <ABC>", {"Odd number of digits in hex string?"}},
      {"delimiters",
       "<<>>[]{}",
       "Keyword << | Keyword >> | Keyword [ | Keyword ] | Keyword { | Keyword }",
       {}},
      {"names", "/Type/Pages", "Name Type | Name Pages", {}},
      {"name escapes kept", "/A#20B", "Name A#20B", {}},
      {"empty name", "/ 1", "Name  | Number 1", {}},
      {"numbers", "-.5 1.2.3 +5", "Number -.5 | Number 1.2.3 | Number +5", {}},
      {"sign starts a number", "1-2", "Number 1 | Number -2", {}},
      {"keywords", "true endobj R", "Keyword true | Keyword endobj | Keyword R", {}},
      {"p inside a keyword", "Rp", "Keyword Rp", {}},
      {"p starts nothing", "pdf", "None | Keyword df", {"p - Unrecognized token\n"}},
      {"eof comment", "%%EOF\n1", "Eof %%EOF | Number 1", {}},
      {"eof comment at end", "%%EOF", "Eof %%EOF", {}},
      {"other comments", "%%EOF2\n% comment\r5", "Number 5", {}},
      {"percent last", "1 %", "Number 1", {}},
      {"zero byte",
       std::string("1\0 2", 4),
       "Number 1 | None | Number 2",
       {" - Unrecognized token\n"}},
      {"lone >", "a>b", "Keyword a | None | Keyword b", {"> - Unrecognized token\n"}},
      {"open literal", "(abc", "None", {"EOF inside literal string"}},
      {"paren last", "(", "None", {"EOF inside literal string"}},
      {"backslash last", "(ab\\", "None", {"Backslash at EOF"}},
      {"angle last", "<", "None", {"'<' at EOF", "No '>' at end of hex string"}},
      {"unclosed hex", "<41", "None", {"No '>' at end of hex string"}},
      {"exponent is no part of a number", "1e5", "Number 1 | Keyword e | Number 5", {}},
      {"high byte", "\xff", "None", {"\xff - Unrecognized token\n"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SinkCapture sinks;
    EXPECT_EQ(Lex(c.input), c.tokens);
    EXPECT_EQ(sinks.errors, c.errors);
    EXPECT_TRUE(sinks.warnings.empty());
  }
}

TEST(TokenNext, NumberValuesComeFromTheTokenBytesOnly) {
  struct Case {
    std::string input;
    double value;
  };
  const Case cases[] = {
      {"-.5", -0.5}, {"1.2.3", 1.2}, {"+5", 5.0},  {"1e5", 1.0},  {"-inf", 0.0},
      {".", 0.0},    {"007", 7.0},   {"12", 12.0}, {"0.50", 0.5}, {"-0", 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    std::vector<char> bytes(c.input.begin(), c.input.end());
    const char* cursor = bytes.data();
    Token token;
    ASSERT_TRUE(token.Next(&cursor, bytes.data() + bytes.size()));
    ASSERT_EQ(token.type, TokenType::Number);
    EXPECT_EQ(token.value, c.value);
  }
}

TEST(TokenNext, ValueIsKeptForOtherTypesAndEofLeavesCursorAtEnd) {
  const std::string input = "42 /N";
  const char* cursor = input.data();
  const char* end = input.data() + input.size();
  Token token;
  ASSERT_TRUE(token.Next(&cursor, end));
  ASSERT_TRUE(token.Next(&cursor, end));
  EXPECT_EQ(token.type, TokenType::Name);
  EXPECT_EQ(token.value, 42.0);
  EXPECT_FALSE(token.Next(&cursor, end));
  EXPECT_EQ(token.type, TokenType::Eof);
  EXPECT_EQ(cursor, end);
  EXPECT_EQ(token.length, 0);
}

TEST(TokenNext, CursorContinuesBehindABadByte) {
  SinkCapture sinks;
  const std::string input = "! 5";
  const char* cursor = input.data();
  Token token;
  EXPECT_FALSE(token.Next(&cursor, input.data() + input.size()));
  EXPECT_EQ(token.type, TokenType::None);
  EXPECT_EQ(cursor, input.data() + 1);
  EXPECT_TRUE(token.Next(&cursor, input.data() + input.size()));
  EXPECT_EQ(token.IntValue(), 5);
}

TEST(TokenNumber, ProgramNumbersPrintWithFiveDecimalsAtMost) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {3, "3"},           {0.1, "0.1"},
      {0.99999, "1"},     {12.5, "12.5"},
      {-0.000001, "-0"},  {0, "0"},
      {100, "100"},       {0.5, "0.5"},
      {2.99999, "3"},     {1.234567, "1.23457"},
      {-12.25, "-12.25"}, {-2.99999, "-3"},
      {2.9999, "3"},      {1e40, "10000000000000000303786028427003666890752"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Token token(c.value);
    EXPECT_EQ(token.type, TokenType::Number);
    EXPECT_EQ(token.value, c.value);
    ASSERT_NE(token.text, nullptr);
    EXPECT_EQ(token.text, token.owned);
    EXPECT_EQ(std::string(token.text, static_cast<size_t>(token.length)), c.text);
    EXPECT_STREQ(token.String(), c.text);
  }
}

TEST(TokenNumber, IntValueRoundsHalfAwayFromZeroAndSaturates) {
  struct Case {
    double value;
    int32_t expect;
  };
  const Case cases[] = {
      {7.0, 7},
      {7.5, 8},
      {-7.5, -8},
      {2.4, 2},
      {-2.4, -2},
      {2.5, 3},
      {-2.5, -3},
      {1e10, std::numeric_limits<int32_t>::max()},
      {-1e10, std::numeric_limits<int32_t>::min()},
      {2147483647.4, std::numeric_limits<int32_t>::max()},
      {-2147483648.0, std::numeric_limits<int32_t>::min()},
      {std::numeric_limits<double>::quiet_NaN(), 0},
      {std::numeric_limits<double>::infinity(), std::numeric_limits<int32_t>::max()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    Token token;
    token.type = TokenType::Number;
    token.value = c.value;
    EXPECT_EQ(token.IntValue(), c.expect);
    if (!std::isnan(c.value)) {
      EXPECT_EQ(token.RealValue(), c.value);
    }
  }
}

TEST(TokenNumber, IsIntegerNeedsAnIntegralNumberInRange) {
  Token token;
  token.type = TokenType::Number;
  for (double v : {0.0, 5.0, -5.0, 2147483647.0, -2147483648.0}) {
    token.value = v;
    EXPECT_TRUE(token.IsInteger()) << v;
  }
  for (double v : {5.5, 2147483648.0, -2147483649.0, std::nan("")}) {
    token.value = v;
    EXPECT_FALSE(token.IsInteger()) << v;
  }
  token.type = TokenType::String;
  token.value = 5;
  EXPECT_FALSE(token.IsInteger());
}

TEST(TokenNumber, ConversionAndPrintingIgnoreTheProcessLocale) {
  const char* previous = setlocale(LC_ALL, nullptr);
  std::string saved = previous != nullptr ? previous : "C";
  const char* comma_locale = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
    if (setlocale(LC_ALL, name) != nullptr) {
      comma_locale = name;
      break;
    }
  }
  if (comma_locale == nullptr) {
    GTEST_SKIP() << "no locale with a decimal comma installed";
  }
  Token printed(0.5);
  std::string input = "0.5";
  const char* cursor = input.data();
  Token read;
  read.Next(&cursor, input.data() + input.size());
  setlocale(LC_ALL, saved.c_str());
  EXPECT_STREQ(printed.text, "0.5");
  EXPECT_EQ(read.value, 0.5);
}

TEST(TokenCopy, CopiesNeverShareAnOwnedText) {
  Token name("Type", TokenType::Name);
  EXPECT_EQ(name.text, name.owned);
  EXPECT_EQ(name.length, 4);
  EXPECT_EQ(name.value, 0.0);

  Token copy(name);
  EXPECT_NE(copy.owned, name.owned);
  EXPECT_EQ(copy.text, copy.owned);
  EXPECT_STREQ(copy.String(), "Type");

  Token assigned(2.5);
  assigned = name;
  EXPECT_NE(assigned.owned, name.owned);
  EXPECT_STREQ(assigned.text, "Type");
  EXPECT_EQ(assigned.type, TokenType::Name);
  assigned = assigned;  // self-assignment keeps the text
  EXPECT_STREQ(assigned.text, "Type");
}

TEST(TokenCopy, ACopyOfAReadTokenPointsIntoTheInput) {
  const std::string input = "/Pages";
  const char* cursor = input.data();
  Token token;
  ASSERT_TRUE(token.Next(&cursor, input.data() + input.size()));
  const char* text = token.String();  // the cached copy
  Token copy(token);
  EXPECT_EQ(copy.text, input.data() + 1);
  ASSERT_NE(copy.owned, nullptr);
  EXPECT_NE(copy.owned, text);
  EXPECT_STREQ(copy.owned, "Pages");
  EXPECT_EQ(token.String(), text) << "the copy is cached";
}

TEST(TokenQueries, KeywordTestsCompareWholeText) {
  Token endobj("endobj", TokenType::Keyword);
  EXPECT_TRUE(endobj.IsKeyword("endobj"));
  EXPECT_FALSE(endobj.IsKeyword("endob"));
  EXPECT_FALSE(endobj.IsKeyword("endobjx"));
  EXPECT_TRUE(endobj.IsKeywordType());
  EXPECT_FALSE(Token("endobj", TokenType::Name).IsKeyword("endobj"));

  EXPECT_TRUE(Token("true", TokenType::Keyword).IsTrue());
  EXPECT_TRUE(Token("true", TokenType::Keyword).IsBoolean());
  EXPECT_TRUE(Token("false", TokenType::Keyword).IsBoolean());
  EXPECT_FALSE(Token("false", TokenType::Keyword).IsTrue());
  EXPECT_FALSE(Token("null", TokenType::Keyword).IsBoolean());
  EXPECT_FALSE(Token("true", TokenType::String).IsBoolean());

  EXPECT_TRUE(Token("x", TokenType::Name).IsName());
  EXPECT_TRUE(Token("x", TokenType::String).IsString());
  EXPECT_TRUE(Token(1.0).IsNumber());
  EXPECT_FALSE(Token("1", TokenType::String).IsNumber());
}

TEST(TokenQueries, RangeTokensAndStreamDataAreNotCopied) {
  const char line[] = "%PDF-1.4 binary";
  Token range(line, line + 8, TokenType::String);
  EXPECT_EQ(range.text, line);
  EXPECT_EQ(range.length, 8);
  EXPECT_EQ(range.owned, nullptr);
  EXPECT_STREQ(range.String(), "%PDF-1.4");

  Token data(line, line + 5, TokenType::StreamData);
  EXPECT_TRUE(data.IsStreamData());
  EXPECT_STREQ(data.String(), "<tok_stream>");
  EXPECT_EQ(data.owned, nullptr);
}

TEST(FindLast, ReturnsTheLastWholeOccurrenceInsideTheRange) {
  const std::string text = "x%%EOFy%%EOFz";
  const char* lower = text.data();
  const char* upper = text.data() + text.size();
  EXPECT_EQ(FindLast("%%EOF", lower, upper), text.data() + 7);
  EXPECT_EQ(FindLast("%%EOF", lower, text.data() + 11), text.data() + 1) << "cut occurrence";
  EXPECT_EQ(FindLast("%%EOF", text.data() + 2, text.data() + 11), nullptr);
  EXPECT_EQ(FindLast("%%EOF", text.data() + 1, text.data() + 6), text.data() + 1) << "exact fit";
  EXPECT_EQ(FindLast("%%EOF", upper, lower), nullptr);
  EXPECT_EQ(FindLast("zz", lower, upper), nullptr);
}

}  // namespace
}  // namespace pdf

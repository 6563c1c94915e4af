#include "pdf/token.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/pdf/object_dump.h"
#include "tests/support/sink_capture.h"

namespace pdf {
namespace {

// Every token of `input` as "type:text" joined by " " (N name, # number, S string,
// K keyword, E eof comment, ? no token), read from a block of exactly the
// input's size so that a read past its end shows under the address sanitizer.
std::string Lex(const std::string& text, double* first_value = nullptr) {
  Input input(text);
  const char* cursor = input.begin();
  Token token;
  std::string dump;
  for (int guard = 0; guard < 100; ++guard) {
    bool produced = token.Next(&cursor, input.end());
    EXPECT_LE(cursor, input.end());
    if (!produced && token.type == TokenType::Eof) {
      break;
    }
    if (first_value != nullptr && guard == 0) {
      *first_value = token.value;
    }
    static const char kCodes[] = "E?N#S$K";
    dump += (dump.empty() ? "" : " ") + std::string(1, kCodes[static_cast<int>(token.type)]);
    if (produced) {
      dump += ":" + std::string(token.text, static_cast<size_t>(token.length));
    }
  }
  return dump;
}

TEST(TokenNext, CutsInputIntoTokensAndReportsEachFailure) {
  struct Case {
    std::string input;
    std::string tokens;
    std::vector<std::string> errors;
  };
  const Case cases[] = {
      {"(a(b)c) (a\\)b) ()", "S:a(b)c S:a\\)b S:", {}},
      {"<48656C6C6F>", "S:<48656C6C6F>", {}},
      {"<48 65>", "? #:65 ?", {"No '>' at end of hex string", "> - Unrecognized token\n"}},
      {"<ABC>", "S:<ABC>", {"Odd number of digits in hex string?"}},
      {"<<>>[]{}", "K:<< K:>> K:[ K:] K:{ K:}", {}},
      {"/Type/Pages /A#20B / 1", "N:Type N:Pages N:A#20B N: #:1", {}},
      {"-.5 1.2.3 +5 1-2", "#:-.5 #:1.2.3 #:+5 #:1 #:-2", {}},
      {"true endobj R Rp", "K:true K:endobj K:R K:Rp", {}},
      {"pdf", "? K:df", {"p - Unrecognized token\n"}},
      {"%%EOF\n1", "E:%%EOF #:1", {}},
      {"%%EOF2\n% comment\r5 %", "#:5", {}},
      {std::string("1\0 2", 4), "#:1 ? #:2", {" - Unrecognized token\n"}},
      {"a>b", "K:a ? K:b", {"> - Unrecognized token\n"}},
      {"\xff", "?", {"\xff - Unrecognized token\n"}},
      {"(abc", "?", {"EOF inside literal string"}},
      {"(", "?", {"EOF inside literal string"}},
      {"(ab\\", "?", {"Backslash at EOF"}},
      {"<", "?", {"'<' at EOF", "No '>' at end of hex string"}},
      {"<41", "?", {"No '>' at end of hex string"}},
      {"1e5", "#:1 K:e #:5", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    SinkCapture sinks;
    EXPECT_EQ(Lex(c.input), c.tokens);
    EXPECT_EQ(sinks.errors, c.errors);
  }
}

TEST(TokenNext, NumbersConvertOnlyTheirOwnBytes) {
  const std::pair<std::string, double> cases[] = {{"-.5", -0.5}, {"1.2.3", 1.2}, {"+5", 5.0},
                                                  {"1e5", 1.0},  {"-inf", 0.0},  {"007", 7.0}};
  for (const auto& [text, value] : cases) {
    double read = -99;
    Lex(text, &read);
    EXPECT_EQ(read, value) << text;
  }
}

TEST(TokenNumber, ProgramNumbersPrintWithFiveDecimalsAtMost) {
  const std::pair<double, const char*> cases[] = {
      {3, "3"},       {0.1, "0.1"},          {0.99999, "1"},
      {12.5, "12.5"}, {-0.000001, "-0"},     {0, "0"},
      {100, "100"},   {2.99999, "3"},        {-2.99999, "-3"},
      {2.9999, "3"},  {1.234567, "1.23457"}, {1e40, "10000000000000000303786028427003666890752"},
  };
  for (const auto& [value, text] : cases) {
    Token token(value);
    EXPECT_EQ(token.type, TokenType::Number);
    EXPECT_EQ(token.text, token.owned);
    EXPECT_EQ(std::string(token.text, static_cast<size_t>(token.length)), text) << value;
  }
}

TEST(TokenNumber, IntValueRoundsHalfAwayFromZeroAndSaturates) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  struct Case {
    double value;
    int32_t int_value;
    bool is_integer;
  };
  const Case cases[] = {
      {7.0, 7, true},
      {7.5, 8, false},
      {-7.5, -8, false},
      {2.4, 2, false},
      {-2.4, -2, false},
      {1e10, kMax, false},
      {-1e10, kMin, false},
      {2147483647.4, kMax, false},
      {-2147483648.0, kMin, true},
      {2147483648.0, kMax, false},
      {std::numeric_limits<double>::quiet_NaN(), 0, false},
  };
  for (const Case& c : cases) {
    Token token;
    token.type = TokenType::Number;
    token.value = c.value;
    EXPECT_EQ(token.IntValue(), c.int_value) << c.value;
    EXPECT_EQ(token.IsInteger(), c.is_integer) << c.value;
  }
  Token string("5", TokenType::String);
  string.value = 5;
  EXPECT_FALSE(string.IsInteger());
}

TEST(TokenNumber, ConversionAndPrintingIgnoreTheProcessLocale) {
  std::string saved = setlocale(LC_ALL, nullptr);
  if (setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr) {
    GTEST_SKIP() << "no locale with a decimal comma installed";
  }
  Token printed(0.5);
  double read = 0;
  Lex("0.5", &read);
  setlocale(LC_ALL, saved.c_str());
  EXPECT_STREQ(printed.text, "0.5");
  EXPECT_EQ(read, 0.5);
}

TEST(TokenCopy, CopiesNeverShareAnOwnedText) {
  Token name("Type", TokenType::Name);
  Token copy(name);
  EXPECT_NE(copy.owned, name.owned);
  EXPECT_EQ(copy.text, copy.owned);
  Token assigned(2.5);
  assigned = name;
  assigned = assigned;
  EXPECT_STREQ(assigned.text, "Type");
  EXPECT_NE(assigned.owned, name.owned);

  // A read token keeps pointing into the input; its cached copy is duplicated.
  Input input("/Pages");
  const char* cursor = input.begin();
  Token read;
  ASSERT_TRUE(read.Next(&cursor, input.end()));
  const char* cached = read.String();
  EXPECT_EQ(read.String(), cached);
  Token read_copy(read);
  EXPECT_EQ(read_copy.text, input.begin() + 1);
  EXPECT_NE(read_copy.owned, cached);
  EXPECT_STREQ(read_copy.owned, "Pages");
}

TEST(TokenQueries, TypeTestsAndTextForms) {
  EXPECT_TRUE(Token("endobj", TokenType::Keyword).IsKeyword("endobj"));
  EXPECT_FALSE(Token("endobj", TokenType::Keyword).IsKeyword("endob"));
  EXPECT_FALSE(Token("endobj", TokenType::Name).IsKeyword("endobj"));
  EXPECT_TRUE(Token("true", TokenType::Keyword).IsTrue());
  EXPECT_TRUE(Token("false", TokenType::Keyword).IsBoolean());
  EXPECT_FALSE(Token("false", TokenType::Keyword).IsTrue());
  EXPECT_FALSE(Token("true", TokenType::String).IsBoolean());

  const char line[] = "%PDF-1.4 binary";
  Token range(line, line + 8, TokenType::String);
  EXPECT_EQ(range.owned, nullptr);
  EXPECT_STREQ(range.String(), "%PDF-1.4");
  Token data(line, line + 5, TokenType::StreamData);
  EXPECT_STREQ(data.String(), "<tok_stream>");
  EXPECT_EQ(data.owned, nullptr);
}

TEST(FindLast, ReturnsTheLastWholeOccurrenceInsideTheRange) {
  const std::string text = "x%%EOFy%%EOFz";
  const char* at = text.data();
  EXPECT_EQ(FindLast("%%EOF", at, at + 13), at + 7);
  EXPECT_EQ(FindLast("%%EOF", at, at + 11), at + 1) << "the later one is cut off";
  EXPECT_EQ(FindLast("%%EOF", at + 1, at + 6), at + 1) << "exact fit";
  EXPECT_EQ(FindLast("%%EOF", at + 2, at + 11), nullptr);
  EXPECT_EQ(FindLast("%%EOF", at + 13, at), nullptr);
}

}  // namespace
}  // namespace pdf

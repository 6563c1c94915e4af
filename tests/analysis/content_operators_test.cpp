#include "analysis/content_operators.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string> Format(std::string_view text, size_t max_lines = kMaxOperatorLines) {
  return FormatContentOperators({reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                                max_lines);
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line + "\n";
  }
  return text;
}

struct Case {
  const char* name;
  std::string_view input;
  const char* expect;
};

const Case kCases[] = {
    {"nesting", "q 1 0 0 1 72 700 cm BT /F1 12 Tf (Hello) Tj ET Q",
     "q\n  1 0 0 1 72 700 cm\n  BT\n    /F1 12 Tf\n    (Hello) Tj\n  ET\nQ\n"},
    {"nested parens and escapes", "(a(b)c\\) \\\\ \\(d) Tj", "(a(b)c\\) \\\\ \\(d) Tj\n"},
    {"string line ends and bytes", "(x\ny\\\nz\x01\xff) Tj", "(x\\nyz\\001\\377) Tj\n"},
    {"hex string white space dropped", "<48 65\n6C6c 6F> Tj", "<48656C6c6F> Tj\n"},
    {"array", "[(A) -120 (B) 2.5] TJ", "[(A) -120 (B) 2.5] TJ\n"},
    {"nested array and dictionary", "/OC <</MCID 3 /A [1 [2]] /B <<>>>> BDC EMC",
     "/OC <</MCID 3 /A [1 [2]] /B <<>>>> BDC\nEMC\n"},
    {"comment dropped", "% a comment\n1 w % another (not a string\n0 0 m", "1 w\n0 0 m\n"},
    {"percent inside a string stays", "(50%) Tj", "(50%) Tj\n"},
    {"inline image", "q BI /W 2 /H 2 /CS /G /BPC 8 ID \x01\x02\x03\x04 EI Q",
     "q\n  BI /W 2 /H 2 /CS /G /BPC 8 ID ... EI (inline image, 4 bytes)\nQ\n"},
    {"inline image holding EI inside a run", "BI /W 1 ID aEIb EI 1 w",
     "BI /W 1 ID ... EI (inline image, 4 bytes)\n1 w\n"},
    {"inline image without EI", "BI /W 9 ID abcdef",
     "BI /W 9 ID ... (inline image, 6 bytes, no EI)\n"},
    {"unbalanced Q stays at the margin", "Q Q ET q 1 w Q Q 2 w", "Q\nQ\nET\nq\n  1 w\nQ\nQ\n2 w\n"},
    {"operands left at the end", "0 0 m 10 20", "0 0 m\n10 20\n"},
    {"true false null are operands", "true false null foo", "true false null foo\n"},
    {"name escapes", "/A#20B /C\x80 gs", "/A#20B /C#80 gs\n"},
    {"NUL separates tokens", std::string_view("1\0w", 3), "1 w\n"},
    {"stray closing delimiters kept", ") > ] x", ") >] x\n"},
    {"unterminated string", "(abc", "(abc)\n"},
    {"empty", "", ""},
};

TEST(ContentOperatorsTest, Table) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Joined(Format(c.input)), c.expect);
  }
}

TEST(ContentOperatorsTest, IndentStopsGrowingAtItsBound) {
  std::string text;
  for (int i = 0; i < kMaxOperatorIndent + 10; ++i) {
    text += "q ";
  }
  text += "1 w";
  const std::vector<std::string> lines = Format(text);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), std::string(2 * kMaxOperatorIndent, ' ') + "1 w");
}

TEST(ContentOperatorsTest, StopsAtTheLineCapAndSaysSo) {
  std::string text;
  for (int i = 0; i < 50; ++i) {
    text += "0 0 m\n";
  }
  const std::vector<std::string> lines = Format(text, /*max_lines=*/10);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[9], "0 0 m");
  EXPECT_EQ(lines[10], "... (stopped after 10 lines)");
}

TEST(ContentOperatorsTest, LongOperandRunIsCut) {
  std::string text;
  for (size_t i = 0; i < kMaxOperandText; ++i) {
    text += "1 ";
  }
  text += "re";
  const std::vector<std::string> lines = Format(text);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_LE(lines[0].size(), kMaxOperandText + 16);
  EXPECT_EQ(lines[0].substr(lines[0].size() - 7), " ... re");
}

}  // namespace

namespace {

// Whatever the bytes, every line is printable ASCII (a line of the pane) and
// the listing keeps to its cap.
TEST(ContentOperatorsTest, AnyBytesGivePrintableBoundedLines) {
  uint32_t state = 12345;
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    std::string data;
    const size_t size = 1 + round * 37 % 3000;
    for (size_t i = 0; i < size; ++i) {
      state = state * 1103515245u + 12345u;
      // Mostly syntax characters, so that strings, arrays and inline images occur.
      static constexpr char kSyntax[] = "()<>[]{}/%\\ \n\rqQBTEIDtrue0.5-";
      const uint8_t pick = static_cast<uint8_t>(state >> 16);
      data += pick < 200 ? kSyntax[pick % (sizeof kSyntax - 1)] : static_cast<char>(pick);
    }
    const std::vector<std::string> lines = Format(data, /*max_lines=*/50);
    EXPECT_LE(lines.size(), 51u);
    for (const std::string& line : lines) {
      for (char c : line) {
        ASSERT_TRUE(c >= 0x20 && c < 0x7F) << "byte " << static_cast<int>(static_cast<uint8_t>(c));
      }
    }
  }
}

}  // namespace

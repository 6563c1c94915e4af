#include "describe/text_string.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/document.h"
#include "pdf/object.h"

using namespace std::string_literals;

namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(TextString, DecodesEachEncodingToUtf8) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string utf8;
    bool is_text;
  };
  const Case cases[] = {
      {"empty", "", "", true},
      {"ASCII", "Quarterly figures", "Quarterly figures", true},
      {"tab, CR and LF are text", "a\tb\r\nc", "a\tb\r\nc", true},
      {"Latin-1 range", "caf\xE9 \xFF", "caf\xC3\xA9 \xC3\xBF", true},
      {"bullet, dagger, ellipsis", "\x80\x81\x83", "\xE2\x80\xA2\xE2\x80\xA0\xE2\x80\xA6", true},
      {"dashes and quotes", "\x84\x85\x8D\x8E", "\xE2\x80\x94\xE2\x80\x93\xE2\x80\x9C\xE2\x80\x9D",
       true},
      {"trade mark, fi and fl ligatures", "\x92\x93\x94", "\xE2\x84\xA2\xEF\xAC\x81\xEF\xAC\x82",
       true},
      {"zcaron and euro", "\x9E\xA0", "\xC5\xBE\xE2\x82\xAC", true},
      {"undefined codes", "\x9F\xAD", "\xEF\xBF\xBD\xEF\xBF\xBD", true},
      {"NUL is data", std::string("a\0b", 3), std::string("a\0b", 3), false},
      {"escape byte is data", "\x1B[0m", "\x1B[0m", false},
      {"DEL is data", "\x7F", "\x7F", false},
      {"UTF-16BE", "\xFE\xFF\x00Q\x00\xE4"s, "Q\xC3\xA4", true},
      {"UTF-16BE mark alone", "\xFE\xFF", "", true},
      {"surrogate pair", "\xFE\xFF\xD8\x3D\xDE\x00"s, "\xF0\x9F\x98\x80", true},
      {"odd length",
       "\xFE\xFF\x00"
       "A\x00"s,
       "A\xEF\xBF\xBD", true},
      {"lone high surrogate at the end",
       "\xFE\xFF\x00"
       "A\xD8\x00"s,
       "A\xEF\xBF\xBD", true},
      {"high surrogate then a letter",
       "\xFE\xFF\xD8\x00\x00"
       "B"s,
       "\xEF\xBF\xBD"
       "B",
       true},
      {"lone low surrogate", "\xFE\xFF\xDC\x00"s, "\xEF\xBF\xBD", true},
      {"high surrogate, odd byte", "\xFE\xFF\xD8\x3D\xDE", "\xEF\xBF\xBD\xEF\xBF\xBD", true},
      {"UTF-16 control character", "\xFE\xFF\x00\x01"s, "\x01", false},
      {"UTF-8 mark",
       "\xEF\xBB\xBF"
       "A\xC3\xA9",
       "A\xC3\xA9", true},
      {"UTF-8 four bytes", "\xEF\xBB\xBF\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", true},
      {"UTF-8 cut short",
       "\xEF\xBB\xBF"
       "A\xE2\x82",
       "A\xEF\xBF\xBD", true},
      {"UTF-8 stray continuation",
       "\xEF\xBB\xBF\x80"
       "A",
       "\xEF\xBF\xBD"
       "A",
       true},
      {"UTF-8 overlong", "\xEF\xBB\xBF\xC0\xAF", "\xEF\xBF\xBD", true},
      {"UTF-8 encoded surrogate", "\xEF\xBB\xBF\xED\xA0\x80", "\xEF\xBF\xBD", true},
      {"FE alone is PDFDocEncoding", "\xFE", "\xC3\xBE", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool is_text = !c.is_text;
    EXPECT_EQ(TextStringUtf8(Bytes(c.bytes), &is_text), c.utf8);
    EXPECT_EQ(is_text, c.is_text);
  }
}

TEST(TextString, EveryByteOfEveryLengthStaysInBounds) {
  // Each two-byte tail after either mark: nothing read past the end, and
  // every output is well-formed UTF-8 of at most four bytes per input byte.
  for (const std::string mark : {"\xFE\xFF", "\xEF\xBB\xBF", ""}) {
    for (int a = 0; a < 256; ++a) {
      for (int b : {0x00, 0x41, 0x80, 0xBF, 0xD8, 0xDC, 0xFF}) {
        std::vector<uint8_t> bytes = Bytes(mark);
        bytes.push_back(static_cast<uint8_t>(a));
        bytes.push_back(static_cast<uint8_t>(b));
        const std::string text = TextStringUtf8(bytes, nullptr);
        EXPECT_LE(text.size(), 4 * bytes.size());
        bool text_again = false;
        const std::vector<uint8_t> utf8(text.begin(), text.end());
        // Read back as UTF-8: valid UTF-8 reads as itself.
        std::vector<uint8_t> marked = Bytes("\xEF\xBB\xBF");
        marked.insert(marked.end(), utf8.begin(), utf8.end());
        EXPECT_EQ(TextStringUtf8(marked, &text_again), text) << a << " " << b;
      }
    }
  }
}

TEST(TextString, QuotedValueAndHexForData) {
  pdf::Document doc;
  struct Case {
    const char* written;
    std::string shown;
  };
  const Case cases[] = {
      {"(Quarterly figures)", "\"Quarterly figures\""},
      {"<51756172746572>", "\"Quarter\""},
      {"(caf\\351 \\(draft\\))", "\"caf\xC3\xA9 (draft)\""},
      {"<FEFF00440065>", "\"De\""},
      {"<00FF10>", "<00FF10> (3 bytes)"},
      {"(\\001)", "<01> (1 byte)"},
      {"()", "\"\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.written);
    const std::string written = c.written;
    pdf::Token token(written.data(), written.data() + written.size(), pdf::TokenType::String);
    // A literal token holds the text between the parentheses.
    if (written.front() == '(') {
      token = pdf::Token(written.data() + 1, written.data() + written.size() - 1,
                         pdf::TokenType::String);
    }
    EXPECT_EQ(QuotedStringValue(new pdf::Scalar(&doc, token)), c.shown);  // the document owns it
  }
}

}  // namespace

// Find over keys, values and decoded stream contents, as a user types it.
#include "describe/find.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "describe/open_mode.h"
#include "pdf/document.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/zlib_encoder.h"

namespace {

std::string FindDocument() {
  PdfBuilder pdf("%PDF-1.7\n");
  pdf.Object(1,
             "<< /Type /Catalog /Pages 2 0 R /OpenAction 4 0 R /Names << /JavaScript 5 0 R >> >>");
  pdf.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  pdf.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 6 0 R >>");
  pdf.Object(4, "<< /S /JavaScript /JS (app.alert\\('Hello'\\)) >>");
  pdf.Object(5, "<< /Names [(init) 4 0 R] >>");
  pdf.Stream(6, "/Filter /FlateDecode",
             Deflate(std::string("BT /F1 12 Tf 72 700 Td (Hello, World) Tj ET\n")));
  pdf.Finish("/Root 1 0 R");
  return pdf.Bytes();
}

std::vector<std::string> Search(pdf::Document& doc, const FindQuery& query) {
  FindMatcher matcher;
  std::string error;
  EXPECT_TRUE(matcher.Compile(query, &error)) << error;
  std::vector<std::string> hits;
  const std::vector<ListedObject> objects = ListObjects(doc);
  EXPECT_EQ(objects.size(), 6u);
  FindInObjects(
      doc, objects, matcher,
      [&](const FindHit& hit) {
        hits.push_back(std::to_string(hit.number) + " " + hit.path + " " + hit.where + " " +
                       hit.text);
      },
      nullptr, nullptr);
  return hits;
}

TEST(FindTest, KeysValuesAndContents) {
  const std::string bytes = FindDocument();
  for (pdf::Mode mode : {pdf::Mode::kClassic, pdf::Mode::kModern}) {
    pdf::Document doc;
    ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "find.pdf",
                               OpenOptionsFor(mode)));
    struct Case {
      FindQuery query;
      std::vector<std::string> hits;
    };
    const Case cases[] = {
        {{"/JavaScript"}, {"1 Names/JavaScript key /JavaScript", "4 S value /JavaScript"}},
        {{"javascript", false, /*match_case=*/true}, {}},
        {{"hello"}, {"4 JS value (app.alert\\('Hello'\\))"}},
        {{"hello", false, false, /*in_streams=*/true},
         {"4 JS value (app.alert\\('Hello'\\))",
          "6  contents BT /F1 12 Tf 72 700 Td (Hello, World) Tj ET "}},
        {{"4 0 R"}, {"1 OpenAction value 4 0 R", "5 Names/[1] value 4 0 R"}},
        {{"^/Pa(ge|rent)$", /*regex=*/true}, {"3 Type value /Page", "3 Parent key /Parent"}},
        {{"792"}, {"3 MediaBox/[3] value 792"}},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.query.text);
      EXPECT_EQ(Search(doc, c.query), c.hits);
    }
  }
}

TEST(FindTest, RefusesWhatCannotBeSearched) {
  FindMatcher matcher;
  std::string error;
  EXPECT_FALSE(matcher.Compile(FindQuery{""}, &error));
  EXPECT_EQ(error, "nothing to find");
  EXPECT_FALSE(matcher.Compile(FindQuery{"(unclosed", true}, &error));
  EXPECT_EQ(error.rfind("the regular expression does not compile", 0), 0u) << error;
}

// A regular expression over megabytes runs piece by piece: no stack
// exhaustion, and a match beyond the first piece is found.
TEST(FindTest, RegexOverALongText) {
  FindMatcher matcher;
  std::string error;
  ASSERT_TRUE(matcher.Compile(FindQuery{"x(ab)+y", true}, &error));
  std::string text(2u << 20, 'a');
  text.replace(1'500'000, 6, "xababy");
  size_t length = 0;
  EXPECT_EQ(matcher.Find(text, 0, &length), 1'500'000u);
  EXPECT_EQ(length, 6u);
}

// Any-case text against a plain lowered scan of every position: repeated
// letters, overlaps, matches at both ends, bytes above 0x7F and a needle
// longer than the text.
TEST(FindTest, AnyCaseFindsWhatAScanFinds) {
  const std::string text =
      "aAaBaab\xC3\xA9"
      "AAB xx(Page 2000)(PAGE 20000)Tail tAIL";
  auto lowered = [](std::string s) {
    for (char& c : s) {
      c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return s;
  };
  const std::string low = lowered(text);
  const std::vector<std::string> needles = {"a",
                                            "aab",
                                            "AAB",
                                            "aa",
                                            "b",
                                            "\xC3\xA9"
                                            "a",
                                            "(page 20000)",
                                            "tail",
                                            "l",
                                            text + "x",
                                            "zz"};
  for (const std::string& needle : needles) {
    SCOPED_TRACE(needle);
    FindMatcher matcher;
    std::string error;
    ASSERT_TRUE(matcher.Compile(FindQuery{needle}, &error));
    const std::string want = lowered(needle);
    for (size_t from = 0; from <= text.size() + 1; ++from) {
      size_t length = 0;
      const size_t expected = from > text.size() ? std::string::npos : low.find(want, from);
      ASSERT_EQ(matcher.Find(text, from, &length), expected) << "from " << from;
    }
  }
}

}  // namespace

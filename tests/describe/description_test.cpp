#include "describe/description.h"

#include <gtest/gtest.h>

#include <clocale>
#include <list>
#include <string>

#include "pdf/document.h"
#include "pdf/object.h"
#include "tests/support/sink_capture.h"
#include "tests/support/zlib_encoder.h"

namespace {

class DescriptionTest : public SinkTest {
 protected:
  pdf::Object* Name(const char* text) { return new pdf::Scalar(&doc_, text, pdf::TokenType::Name); }
  pdf::Object* Number(double value) { return new pdf::Scalar(&doc_, value); }
  pdf::Dictionary* Stream(const std::string& raw) {
    data_.push_back(raw);
    const std::string& kept = data_.back();
    auto* stream = new pdf::Dictionary(&doc_);
    stream->data = pdf::Token(kept.data(), kept.data() + kept.size(), pdf::TokenType::StreamData);
    return stream;
  }

  pdf::Document doc_;
  std::list<std::string> data_;
};

TEST_F(DescriptionTest, Scalars) {
  auto* dict = new pdf::Dictionary(&doc_);
  dict->Set("A", Number(1));
  dict->Set("B", Number(2));
  dict->Set("C", Number(3));
  auto* array = new pdf::Array(&doc_);
  array->Append(Number(1));
  struct Case {
    const char* name;
    pdf::Object* object;
    std::string expect;
  };
  const Case cases[] = {
      {"dictionary", dict, "dictionary, 3 entries"},
      {"empty dictionary", new pdf::Dictionary(&doc_), "dictionary, 0 entries"},
      {"null", doc_.null_object, "null"},
      {"half", Number(0.5), "number: 0.5"},
      {"integer", Number(612), "number: 612"},
      {"boolean", new pdf::Scalar(&doc_, "true", pdf::TokenType::Keyword), "boolean"},
      {"name", Name("Catalog"), "name: Catalog"},
      {"string", new pdf::Scalar(&doc_, "%PDF-1.4", pdf::TokenType::String), "string: %PDF-1.4"},
      {"array", array, "array [1]"},
      {"nothing selected", nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DescribeObject(c.object), c.expect);
  }
}

TEST_F(DescriptionTest, NumbersIgnoreTheLocale) {
  std::string previous = setlocale(LC_NUMERIC, nullptr);
  setlocale(LC_NUMERIC, "de_DE.UTF-8");  // may not exist; the check holds either way
  EXPECT_EQ(DescribeObject(Number(0.5)), "number: 0.5");
  setlocale(LC_NUMERIC, previous.c_str());
}

TEST_F(DescriptionTest, StreamListsEntriesThenDecodedContents) {
  const std::string text = "BT /F1 24 Tf 72 712 Td (Hello) Tj ET";
  const std::string packed = Deflate(text);
  pdf::Dictionary* stream = Stream(packed);
  stream->Set("Length", Number(74));
  stream->Set("Filter", Name("FlateDecode"));
  EXPECT_EQ(DescribeObject(stream), "stream\n  Length=74\n  Filter=FlateDecode\n\n" + text);
}

TEST_F(DescriptionTest, StreamEntryValues) {
  pdf::Dictionary* stream = Stream("abc");
  auto* box = new pdf::Array(&doc_);
  box->Append(Number(0));
  box->Append(Number(1));
  stream->Set("Box", box);
  stream->Set("Parms", new pdf::Dictionary(&doc_));
  stream->Set("Inner", Stream("x"));
  stream->Set("Missing", doc_.null_object);
  EXPECT_EQ(DescribeObject(stream),
            "stream\n  Box=array [0, 1]\n  Parms=<dict>\n  Inner=<stream>\n  Missing=null\n\nabc");
}

TEST_F(DescriptionTest, ContentsThatDoNotFitAreLeftOut) {
  EXPECT_EQ(DescribeObject(Stream(std::string(4095, 'a'))), "stream\n\n" + std::string(4095, 'a'));
  EXPECT_EQ(DescribeObject(Stream(std::string(4096, 'a'))), "stream\n\n");
}

TEST_F(DescriptionTest, ContentsEndAtTheirFirstZeroByte) {
  EXPECT_EQ(DescribeObject(Stream(std::string("ab\0cd", 5))), "stream\n\nab");
}

TEST_F(DescriptionTest, ImageStreamShowsEntriesOnly) {
  pdf::Dictionary* image = Stream("\xff\x00\xff");
  image->Set("Subtype", Name("Image"));
  EXPECT_TRUE(IsImageStream(image));
  EXPECT_EQ(DescribeObject(image), "stream\n  Subtype=Image\n\n");
  pdf::Dictionary* form = Stream("q Q");
  form->Set("Subtype", Name("image"));
  EXPECT_FALSE(IsImageStream(form));
  EXPECT_FALSE(IsImageStream(new pdf::Dictionary(&doc_)));
}

TEST_F(DescriptionTest, UnsupportedFilterShowsNoContents) {
  pdf::Dictionary* stream = Stream("data");
  stream->Set("Filter", Name("RunLengthDecode"));
  EXPECT_EQ(DescribeObject(stream), "stream\n  Filter=RunLengthDecode\n\n");
  EXPECT_TRUE(sinks.errors.empty());
}

}  // namespace

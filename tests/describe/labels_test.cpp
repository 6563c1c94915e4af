#include "describe/labels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/document.h"
#include "pdf/object.h"

namespace {

class LabelsTest : public ::testing::Test {
 protected:
  pdf::Object* Name(const char* text) { return new pdf::Scalar(&doc_, text, pdf::TokenType::Name); }
  pdf::Object* String(const std::string& text) {
    return new pdf::Scalar(&doc_, text.c_str(), pdf::TokenType::String);
  }
  pdf::Object* Number(double value) { return new pdf::Scalar(&doc_, value); }
  pdf::Object* Keyword(const char* text) {
    return new pdf::Scalar(&doc_, text, pdf::TokenType::Keyword);
  }
  pdf::Array* Numbers(int count) {
    auto* array = new pdf::Array(&doc_);
    for (int i = 0; i < count; ++i) {
      array->Append(Number(i));
    }
    return array;
  }
  std::vector<std::string> Labels(pdf::Object* object) {
    std::vector<std::string> labels;
    for (const TreeItem& item : ChildItems(object)) {
      labels.push_back(item.label);
    }
    return labels;
  }

  pdf::Document doc_;
};

TEST_F(LabelsTest, DescribeArray) {
  auto* box = new pdf::Array(&doc_);
  for (double v : {0.0, 0.0, 612.0, 792.0}) {
    box->Append(Number(v));
  }
  auto* mixed = new pdf::Array(&doc_);
  mixed->Append(Name("DeviceRGB"));
  mixed->Append(Keyword("true"));
  mixed->Append(Number(0.5));
  auto* with_dict = new pdf::Array(&doc_);
  with_dict->Append(new pdf::Dictionary(&doc_));
  struct Case {
    const char* name;
    pdf::Object* array;
    std::string expect;
  };
  const Case cases[] = {
      {"media box", box, "array [0, 0, 612, 792]"},
      {"names, booleans, numbers", mixed, "array [DeviceRGB, true, 0.5]"},
      {"empty", new pdf::Array(&doc_), "array []"},
      {"sixteen numbers listed", Numbers(16),
       "array [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15]"},
      {"seventeen numbers summarised", Numbers(17), "array"},
      {"a dictionary item", with_dict, "array"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DescribeArray(c.array), c.expect);
  }
}

TEST_F(LabelsTest, DictionaryChildLabels) {
  auto* dict = new pdf::Dictionary(&doc_);
  dict->Set("Type", Name("Catalog"));
  dict->Set("Count", Number(3));
  dict->Set("Open", Keyword("true"));
  auto* kids = new pdf::Array(&doc_);
  kids->Append(new pdf::Dictionary(&doc_));
  dict->Set("Kids", kids);
  auto* box = new pdf::Array(&doc_);
  for (double v : {0.0, 0.0, 612.0, 792.0}) {
    box->Append(Number(v));
  }
  dict->Set("MediaBox", box);
  auto* resources = new pdf::Dictionary(&doc_);
  resources->Set("ProcSet", Name("PDF"));
  dict->Set("Resources", resources);
  auto* contents = new pdf::Dictionary(&doc_);
  static const char kData[] = "q Q";
  contents->data = pdf::Token(kData, kData + 3, pdf::TokenType::StreamData);
  dict->Set("Contents", contents);
  dict->Set("Short", String(std::string(127, 's')));
  dict->Set("Long", String(std::string(128, 'l')));
  dict->Set("Nothing", doc_.null_object);

  const std::vector<std::string> expect = {
      "Type= Catalog",
      "Count= 3",
      "Open= true",
      "Kids= array",
      "MediaBox= array [0, 0, 612, 792]",
      "Resources= <<...>>",
      "Contents",
      "Short= \"" + std::string(127, 's') + "\"",
      "Long",
      "Nothing",
  };
  EXPECT_EQ(Labels(dict), expect);

  std::vector<TreeItem> items = ChildItems(dict);
  EXPECT_EQ(items[0].key, "Type");
  EXPECT_EQ(items[0].child_count, -1);
  EXPECT_EQ(items[3].child_count, 1);   // Kids: one item
  EXPECT_EQ(items[5].child_count, 1);   // Resources: one entry
  EXPECT_EQ(items[6].child_count, 0);   // a stream value announces its entries
  EXPECT_EQ(items[9].child_count, -1);  // the null object
}

TEST_F(LabelsTest, ArrayChildLabels) {
  auto* array = new pdf::Array(&doc_);
  array->Append(Name("Indexed"));
  array->Append(Number(255));
  array->Append(String("abc"));
  array->Append(Numbers(2));
  auto* dict = new pdf::Dictionary(&doc_);
  dict->Set("A", Number(1));
  array->Append(dict);
  auto* stream = new pdf::Dictionary(&doc_);
  static const char kData[] = "xyz";
  stream->data = pdf::Token(kData, kData + 3, pdf::TokenType::StreamData);
  stream->Set("Length", Number(3));
  array->Append(stream);

  const std::vector<std::string> expect = {"[0]= Indexed", "[1]= 255", "[2]= \"abc\"",
                                           "[3]",          "[4]",      "[5]"};
  EXPECT_EQ(Labels(array), expect);
  std::vector<TreeItem> items = ChildItems(array);
  EXPECT_EQ(items[3].child_count, 2);
  EXPECT_EQ(items[4].child_count, 1);
  // A stream element cannot be expanded, though it has entries.
  EXPECT_EQ(items[5].child_count, -1);
  EXPECT_FALSE(items[5].Expandable());
  EXPECT_EQ(items[2].key, "[2]");
}

TEST_F(LabelsTest, ScalarsHaveNoChildren) {
  EXPECT_TRUE(ChildItems(Number(1)).empty());
  EXPECT_TRUE(ChildItems(doc_.null_object).empty());
  EXPECT_EQ(AnnouncedChildCount(new pdf::Dictionary(&doc_)), 0);
  EXPECT_EQ(AnnouncedChildCount(Name("X")), -1);
}

}  // namespace

// Reading the file structure: header, end marker, startxref and the chain of
// cross-reference sections.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "pdf/document.h"
#include "tests/pdf/object_dump.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/sink_capture.h"

namespace pdf {
namespace {

class ReadTest : public SinkTest {
 protected:
  bool Read(const std::string& bytes) {
    sinks.Clear();
    doc.Reset();
    input_ = std::make_unique<Input>(bytes);
    return doc.ReadFileStructure(input_->begin(), input_->end());
  }
  // Section offsets, newest first.
  std::vector<int> Chain() {
    std::vector<int> offsets;
    for (XRefTable* t = doc.xref; t != nullptr && offsets.size() < 10; t = t->prev) {
      offsets.push_back(t->section_offset);
    }
    return offsets;
  }
  Document doc;
  std::unique_ptr<Input> input_;
};

std::string SimpleFile(std::string_view header = "%PDF-1.4\n") {
  PdfBuilder b(header);
  b.Object(1, "<< /Type /Catalog >>");
  b.Finish("/Root 1 0 R");
  return b.Bytes();
}

// An object, then `section` as written, startxref naming it, and the marker.
std::string FileWithSection(const std::string& section) {
  std::string bytes = "%PDF-1.4\n1 0 obj\n1\nendobj\n";
  return bytes + section + "\nstartxref\n" + std::to_string(bytes.size()) + "\n%%EOF\n";
}

TEST_F(ReadTest, HeaderMustStandAtByteZero) {
  struct Case {
    std::string header;
    int major;  // -1: refused
    int minor;
  };
  const Case cases[] = {
      {"%PDF-1.4\n", 1, 4},    {"%PDF-2.0\r", 2, 0},   {"%PDF- 1. 7\n", 1, 7},
      {"\n%PDF-1.4\n", -1, 0}, {" %PDF-1.4\n", -1, 0}, {"\xEF\xBB\xBF%PDF-1.4\n", -1, 0},
      {"%PDF-1\n", -1, 0},     {"%pdf-1.4\n", -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    EXPECT_EQ(Read(SimpleFile(c.header)), c.major >= 0);
    if (c.major >= 0) {
      EXPECT_TRUE(sinks.errors.empty());
      EXPECT_EQ(doc.version_major * 10 + doc.version_minor, c.major * 10 + c.minor);
    } else {
      EXPECT_EQ(sinks.errors, std::vector<std::string>{"First line is not %PDF-nn.nn"});
      EXPECT_EQ(doc.end, doc.begin);
      EXPECT_STREQ(doc.header_object->Text(), "<no header>");
    }
  }
  ASSERT_TRUE(Read(SimpleFile("%PDF-1.4 \xe2\xe3\xcf\xd3\r\n")));
  EXPECT_STREQ(doc.header_object->Text(), "%PDF-1.4 \xe2\xe3\xcf\xd3");
  EXPECT_EQ(sinks.traces[0], "SOF marker found: PDF 1.4");
}

TEST_F(ReadTest, StructureErrors) {
  const std::string file = SimpleFile();  // ends "%%EOF\n"
  const std::string obj = "%PDF-1.4\n1 0 obj\n1\nendobj\n";
  struct Case {
    std::string bytes;  // read from a block of exactly this size
    std::vector<std::string> errors;
  };
  const Case cases[] = {
      {"%PDF-1.", {"First line is not %PDF-nn.nn"}},
      {"%PDF-1.7", {"%%EOF not found in last 1024 bytes of file"}},
      {"%PDF-1.7\nstartxref\n12%%EOF", {"Expected 'xref' at rtxref"}},
      {file + std::string(1018, 'x'), {}},  // the marker starts 1024 bytes before the end
      {file + std::string(1024, 'x'), {"%%EOF not found in last 1024 bytes of file"}},
      {file + "%%EOF", {}},
      {file + std::string(40, ' ') + "%%EOF", {"startxref not found?"}},
      {obj + "startxref\n9\n%%EOF\n", {"Expected 'xref' at 1"}},
      {obj + "startxref\n999999\n%%EOF\n", {"Expected 'xref' at "}},
      {obj + "startxref\n-5\n%%EOF\n", {"Expected 'xref' at "}},
      {obj + "startxref\n99999999999999\n%%EOF\n", {"Expected 'xref' at "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes.substr(0, 40));
    EXPECT_EQ(Read(c.bytes), c.errors.empty());
    EXPECT_EQ(sinks.errors, c.errors);
  }
  ASSERT_TRUE(Read(file + "%%EOF"));
  EXPECT_EQ(doc.end, input_->end()) << "the later marker ends the parse range";
}

TEST_F(ReadTest, SectionSyntaxErrors) {
  const std::string head = "xref\n0 2\n0000000000 65535 f \n";
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {head + "000000009 00000 n \ntrailer\n<< >>", {"Expected 10-digit byte offset"}},
      {head + "0000000009 0 n \ntrailer\n<< >>", {"Expected 5-digit number"}},
      {head + "0000000009 00000 x \ntrailer\n<< >>", {"Expected 'f' or 'n'"}},
      {head + "/Offset 00000 n \ntrailer\n<< >>", {"Expected integer"}},
      {"xref\n0.5 1\n0000000000 65535 f \ntrailer\n<< >>", {"Expected integer"}},
      {"xref\n0 trailer\n<< >>", {"Expected integer"}},
      {"xref\n0 1\n0000000000 65535 f \ntrailer\n[ ]",
       {"trailer not found", "trailer dict parse", "trailer not found"}},
      {"xref\n0 1\n0000000000 65535 f \n5 1\n0000000009 00000 n \ntrailer\n<< >>",
       {"trailer not found"}},
  };
  for (const auto& [section, errors] : cases) {
    SCOPED_TRACE(section);
    EXPECT_FALSE(Read(FileWithSection(section)));
    EXPECT_EQ(sinks.errors, errors);
  }

  const std::string empty = "xref\n5 0\ntrailer\n<< /Size 6 >>";
  const std::string file = FileWithSection(empty);
  ASSERT_TRUE(Read(file));
  EXPECT_EQ(doc.xref->text_start, input_->begin() + file.find("xref"));
  EXPECT_EQ(doc.xref->text_length, static_cast<int>(empty.find("trailer")));
  EXPECT_EQ(doc.xref->first, 5);
  EXPECT_EQ(doc.xref->EntryCount(), 1) << "entry 0 now stands for object 5";
  EXPECT_EQ(doc.xref->entries[0].generation, 65535);
}

TEST_F(ReadTest, IncrementalUpdatesChainThroughPrev) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog >>");
  int first = static_cast<int>(b.Finish("/Root 1 0 R"));
  b.StartUpdate();
  b.Object(2, "(update)");
  int second = static_cast<int>(b.Finish("/Root 1 0 R"));
  ASSERT_TRUE(Read(b.Bytes()));
  EXPECT_EQ(Chain(), (std::vector<int>{second, first}));
  EXPECT_EQ(doc.xref->first, 2);
  EXPECT_EQ(std::count(sinks.traces.begin(), sinks.traces.end(),
                       "ParseXrefTable(" + std::to_string(first) + ")"),
            1);
}

TEST_F(ReadTest, PrevChainEndsAtBadOrRepeatedSections) {
  // Sections of 64 bytes each after the 9-byte header; "@i" names section i.
  struct Case {
    std::vector<std::string> trailers;  // the last section is the newest
    std::vector<int> chain;             // section indexes, newest first
    std::vector<std::string> errors;
  };
  const Case cases[] = {
      {{"", "/Prev (0)"}, {1}, {}},           {{"/Prev @0"}, {0}, {}},
      {{"/Prev @1", "/Prev @0"}, {1, 0}, {}}, {{"/Prev 1"}, {0}, {"Expected 'xref' at PDF"}},
      {{"none", "/Prev @0"}, {1, 0}, {}},
  };
  for (const Case& c : cases) {
    std::string bytes = "%PDF-1.4\n";
    auto offset_of = [](size_t i) { return std::to_string(9 + 64 * i); };
    for (std::string trailer : c.trailers) {
      size_t at = trailer.find('@');
      if (at != std::string::npos) {
        trailer = trailer.substr(0, at) + offset_of(std::stoul(trailer.substr(at + 1)));
      }
      std::string section = "xref\n0 1\n0000000000 65535 f \n";
      section += trailer == "none" ? "" : "trailer << " + trailer + " >>";
      section.resize(64, ' ');
      bytes += section;
    }
    bytes += "startxref\n" + offset_of(c.trailers.size() - 1) + "\n%%EOF\n";
    SCOPED_TRACE(bytes);
    EXPECT_TRUE(Read(bytes));
    std::vector<int> chain;
    for (int offset : Chain()) {
      chain.push_back((offset - 9) / 64);
    }
    EXPECT_EQ(chain, c.chain);
    EXPECT_EQ(sinks.errors, c.errors);
  }
}

TEST_F(ReadTest, VeryLongPrevChainIsReadWithoutRecursion) {
  constexpr int kSections = 100000;
  std::string bytes = "%PDF-1.4\n";
  size_t previous = 0;
  for (int i = 0; i < kSections; ++i) {
    size_t offset = bytes.size();
    bytes += "xref\n0 1\n0000000000 65535 f \ntrailer\n<<";
    bytes += (i > 0 ? " /Prev " + std::to_string(previous) : "") + " >>\n";
    previous = offset;
  }
  bytes += "startxref\n" + std::to_string(previous) + "\n%%EOF\n";
  g_trace_sink = DiscardLine;  // a hundred thousand progress lines are not the point
  ASSERT_TRUE(Read(bytes));
  int length = 0;
  for (XRefTable* t = doc.xref; t != nullptr; t = t->prev) {
    ++length;
  }
  EXPECT_EQ(length, kSections);
}

}  // namespace
}  // namespace pdf

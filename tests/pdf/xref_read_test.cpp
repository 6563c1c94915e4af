// Reading the file structure: header, end marker, startxref and the chain of
// cross-reference sections.
#include <gtest/gtest.h>

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
    input_ = std::make_unique<Input>(bytes);
    return doc.ReadFileStructure(input_->begin(), input_->end());
  }
  // One line per section, newest first: "offset: first count trailer".
  std::string Chain() {
    std::string out;
    int guard = 0;
    for (XRefTable* t = doc.xref; t != nullptr && guard < 10; t = t->prev, ++guard) {
      out += std::to_string(t->section_offset) + ": " + std::to_string(t->first) + " " +
             std::to_string(t->EntryCount()) + (t->trailer != nullptr ? " trailer" : " -") + "\n";
    }
    return out;
  }
  std::string HeaderText() { return doc.header_object->Text(); }
  Document doc;
  std::unique_ptr<Input> input_;
};

std::string SimpleFile(std::string_view header = "%PDF-1.4\n") {
  PdfBuilder b(header);
  b.Object(1, "<< /Type /Catalog >>");
  b.Finish("/Root 1 0 R");
  return b.Bytes();
}

// A section written by hand: the entry lines are given as they are.
std::string FileWithSection(const std::string& section) {
  std::string bytes = "%PDF-1.4\n1 0 obj\n1\nendobj\n";
  size_t offset = bytes.size();
  return bytes + section + "\nstartxref\n" + std::to_string(offset) + "\n%%EOF\n";
}

TEST_F(ReadTest, HeaderMustStandAtByteZero) {
  struct Case {
    const char* name;
    std::string header;
    bool ok;
    int major;
    int minor;
  };
  const Case cases[] = {
      {"1.4", "%PDF-1.4\n", true, 1, 4},
      {"2.0 with CR", "%PDF-2.0\r", true, 2, 0},
      {"blanks before the numbers", "%PDF- 1. 7\n", true, 1, 7},
      {"blank line first", "\n%PDF-1.4\n", false, 0, 0},
      {"space first", " %PDF-1.4\n", false, 0, 0},
      {"byte-order mark", "\xEF\xBB\xBF%PDF-1.4\n", false, 0, 0},
      {"no minor", "%PDF-1\n", false, 0, 0},
      {"letters", "%PDF-x.y\n", false, 0, 0},
      {"lower case", "%pdf-1.4\n", false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    doc.Reset();
    EXPECT_EQ(Read(SimpleFile(c.header)), c.ok);
    if (c.ok) {
      EXPECT_TRUE(sinks.errors.empty());
      EXPECT_EQ(doc.version_major, c.major);
      EXPECT_EQ(doc.version_minor, c.minor);
    } else {
      EXPECT_EQ(sinks.errors, std::vector<std::string>{"First line is not %PDF-nn.nn"});
      EXPECT_EQ(doc.end, doc.begin);
      EXPECT_EQ(HeaderText(), "<no header>");
    }
  }
}

TEST_F(ReadTest, HeaderAndNumbersAreReadWithinTheBytes) {
  // Exactly sized inputs: a scan past the end shows under the address sanitizer.
  EXPECT_FALSE(Read("%PDF-1."));
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"First line is not %PDF-nn.nn"});
  sinks.Clear();
  doc.Reset();
  EXPECT_FALSE(Read("%PDF-1.7"));
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"%%EOF not found in last 1024 bytes of file"});
  sinks.Clear();
  doc.Reset();
  EXPECT_FALSE(Read("%PDF-1.7\nstartxref\n12%%EOF"));
  // startxref's number runs into the marker at the very end of the bytes.
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"Expected 'xref' at rtxref"});
}

TEST_F(ReadTest, HeaderObjectHoldsTheFirstLine) {
  ASSERT_TRUE(Read(SimpleFile("%PDF-1.4 \xe2\xe3\xcf\xd3\r\n")));
  EXPECT_EQ(HeaderText(), "%PDF-1.4 \xe2\xe3\xcf\xd3");
  EXPECT_TRUE(doc.header_object->IsString());
  EXPECT_EQ(sinks.traces[0], "SOF marker found: PDF 1.4");
}

TEST_F(ReadTest, EndMarkerMustStartInTheLast1024Bytes) {
  const std::string file = SimpleFile();  // ends "%%EOF\n"
  // Marker start = size - 6 - padding.
  EXPECT_TRUE(Read(file + std::string(1018, 'x')));
  EXPECT_TRUE(sinks.errors.empty());
  sinks.Clear();
  doc.Reset();
  EXPECT_FALSE(Read(file + std::string(1024, 'x')));
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"%%EOF not found in last 1024 bytes of file"});
}

TEST_F(ReadTest, LastMarkerWinsAndStartxrefMustBeJustBeforeIt) {
  const std::string file = SimpleFile();
  ASSERT_TRUE(Read(file + "%%EOF"));
  EXPECT_EQ(doc.end, input_->end());
  EXPECT_NE(std::find(sinks.traces.begin(), sinks.traces.end(),
                      "EOF marker found at " + std::to_string(file.size())),
            sinks.traces.end());
  sinks.Clear();
  doc.Reset();
  EXPECT_FALSE(Read(file + std::string(40, ' ') + "%%EOF"));
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"startxref not found?"});
}

TEST_F(ReadTest, SectionSyntaxErrorsFailTheRead) {
  const std::string good = "0000000009 00000 n ";
  struct Case {
    const char* name;
    std::string section;
    std::vector<std::string> errors;
  };
  const Case cases[] = {
      {"nine-digit offset",
       "xref\n0 2\n0000000000 65535 f \n000000009 00000 n \ntrailer\n<< >>",
       {"Expected 10-digit byte offset"}},
      {"one-digit generation",
       "xref\n0 2\n0000000000 65535 f \n0000000009 0 n \ntrailer\n<< >>",
       {"Expected 5-digit number"}},
      {"type x",
       "xref\n0 2\n0000000000 65535 f \n0000000009 00000 x \ntrailer\n<< >>",
       {"Expected 'f' or 'n'"}},
      {"type nn",
       "xref\n0 2\n0000000000 65535 f \n0000000009 00000 nn\ntrailer\n<< >>",
       {"Expected 'f' or 'n'"}},
      {"offset not a number",
       "xref\n0 2\n0000000000 65535 f \n/Offset 00000 n \ntrailer\n<< >>",
       {"Expected integer"}},
      {"first not an integer", "xref\n0.5 1\n" + good + "\ntrailer\n<< >>", {"Expected integer"}},
      {"count missing", "xref\n0 trailer\n<< >>", {"Expected integer"}},
      {"trailer without <<",
       "xref\n0 1\n0000000000 65535 f \ntrailer\n[ ]",
       {"trailer not found", "trailer dict parse", "trailer not found"}},
      {"two subsections",
       "xref\n0 1\n0000000000 65535 f \n5 1\n" + good + "\ntrailer\n<< >>",
       {"trailer not found"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    doc.Reset();
    EXPECT_FALSE(Read(FileWithSection(c.section)));
    EXPECT_EQ(sinks.errors, c.errors);
  }
}

TEST_F(ReadTest, StartxrefMustNameASection) {
  struct Case {
    const char* name;
    std::string offset;
    std::string error;
  };
  const Case cases[] = {
      {"an object", "9", "Expected 'xref' at 1"},
      {"past the end", "999999", "Expected 'xref' at "},
      {"negative", "-5", "Expected 'xref' at "},
      {"huge", "99999999999999", "Expected 'xref' at "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    doc.Reset();
    std::string file = "%PDF-1.4\n1 0 obj\n1\nendobj\nstartxref\n" + c.offset + "\n%%EOF\n";
    EXPECT_FALSE(Read(file));
    EXPECT_EQ(sinks.errors, std::vector<std::string>{c.error});
  }
}

TEST_F(ReadTest, SectionTextAndEmptySection) {
  std::string section = "xref\n5 0\ntrailer\n<< /Size 6 >>";
  std::string file = FileWithSection(section);
  ASSERT_TRUE(Read(file));
  XRefTable* table = doc.xref;
  EXPECT_EQ(table->text_start, input_->begin() + file.find("xref"));
  EXPECT_EQ(table->text_length, static_cast<int>(section.find("trailer")));
  EXPECT_EQ(table->first, 5);
  EXPECT_EQ(table->EntryCount(), 1);
  EXPECT_EQ(table->entries[0].type, 'f');
  EXPECT_EQ(table->entries[0].generation, 65535);
  EXPECT_EQ(Dump(table->trailer), "<< /Size 6 >>");
}

TEST_F(ReadTest, IncrementalUpdatesChainThroughPrev) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog >>");
  size_t first = b.Finish("/Root 1 0 R");
  b.StartUpdate();
  b.Object(2, "(update)");
  size_t second = b.Finish("/Root 1 0 R");
  b.StartUpdate();
  b.Object(3, "(again)");
  size_t third = b.Finish("/Root 1 0 R");
  ASSERT_TRUE(Read(b.Bytes()));
  EXPECT_EQ(Chain(), std::to_string(third) + ": 3 1 trailer\n" + std::to_string(second) +
                         ": 2 1 trailer\n" + std::to_string(first) + ": 0 2 trailer\n");
  std::vector<std::string> parses;
  for (const std::string& line : sinks.traces) {
    if (line.rfind("ParseXrefTable(", 0) == 0) {
      parses.push_back(line);
    }
  }
  EXPECT_EQ(parses, (std::vector<std::string>{"ParseXrefTable(" + std::to_string(third) + ")",
                                              "ParseXrefTable(" + std::to_string(second) + ")",
                                              "ParseXrefTable(" + std::to_string(first) + ")"}));
  EXPECT_TRUE(sinks.errors.empty());
}

TEST_F(ReadTest, PrevChainEndsAtBadOrRepeatedSections) {
  const std::string entry0 = "xref\n0 1\n0000000000 65535 f \n";
  struct Case {
    const char* name;
    std::vector<std::string> prevs;  // trailer entries of sections 0, 1, ...; the last is newest
    std::string chain;               // section indexes, newest first
    std::vector<std::string> errors;
  };
  const Case cases[] = {
      {"prev is a string", {"", "/Prev (0)"}, "1", {}},
      {"prev to itself", {"/Prev @0"}, "0", {}},
      {"loop of two", {"/Prev @1", "/Prev @0"}, "1 0", {}},
      {"prev at garbage", {"/Prev 1"}, "0", {"Expected 'xref' at PDF"}},
      {"prev at a section without trailer", {"NOTRAILER", "/Prev @0"}, "1 0", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    doc.Reset();
    // Sections of equal length, so every offset is known before writing.
    std::string bytes = "%PDF-1.4\n";
    const size_t width = 64;
    std::vector<size_t> offsets;
    for (size_t i = 0; i < c.prevs.size(); ++i) {
      offsets.push_back(bytes.size() + i * width);
    }
    for (size_t i = 0; i < c.prevs.size(); ++i) {
      std::string prev = c.prevs[i];
      size_t at = prev.find('@');
      if (at != std::string::npos) {
        prev = prev.substr(0, at) + std::to_string(offsets[std::stoul(prev.substr(at + 1))]);
      }
      std::string section = entry0 + (prev == "NOTRAILER" ? "" : "trailer << " + prev + " >>");
      section.resize(width, ' ');
      bytes += section;
    }
    bytes += "startxref\n" + std::to_string(offsets.back()) + "\n%%EOF\n";
    EXPECT_TRUE(Read(bytes) || c.prevs.size() == 0);
    std::string chain;
    for (XRefTable* t = doc.xref; t != nullptr && chain.size() < 20; t = t->prev) {
      size_t index = std::find(offsets.begin(), offsets.end(), t->section_offset) - offsets.begin();
      chain += (chain.empty() ? "" : " ") + std::to_string(index);
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
    if (i > 0) {
      bytes += " /Prev " + std::to_string(previous);
    }
    bytes += " >>\n";
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
  EXPECT_TRUE(sinks.errors.empty());
}

}  // namespace
}  // namespace pdf

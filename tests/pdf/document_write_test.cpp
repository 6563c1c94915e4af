// Writing whole documents: the blank document byte for byte, page counts, the
// file identifier, the trailer's ID, the write on close, and reading back what
// was written.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "pdf/bounds.h"
#include "pdf/document.h"
#include "pdf/file_id.h"
#include "pdf/output_file.h"
#include "pdf/output_memory.h"
#include "tests/pdf/object_dump.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/sink_capture.h"

namespace pdf {
namespace {

constexpr char kHeader[] = "%PDF-1.4\r";
// MD5 of no bytes and of "abc" (RFC 1321, appendix A.5).
constexpr char kDigestOfNothing[] = "<d41d8cd98f00b204e9800998ecf8427e>";
constexpr char kDigestOfAbc[] = "<900150983cd24fb0d6963f7d28e17f72>";

// Hooks that only record, as the viewer's do.
class RecordingDocument : public Document {
 public:
  void ReportInvalid(const char* format, ...) override {
    findings.push_back(std::string("Invalid: ") + format);
  }
  void ReportWarning(const char* format, ...) override {
    findings.push_back(std::string("Warning: ") + format);
  }
  std::vector<std::string> findings;
};

// Writes the document after a header line and returns all the bytes.
std::string WriteWithHeader(Document& doc) {
  OutputMemory memory;
  Output out;
  out.Attach(&memory);
  out.Write(kHeader);
  doc.Write(out);
  EXPECT_EQ(out.error, nullptr);
  return memory.Bytes();
}

// The text between "/ID [" and "]" of the written trailer.
std::string IdArray(const std::string& written) {
  size_t at = written.rfind("/ID [");
  if (at == std::string::npos) {
    return "";
  }
  at += 5;
  return written.substr(at, written.find(']', at) - at);
}

Dictionary* NewPage(Document& doc) {
  auto* page = new Dictionary(&doc);
  page->Set("Type", "/Page");
  return page;
}

class DocumentWriteTest : public SinkTest {};

TEST_F(DocumentWriteTest, BlankDocumentByteForByte) {
  Document doc;
  const std::string expected =
      std::string(kHeader) +
      "1 0 obj\r<<\r/Type /Catalog\r/Pages 2 0 R\r>>\rendobj\r"      // at 9
      "3 0 obj\r<<\r>>\rendobj\r"                                    // at 58
      "2 0 obj\r<<\r/Type /Pages\r/Kids []\r/Count 0\r>>\rendobj\r"  // at 79
      "xref\r0 4\r"                                                  // at 131
      "0000000000 65535 f \r"
      "0000000009 00000 n \r"
      "0000000079 00000 n \r"
      "0000000058 00000 n \r"
      "trailer\r"
      "<<\r/Size 4\r/Root 1 0 R\r/Info 3 0 R\r/ID [" +
      kDigestOfNothing + " " + kDigestOfNothing +
      " ]\r>>"
      "\rstartxref\r131\r%%EOF\r";
  EXPECT_EQ(WriteWithHeader(doc), expected);
  EXPECT_EQ(doc.xref->section_offset, 131);
  EXPECT_EQ(sinks.traces, std::vector<std::string>{"writing xref at 131"});
  EXPECT_TRUE(sinks.warnings.empty());
  EXPECT_TRUE(sinks.errors.empty());
}

TEST_F(DocumentWriteTest, IdentifierIsTheDigestOfTheInfoStrings) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, const char*>> strings;  // key, value text
    bool with_number;
    const char* identifier;  // null: differs from "abc"
  };
  const Case cases[] = {
      {"no info values", {}, false, kDigestOfNothing},
      {"one string", {{"Title", "abc"}}, false, kDigestOfAbc},
      {"strings joined in entry order", {{"Title", "a"}, {"Author", "bc"}}, false, kDigestOfAbc},
      {"a number does not take part", {{"Title", "abc"}}, true, kDigestOfAbc},
      {"names do not take part", {{"Title", "abc"}, {"Trapped", "/False"}}, false, kDigestOfAbc},
      {"a changed string changes it", {{"Title", "abd"}}, false, nullptr},
      {"order matters", {{"Title", "bc"}, {"Author", "a"}}, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Document doc;
    for (const auto& [key, value] : c.strings) {
      doc.info->Set(key, value);
    }
    if (c.with_number) {
      doc.info->Set("Pages", 12);
    }
    const std::string id = FileIdentifier(doc.info);
    ASSERT_EQ(id.size(), 34u);
    EXPECT_EQ(id.find_first_not_of("0123456789abcdef", 1), 33u);
    if (c.identifier != nullptr) {
      EXPECT_EQ(id, c.identifier);
    } else {
      EXPECT_NE(id, kDigestOfAbc);
    }
    // Written twice into the new trailer, and stable from one write to the next.
    const std::string first = IdArray(WriteWithHeader(doc));
    EXPECT_EQ(first, id + " " + id + " ");
    Document again;
    for (const auto& [key, value] : c.strings) {
      again.info->Set(key, value);
    }
    EXPECT_EQ(IdArray(WriteWithHeader(again)), first);
  }
}

TEST_F(DocumentWriteTest, IdentifierTakesStringsUpToTheirFirstNul) {
  Document doc;
  const char bytes[] = "abc\0def";
  doc.info->Set("Title", new Scalar(&doc, Token(bytes, bytes + 7, TokenType::String)));
  EXPECT_EQ(FileIdentifier(doc.info), kDigestOfAbc);
}

TEST_F(DocumentWriteTest, TrailerIdRules) {
  struct Case {
    const char* id;       // the trailer's ID entry in the file, "" for none
    std::string written;  // the written ID array's items
    std::vector<std::string> findings = {};
  };
  const std::string fresh = kDigestOfAbc;
  const Case cases[] = {
      {"[<aaaa> <bbbb>]", "<aaaa> " + fresh + " "},
      {"[<aaaa> <bbbb> <cccc>]", "<aaaa> " + fresh + " <cccc> "},
      {"[(first) 5]", "(first) " + fresh + " "},
      {"", fresh + " " + fresh + " ", {"Warning: No 'ID' entry in Trailer (strongly recommended)"}},
      {"[<aaaa>]", fresh + " " + fresh + " "},
      {"[]", fresh + " " + fresh + " "},
      {"(x)", fresh + " " + fresh + " ", {"Invalid: Trailer.ID is not an array"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    PdfBuilder b;
    b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    b.Object(3, "<< /Title (abc) >>");
    std::string trailer = "/Size 4 /Root 1 0 R /Info 3 0 R";
    if (c.id[0] != '\0') {
      trailer += std::string(" /ID ") + c.id;
    }
    b.Trailer(trailer, b.XrefSection(0, 4));
    const std::string bytes = b.Bytes();
    RecordingDocument doc;
    ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "id.pdf"));
    EXPECT_EQ(doc.findings, c.findings);
    EXPECT_EQ(IdArray(WriteWithHeader(doc)), c.written);
  }
}

TEST_F(DocumentWriteTest, CountIsCorrectedToThePagesBelow) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [4 0 R 5 0 R] /Count 5 >>");
  b.Object(3, "<< >>");
  b.Object(4, "<< /Type /Page /Parent 2 0 R >>");
  b.Object(5, "<< /Type /Page /Parent 2 0 R >>");
  b.Trailer("/Size 6 /Root 1 0 R /Info 3 0 R /ID [<01> <01>]", b.XrefSection(0, 6));
  const std::string bytes = b.Bytes();
  Document doc;
  ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "count.pdf"));

  const std::string written = WriteWithHeader(doc);
  EXPECT_EQ(doc.pages->Get("Count")->IntValue(), 2);
  // Only the changed page tree root is written again, at its new offset.
  EXPECT_NE(written.find("2 0 obj\r<<\r/Type /Pages\r/Kids [4 0 R 5 0 R ]\r/Count 2\r>>\rendobj\r"),
            std::string::npos);
  EXPECT_EQ(written.find("1 0 obj"), std::string::npos);
  EXPECT_EQ(doc.xref->entries[2].offset, static_cast<int32_t>(strlen(kHeader)));
  EXPECT_TRUE(sinks.errors.empty()) << testing::PrintToString(sinks.all);
}

TEST_F(DocumentWriteTest, CountPagesWalksEachNodeOnce) {
  struct Case {
    const char* name;
    int pages;
    int root_count;  // Count of the root after the walk
  };
  // Built below per case: the tree shapes.
  const Case cases[] = {
      {"two leaves", 2, 2},
      {"kids lead back to the root", 1, 1},
      {"a grandchild refers to its grandparent", 2, 2},
      {"the same page listed twice", 1, 1},
      {"not a page tree node", 0, 7},
  };
  for (int n = 0; n < 5; ++n) {
    const Case& c = cases[n];
    SCOPED_TRACE(c.name);
    Document doc;
    Object* root = doc.pages;
    Object* kids = root->Get("Kids");
    root->Set("Count", 7);
    switch (n) {
      case 0:
        kids->Append(NewPage(doc));
        kids->Append(NewPage(doc));
        break;
      case 1:
        kids->Append(root);
        kids->Append(NewPage(doc));
        break;
      case 2: {
        auto* middle = new Dictionary(&doc);
        middle->Set("Type", "/Pages");
        auto* middle_kids = new Array(&doc);
        middle_kids->Append(NewPage(doc));
        middle_kids->Append(root);
        middle->Set("Kids", middle_kids);
        kids->Append(middle);
        kids->Append(NewPage(doc));
        break;
      }
      case 3: {
        Dictionary* page = NewPage(doc);
        kids->Append(page);
        kids->Append(page);
        break;
      }
      case 4:
        root->Set("Type", "/Catalog");
        kids->Append(NewPage(doc));
        break;
    }
    EXPECT_EQ(doc.CountPages(root), c.pages);
    EXPECT_EQ(root->Get("Count")->IntValue(), c.root_count);
  }
  Document doc;
  EXPECT_EQ(doc.CountPages(doc.null_object), 0);
  EXPECT_EQ(doc.CountPages(NewPage(doc)), 1);
}

TEST_F(DocumentWriteTest, CountPagesStopsAtTheDepthBoundWithoutCorrecting) {
  struct Case {
    int depth;  // levels of Pages nodes above the one page
    int counted;
  };
  for (const Case& c : {Case{kMaxPageTreeDepth, 1}, Case{kMaxPageTreeDepth + 1, 0}}) {
    SCOPED_TRACE(c.depth);
    sinks.Clear();
    Document doc;
    std::vector<Dictionary*> chain;
    for (int i = 0; i < c.depth; ++i) {
      auto* node = new Dictionary(&doc);
      node->Set("Type", "/Pages");
      node->Set("Kids", new Array(&doc));
      node->Set("Count", 9);
      if (!chain.empty()) {
        chain.back()->Get("Kids")->Append(node);
      }
      chain.push_back(node);
    }
    chain.back()->Get("Kids")->Append(NewPage(doc));
    EXPECT_EQ(doc.CountPages(chain.front()), c.counted);
    const int expected_count = c.counted == 1 ? 1 : 9;
    EXPECT_EQ(chain.front()->Get("Count")->IntValue(), expected_count);
    EXPECT_EQ(chain.back()->Get("Count")->IntValue(), expected_count);
    EXPECT_EQ(sinks.traces.size(), c.counted == 1 ? 0u : 1u);
  }
}

TEST_F(DocumentWriteTest, UnregisterableObjectEndsTheWriteNotTheProgram) {
  Document doc;
  doc.info->number = 99;  // no table covers it
  OutputMemory memory;
  Output out;
  out.Attach(&memory);
  out.Write(kHeader);
  doc.Write(out);
  ASSERT_NE(out.error, nullptr);
  EXPECT_EQ(sinks.warnings, std::vector<std::string>{"PDF xref Add object#99??"});
  EXPECT_EQ(memory.Bytes().find("trailer"), std::string::npos);
  EXPECT_EQ(out.nesting, 0);
}

TEST_F(DocumentWriteTest, CloseWritesToTheAttachedOutput) {
  OutputMemory memory;
  Document doc;
  doc.info->Set("Title", "abc");
  doc.output.Attach(&memory);
  doc.output.Write(kHeader);
  doc.Close();
  EXPECT_TRUE(memory.IsClosed());
  EXPECT_EQ(doc.output.callbacks, nullptr);
  EXPECT_EQ(IdArray(memory.Bytes()), std::string(kDigestOfAbc) + " " + kDigestOfAbc + " ");
  EXPECT_EQ(memory.Bytes().substr(memory.Bytes().size() - 6), "%%EOF\r");
  EXPECT_TRUE(sinks.warnings.empty());
  EXPECT_EQ(doc.info->Count(), 0);  // reset after the write

  const std::string bytes = memory.Bytes();
  doc.Close();  // nothing attached any more: nothing written
  EXPECT_EQ(memory.Bytes(), bytes);
}

TEST_F(DocumentWriteTest, CloseReportsTheOutputErrorAsText) {
  struct Sink : OutputCallbacks {
    int calls = 0;
  } sink;
  sink.write = [](OutputCallbacks* self, const char*, int count) {
    // The header goes through; everything after it fails.
    if (static_cast<Sink*>(self)->calls++ > 0) {
      errno = EIO;
      return 0;
    }
    return count;
  };
  sink.close = nullptr;
  sink.tell = [](OutputCallbacks*) { return 9; };
  Document doc;
  doc.output.Attach(&sink);
  doc.output.Write(kHeader);
  doc.Close();
  EXPECT_EQ(sinks.warnings, std::vector<std::string>{strerror(EIO)});
  EXPECT_EQ(sink.calls, 2);  // the first failure stops every later write
}

TEST_F(DocumentWriteTest, WrittenDocumentsReadBackWithoutFindings) {
  struct Case {
    const char* name;
    int pages;
    const char* title;
  };
  for (const Case& c : {Case{"blank", 0, nullptr}, Case{"two pages and a title", 2, "T%s (x)"}}) {
    SCOPED_TRACE(c.name);
    Document source;
    if (c.title != nullptr) {
      source.info->Set("Title", c.title);
    }
    for (int i = 0; i < c.pages; ++i) {
      Dictionary* page = NewPage(source);
      page->Set("Parent", source.pages);
      source.pages->Get("Kids")->Append(page);
    }
    const std::string written = WriteWithHeader(source);
    EXPECT_EQ(written.find('\n'), std::string::npos);  // carriage returns only
    const std::string id = FileIdentifier(source.info);

    RecordingDocument reread;
    ASSERT_TRUE(
        reread.OpenMemory(written.data(), static_cast<int32_t>(written.size()), "written.pdf"));
    EXPECT_TRUE(reread.findings.empty()) << testing::PrintToString(reread.findings);
    EXPECT_EQ(reread.pages->Get("Count")->IntValue(), c.pages);
    EXPECT_EQ(reread.pages->Get("Kids")->Count(), c.pages);
    EXPECT_EQ(Dump(reread.xref->trailer->Get("ID")), "[" + id + " " + id + "]");
    if (c.title != nullptr) {
      // Strings keep their escapes as text: the written ones come back.
      EXPECT_STREQ(reread.info->Get("Title")->Text(), "T%s \\(x\\)");
    }

    Document strict;  // the default hooks: any invalid finding fails the open
    EXPECT_TRUE(
        strict.OpenMemory(written.data(), static_cast<int32_t>(written.size()), "written.pdf"));
  }
  EXPECT_TRUE(sinks.errors.empty()) << testing::PrintToString(sinks.all);
  EXPECT_TRUE(sinks.warnings.empty()) << testing::PrintToString(sinks.all);
}

TEST_F(DocumentWriteTest, WrittenFileOpensFromDisk) {
  TempFile temp("");
  {
    OutputFile file;
    ASSERT_TRUE(file.Open(temp.path().c_str()));
    Document doc;
    doc.pages->Get("Kids")->Append(NewPage(doc));
    doc.output.Attach(&file);
    doc.output.Write(kHeader);
    doc.Close();
    EXPECT_FALSE(file.IsOpen());
  }
  Document doc;
  ASSERT_TRUE(doc.Open(temp.path().c_str()));
  EXPECT_EQ(doc.pages->Get("Count")->IntValue(), 1);
  EXPECT_TRUE(doc.pages->Get("Kids")->Item(0)->Get("Type")->IsName("Page"));
}

}  // namespace
}  // namespace pdf

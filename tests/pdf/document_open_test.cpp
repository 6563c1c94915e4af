// Opening a document: mapping, reading, validation findings and the blank state.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "pdf/document.h"
#include "tests/pdf/object_dump.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/sink_capture.h"

namespace pdf {
namespace {

// Hooks that only record, as the viewer's do: findings never fail the open.
class RecordingDocument : public Document {
 public:
  void ReportInvalid(const char* format, ...) override {
    findings.push_back("Invalid: " + Format(format));
  }
  void ReportWarning(const char* format, ...) override {
    findings.push_back("Warning: " + Format(format));
  }
  std::vector<std::string> findings;

 private:
  static std::string Format(const char* text) { return text; }
};

struct Parts {
  std::string catalog = "<< /Type /Catalog /Pages 2 0 R >>";
  std::string pages = "<< /Type /Pages /Kids [] /Count 0 >>";
  std::string info = "<< /Title (t) >>";
  std::string trailer = "/Size 4 /Root 1 0 R /Info 3 0 R /ID [<00> <00>]";
};

std::string MakeFile(const Parts& parts) {
  PdfBuilder b;
  b.Object(1, parts.catalog);
  b.Object(2, parts.pages);
  b.Object(3, parts.info);
  size_t xref = b.XrefSection(0, 4);
  b.Trailer(parts.trailer, xref);
  return b.Bytes();
}

// Expects the blank document of a reset.
void ExpectBlank(Document& doc) {
  EXPECT_EQ(Dump(doc.catalog), "<< /Type /Catalog /Pages << /Type /Pages /Kids [] /Count 0 >> >>");
  EXPECT_EQ(doc.pages, doc.catalog->Get("Pages"));
  EXPECT_EQ(Dump(doc.info), "<< >>");
  ASSERT_NE(doc.xref, nullptr);
  EXPECT_EQ(doc.xref->EntryCount(), 1);
  EXPECT_EQ(doc.xref->trailer, nullptr);
  EXPECT_STREQ(doc.header_object->Text(), "");
  EXPECT_EQ(doc.version_major, 0);
  EXPECT_FALSE(doc.invalid);
  EXPECT_FALSE(doc.file.IsOpen());
  EXPECT_EQ(doc.begin, nullptr);
}

class OpenTest : public SinkTest {};

TEST_F(OpenTest, EveryValidationRowInOrder) {
  struct Case {
    const char* name;
    Parts parts;
    std::vector<std::string> findings;
    std::vector<std::string> lookup_errors;  // reported while resolving, before the findings
  };
  auto with = [](auto change) {
    Parts p;
    change(p);
    return p;
  };
  const Case cases[] = {
      {"well formed", Parts{}, {}, {}},
      {"no Size",
       with([](Parts& p) { p.trailer = "/Root 1 0 R /Info 3 0 R /ID []"; }),
       {"Invalid: No 'Size' entry in Trailer"},
       {}},
      {"Size a string",
       with([](Parts& p) { p.trailer = "/Size (4) /Root 1 0 R /Info 3 0 R /ID []"; }),
       {"Invalid: Trailer.Size is not a number"},
       {}},
      {"no Root",
       with([](Parts& p) { p.trailer = "/Size 4 /Info 3 0 R /ID []"; }),
       {"Invalid: No 'Root' entry in Trailer", "Invalid: Catalog lacks a Pages entry"},
       {}},
      {"Root not found",
       with([](Parts& p) { p.trailer = "/Size 4 /Root 9 0 R /Info 3 0 R /ID []"; }),
       {"Invalid: No 'Root' entry in Trailer", "Invalid: Catalog lacks a Pages entry"},
       {"9 0 R not found!"}},
      {"catalog a stream",
       with([](Parts& p) {
         p.catalog = "<< /Type /Catalog /Pages 2 0 R /Length 1 >>\nstream\nx\nendstream";
       }),
       {"Invalid: Catalog is not a dictionary"},
       {}},
      {"catalog a number",
       with([](Parts& p) { p.catalog = "5"; }),
       {"Invalid: Catalog is not a dictionary", "Invalid: Catalog lacks a Pages entry"},
       {}},
      {"catalog without Type",
       with([](Parts& p) { p.catalog = "<< /Pages 2 0 R >>"; }),
       {"Warning: Catalog lacks a Type entry"},
       {}},
      {"catalog of another Type",
       with([](Parts& p) { p.catalog = "<< /Type /Other /Pages 2 0 R >>"; }),
       {"Invalid: Catalog Type is not 'Catalog'"},
       {}},
      {"catalog Type a string",
       with([](Parts& p) { p.catalog = "<< /Type (Catalog) /Pages 2 0 R >>"; }),
       {"Invalid: Catalog Type is not 'Catalog'"},
       {}},
      {"no Pages",
       with([](Parts& p) { p.catalog = "<< /Type /Catalog >>"; }),
       {"Invalid: Catalog lacks a Pages entry"},
       {}},
      {"Pages an array",
       with([](Parts& p) { p.pages = "[]"; }),
       {"Invalid: Catalog Pages object is not a dictionary"},
       {}},
      {"pages without Type",
       with([](Parts& p) { p.pages = "<< /Kids [] /Count 0 >>"; }),
       {"Warning: Pages object lacks Type entry"},
       {}},
      {"pages of Type Page",
       with([](Parts& p) { p.pages = "<< /Type /Page /Kids [] /Count 0 >>"; }),
       {"Invalid: Pages object Type is not 'Pages'"},
       {}},
      {"no Kids and no Count",
       with([](Parts& p) { p.pages = "<< /Type /Pages >>"; }),
       {"Invalid: No 'Kids' entry in page tree node",
        "Invalid: No 'Count' entry in page tree node"},
       {}},
      {"Kids a number, Count a string",
       with([](Parts& p) { p.pages = "<< /Type /Pages /Kids 5 /Count (3) >>"; }),
       {"Invalid: Kids object is not an array", "Invalid: Count object is not a number"},
       {}},
      {"no Info and no ID",
       with([](Parts& p) { p.trailer = "/Size 4 /Root 1 0 R"; }),
       {"Warning: No 'Info' entry in Trailer",
        "Warning: No 'ID' entry in Trailer (strongly recommended)"},
       {}},
      {"Info a name, ID a string",
       with([](Parts& p) { p.trailer = "/Size 4 /Root 1 0 R /Info /I /ID (x)"; }),
       {"Invalid: Info object is not a dictionary", "Invalid: Trailer.ID is not an array"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bytes = MakeFile(c.parts);

    // Recording hooks: the file opens whatever the findings.
    sinks.Clear();
    RecordingDocument recording;
    EXPECT_TRUE(recording.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "m.pdf"));
    EXPECT_EQ(recording.findings, c.findings);
    EXPECT_EQ(sinks.errors, c.lookup_errors);
    EXPECT_EQ(recording.open_error.code, 0);

    // Default hooks: invalid findings go to the error sink and fail the open.
    sinks.Clear();
    Document doc;
    std::vector<std::string> errors = c.lookup_errors;
    std::vector<std::string> warnings;
    for (const std::string& f : c.findings) {
      if (f.rfind("Invalid: ", 0) == 0) {
        errors.push_back(f.substr(9));
      } else {
        warnings.push_back(f);
      }
    }
    bool expect_open = errors.size() == c.lookup_errors.size();
    if (!expect_open) {
      errors.push_back("The file 'm.pdf' is damaged or not in expected format.");
    }
    EXPECT_EQ(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "m.pdf"),
              expect_open);
    EXPECT_EQ(sinks.errors, errors);
    std::vector<std::string> traced_warnings;
    for (const std::string& t : sinks.traces) {
      if (t.rfind("Warning: ", 0) == 0) {
        traced_warnings.push_back(t);
      }
    }
    EXPECT_EQ(traced_warnings, warnings);
    EXPECT_TRUE(sinks.warnings.empty());
    if (expect_open) {
      EXPECT_EQ(doc.open_error.code, 0);
      EXPECT_EQ(doc.catalog, doc.xref->trailer->Get("Root"));
    } else {
      EXPECT_EQ(doc.open_error.code, 7);
      ExpectBlank(doc);
    }
  }
}

TEST_F(OpenTest, WellFormedFileOpensFromDisk) {
  TempFile file(MinimalPdf());
  Document doc;
  ASSERT_TRUE(doc.Open(file.path().c_str()));
  EXPECT_TRUE(sinks.errors.empty());
  EXPECT_TRUE(sinks.warnings.empty());
  for (const std::string& t : sinks.traces) {
    EXPECT_NE(t.rfind("Warning: ", 0), 0u) << t;
  }
  EXPECT_TRUE(doc.file.IsOpen());
  EXPECT_EQ(doc.version_major, 1);
  EXPECT_EQ(doc.version_minor, 4);
  EXPECT_STREQ(doc.header_object->Text(), "%PDF-1.4");
  EXPECT_TRUE(doc.catalog->Get("Type")->IsName("Catalog"));
  EXPECT_EQ(doc.pages->Get("Count")->IntValue(), 1);
  EXPECT_EQ(Dump(doc.info), "<< /Title (Minimal) /Producer (Quorvel tests) >>");
  EXPECT_EQ(doc.begin, reinterpret_cast<const char*>(doc.file.Data()));
  doc.Close();
  ExpectBlank(doc);
  doc.Close();  // closing a blank document does nothing harmful
  ExpectBlank(doc);
}

TEST_F(OpenTest, FailuresReportThePathUnchanged) {
  struct Case {
    const char* name;
    bool exists;
    std::string contents;
    int code;
  };
  const Case cases[] = {
      {"missing file", false, "", 5},
      {"empty file", true, "", 5},
      {"not a PDF", true, "hello", 7},
      {"structure damaged", true, "%PDF-1.4\nstartxref\n0\n%%EOF\n", 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sinks.Clear();
    std::unique_ptr<TempFile> file;
    std::string path = "/tmp/quorvel-no-such-dir/%s%d.pdf";
    if (c.exists) {
      file = std::make_unique<TempFile>(c.contents, "-%s%d.pdf");
      path = file->path();
    }
    Document doc;
    EXPECT_FALSE(doc.Open(path.c_str()));
    EXPECT_EQ(doc.open_error.code, c.code);
    ASSERT_FALSE(sinks.errors.empty());
    std::string expected = c.code == 7
                               ? "The file '" + path + "' is damaged or not in expected format."
                               : "Unable to open file '" + path + "'. ";
    EXPECT_EQ(sinks.errors.back().substr(0, expected.size()), expected);
    ExpectBlank(doc);
  }
}

TEST_F(OpenTest, SecondOpenReplacesTheFirst) {
  PdfBuilder other;
  other.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  other.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  other.Object(3, "<< /Title (Second) >>");
  other.Finish("/Root 1 0 R /Info 3 0 R /ID [<01> <01>]");
  TempFile first(MinimalPdf());
  TempFile second(other.Bytes());
  Document doc;
  ASSERT_TRUE(doc.Open(first.path().c_str()));
  ASSERT_TRUE(doc.Open(second.path().c_str()));
  EXPECT_EQ(doc.file.Path(), second.path());
  EXPECT_EQ(Dump(doc.info), "<< /Title (Second) >>");
  EXPECT_EQ(doc.pages->Get("Count")->IntValue(), 0);
  ASSERT_FALSE(doc.Open("/tmp/quorvel-no-such-dir/x.pdf"));
  ExpectBlank(doc);
}

TEST_F(OpenTest, MemoryInputNeedsNoFile) {
  const std::string bytes = MinimalPdf();
  Input input(bytes);
  Document doc;
  ASSERT_TRUE(doc.OpenMemory(input.begin(), static_cast<int32_t>(bytes.size()), "memory"));
  EXPECT_FALSE(doc.file.IsOpen());
  EXPECT_EQ(doc.begin, input.begin());
  EXPECT_FALSE(doc.OpenMemory(nullptr, 0, "nothing"));
  EXPECT_EQ(sinks.errors.back(), "The file 'nothing' is damaged or not in expected format.");
  ExpectBlank(doc);
}

struct FakeSink {
  OutputCallbacks callbacks;
  int closed = 0;
};

TEST_F(OpenTest, CloseClosesAnAttachedOutputAndReportsItsError) {
  FakeSink sink;
  sink.callbacks.write = [](OutputCallbacks*, const char*, int count) { return count; };
  sink.callbacks.close = [](OutputCallbacks* self) { ++reinterpret_cast<FakeSink*>(self)->closed; };
  sink.callbacks.tell = [](OutputCallbacks*) { return 0; };
  Document doc;
  doc.output.callbacks = &sink.callbacks;
  doc.output.error = "No space left on device";
  doc.Close();
  EXPECT_EQ(sink.closed, 1);
  EXPECT_EQ(doc.output.callbacks, nullptr);
  EXPECT_EQ(sinks.warnings, std::vector<std::string>{"No space left on device"});
  doc.Close();
  EXPECT_EQ(sink.closed, 1);
}

}  // namespace
}  // namespace pdf

// Opening a document: mapping, reading, validation findings and the blank state.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
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
    findings.push_back(std::string("Invalid: ") + format);
  }
  void ReportWarning(const char* format, ...) override {
    findings.push_back(std::string("Warning: ") + format);
  }
  std::vector<std::string> findings;
};

struct Parts {
  std::string catalog = "<< /Type /Catalog /Pages 2 0 R >>";
  std::string pages = "<< /Type /Pages /Kids [] /Count 0 >>";
  std::string trailer = "/Size 4 /Root 1 0 R /Info 3 0 R /ID [<00> <00>]";
};

std::string MakeFile(const Parts& parts) {
  PdfBuilder b;
  b.Object(1, parts.catalog);
  b.Object(2, parts.pages);
  b.Object(3, "<< /Title (t) >>");
  b.Trailer(parts.trailer, b.XrefSection(0, 4));
  return b.Bytes();
}

void ExpectBlank(Document& doc) {
  EXPECT_EQ(Dump(doc.catalog), "<< /Type /Catalog /Pages << /Type /Pages /Kids [] /Count 0 >> >>");
  EXPECT_EQ(doc.pages, doc.catalog->Get("Pages"));
  EXPECT_EQ(Dump(doc.info), "<< >>");
  ASSERT_NE(doc.xref, nullptr);
  EXPECT_EQ(doc.xref->EntryCount(), 1);
  EXPECT_STREQ(doc.header_object->Text(), "");
  EXPECT_FALSE(doc.file.IsOpen());
  EXPECT_EQ(doc.begin, nullptr);
}

class OpenTest : public SinkTest {};

TEST_F(OpenTest, EveryValidationRowInOrder) {
  struct Case {
    const char* part;  // which part the text replaces: c(atalog), p(ages), t(railer)
    std::string text;
    std::vector<std::string> findings;
    std::vector<std::string> lookup_errors = {};  // reported while resolving
  };
  const std::string tail = " /Info 3 0 R /ID []";
  const Case cases[] = {
      {"", "", {}},
      {"t", "/Root 1 0 R" + tail, {"Invalid: No 'Size' entry in Trailer"}},
      {"t", "/Size (4) /Root 1 0 R" + tail, {"Invalid: Trailer.Size is not a number"}},
      {"t",
       "/Size 4" + tail,
       {"Invalid: No 'Root' entry in Trailer", "Invalid: Catalog lacks a Pages entry"}},
      {"t",
       "/Size 4 /Root 9 0 R" + tail,
       {"Invalid: No 'Root' entry in Trailer", "Invalid: Catalog lacks a Pages entry"},
       {"9 0 R not found!"}},
      {"c",
       "<< /Type /Catalog /Pages 2 0 R /Length 1 >>\nstream\nx\nendstream",
       {"Invalid: Catalog is not a dictionary"}},
      {"c", "5", {"Invalid: Catalog is not a dictionary", "Invalid: Catalog lacks a Pages entry"}},
      {"c", "<< /Pages 2 0 R >>", {"Warning: Catalog lacks a Type entry"}},
      {"c", "<< /Type (Catalog) /Pages 2 0 R >>", {"Invalid: Catalog Type is not 'Catalog'"}},
      {"c", "<< /Type /Catalog >>", {"Invalid: Catalog lacks a Pages entry"}},
      {"p", "[]", {"Invalid: Catalog Pages object is not a dictionary"}},
      {"p", "<< /Kids [] /Count 0 >>", {"Warning: Pages object lacks Type entry"}},
      {"p", "<< /Type /Page /Kids [] /Count 0 >>", {"Invalid: Pages object Type is not 'Pages'"}},
      {"p",
       "<< /Type /Pages >>",
       {"Invalid: No 'Kids' entry in page tree node",
        "Invalid: No 'Count' entry in page tree node"}},
      {"p",
       "<< /Type /Pages /Kids 5 /Count (3) >>",
       {"Invalid: Kids object is not an array", "Invalid: Count object is not a number"}},
      {"t",
       "/Size 4 /Root 1 0 R",
       {"Warning: No 'Info' entry in Trailer",
        "Warning: No 'ID' entry in Trailer (strongly recommended)"}},
      {"t",
       "/Size 4 /Root 1 0 R /Info /I /ID (x)",
       {"Invalid: Info object is not a dictionary", "Invalid: Trailer.ID is not an array"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Parts parts;
    (c.part[0] == 'c' ? parts.catalog : c.part[0] == 'p' ? parts.pages : parts.trailer) = c.text;
    if (c.part[0] == '\0') {
      parts = Parts{};
    }
    const std::string bytes = MakeFile(parts);
    const int32_t size = static_cast<int32_t>(bytes.size());

    sinks.Clear();
    RecordingDocument recording;
    EXPECT_TRUE(recording.OpenMemory(bytes.data(), size, "m%d.pdf"));
    EXPECT_EQ(recording.findings, c.findings);
    EXPECT_EQ(sinks.errors, c.lookup_errors);

    // Default hooks: invalid findings reach the error sink and fail the open;
    // warnings are trace lines.
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
    const bool opens = errors.size() == c.lookup_errors.size();
    if (!opens) {
      errors.push_back("The file 'm%d.pdf' is damaged or not in expected format.");
    }
    EXPECT_EQ(doc.OpenMemory(bytes.data(), size, "m%d.pdf"), opens);
    EXPECT_EQ(sinks.errors, errors);
    std::vector<std::string> traced;
    std::copy_if(sinks.traces.begin(), sinks.traces.end(), std::back_inserter(traced),
                 [](const std::string& t) { return t.rfind("Warning: ", 0) == 0; });
    EXPECT_EQ(traced, warnings);
    EXPECT_EQ(doc.open_error.code, opens ? 0 : 7);
    if (!opens) {
      ExpectBlank(doc);
    }
  }
}

TEST_F(OpenTest, WellFormedFileOpensFromDiskAndCloses) {
  TempFile file(MinimalPdf());
  Document doc;
  ASSERT_TRUE(doc.Open(file.path().c_str()));
  EXPECT_TRUE(sinks.errors.empty());
  EXPECT_TRUE(sinks.warnings.empty());
  EXPECT_EQ(doc.version_major * 10 + doc.version_minor, 14);
  EXPECT_STREQ(doc.header_object->Text(), "%PDF-1.4");
  EXPECT_TRUE(doc.catalog->Get("Type")->IsName("Catalog"));
  EXPECT_EQ(doc.pages->Get("Count")->IntValue(), 1);
  EXPECT_EQ(Dump(doc.info), "<< /Title (Minimal) /Producer (Quorvel tests) >>");
  EXPECT_EQ(doc.begin, reinterpret_cast<const char*>(doc.file.Data()));

  TempFile other(MakeFile(Parts{}));
  ASSERT_TRUE(doc.Open(other.path().c_str())) << "a second open replaces the first";
  EXPECT_EQ(doc.file.Path(), other.path());
  EXPECT_EQ(Dump(doc.info), "<< /Title (t) >>");
  doc.Close();
  ExpectBlank(doc);
  doc.Close();  // closing a blank document does nothing harmful
  ExpectBlank(doc);
}

TEST_F(OpenTest, FailuresReportThePathUnchangedAndLeaveABlankDocument) {
  struct Case {
    bool exists;
    std::string contents;
    int code;
  };
  const Case cases[] = {{false, "", 5},
                        {true, "", 5},
                        {true, "hello", 7},
                        {true, "%PDF-1.4\nstartxref\n0\n%%EOF\n", 7}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.contents);
    sinks.Clear();
    std::unique_ptr<TempFile> file;
    std::string path = "/tmp/quorvel-no-such-dir/%s%d.pdf";
    if (c.exists) {
      file = std::make_unique<TempFile>(c.contents, "-%s%d.pdf");
      path = file->path();
    }
    Document doc;
    TempFile valid(MinimalPdf());
    ASSERT_TRUE(doc.Open(valid.path().c_str()));  // the failed open must release this one
    EXPECT_FALSE(doc.Open(path.c_str()));
    EXPECT_EQ(doc.open_error.code, c.code);
    std::string expected = c.code == 7
                               ? "The file '" + path + "' is damaged or not in expected format."
                               : "Unable to open file '" + path + "'. ";
    ASSERT_FALSE(sinks.errors.empty());
    EXPECT_EQ(sinks.errors.back().substr(0, expected.size()), expected);
    ExpectBlank(doc);
  }
}

TEST_F(OpenTest, MemoryInputAndAttachedOutput) {
  const std::string bytes = MinimalPdf();
  Input input(bytes);
  Document doc;
  ASSERT_TRUE(doc.OpenMemory(input.begin(), static_cast<int32_t>(bytes.size()), "memory"));
  EXPECT_EQ(doc.begin, input.begin());
  EXPECT_FALSE(doc.OpenMemory(nullptr, 0, "nothing"));
  EXPECT_EQ(sinks.errors.back(), "The file 'nothing' is damaged or not in expected format.");
  ExpectBlank(doc);

  struct FakeSink {
    OutputCallbacks callbacks;
    int closed = 0;
  } sink;
  sink.callbacks.write = [](OutputCallbacks*, const char*, int count) { return count; };
  sink.callbacks.close = [](OutputCallbacks* self) { ++reinterpret_cast<FakeSink*>(self)->closed; };
  // Past a header line, as the writer expects: position 0 means "not written".
  sink.callbacks.tell = [](OutputCallbacks*) { return 9; };
  doc.output.callbacks = &sink.callbacks;
  doc.output.error = "No space left on device";
  doc.Close();
  doc.Close();
  EXPECT_EQ(sink.closed, 1);
  EXPECT_EQ(sinks.warnings, std::vector<std::string>{"No space left on device"});
}

}  // namespace
}  // namespace pdf

// Modern mode on hand-made files: producer slips and damage that peers forgive,
// hostile stream sections and object streams, the syntax the standard allows,
// and the object-stream cache's bound. Each damaged file must read as its
// undamaged self.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "describe/labels.h"
#include "describe/open_mode.h"
#include "describe/viewer_document.h"
#include "pdf/document.h"
#include "pdf/object_stream.h"
#include "pdf/xref_table.h"
#include "tests/modern/object_json.h"
#include "tests/support/modern_builder.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/sink_capture.h"
#include "tests/support/zlib_encoder.h"

namespace {

// Findings are kept, as the viewer's Problems would show them.
class FindingDocument : public ViewerDocument {
 public:
  std::vector<std::string> findings;
  bool Has(const std::string& part) const {
    return part.empty() || std::any_of(findings.begin(), findings.end(), [&](const std::string& f) {
             return f.find(part) != std::string::npos;
           });
  }
  std::string All() const {
    std::string text;
    for (const std::string& f : findings)
      text += f + "\n";
    return text;
  }

 protected:
  void OnFinding(const char* line) override { findings.emplace_back(line); }
};

bool OpenModern(FindingDocument& doc, const std::string& bytes) {
  return doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "test.pdf",
                        OpenOptionsFor(pdf::Mode::kModern));
}

// Catalog, pages and info in an object stream, a page and its contents direct.
std::string ModernFile() {
  ModernBuilder m;
  m.Classic().Stream(5, "", "BT /F1 24 Tf 72 712 Td (Hello) Tj ET");
  m.ObjectStream(10, {{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                      {2, "<< /Type /Pages /Kids [4 0 R] /Count 1 >>"},
                      {3, "<< /Title (Modern) /Producer (Quorvel tests) >>"}});
  m.Classic().Object(4, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 5 0 R >>");
  m.XRefStream(11,
               {{0, 0, 0, 65535},
                {1, 2, 10, 0},
                {2, 2, 10, 1},
                {3, 2, 10, 2},
                m.InUse(4),
                m.InUse(5),
                m.InUse(10)},
               "/Size 12 /Root 1 0 R /Info 3 0 R /ID [<00112233445566778899aabbccddeeff> "
               "<00112233445566778899aabbccddeeff>]");
  return m.Bytes();
}

// The content stream first, then catalog, pages, info and page.
std::string StreamFirstFile() {
  PdfBuilder b;
  b.Stream(5, "", "BT /F1 24 Tf 72 712 Td (Hello) Tj ET");
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [4 0 R] /Count 1 >>");
  b.Object(3, "<< /Title (Minimal) >>");
  b.Object(4, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 5 0 R >>");
  b.Finish("/Root 1 0 R /Info 3 0 R /ID [<00> <00>]");
  return b.Bytes();
}

// MinimalPdf with an incremental update that replaces the info dictionary.
std::string UpdatedFile() {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [4 0 R] /Count 1 >>");
  b.Object(3, "<< /Title (First) >>");
  b.Object(4, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 5 0 R >>");
  b.Stream(5, "", "BT /F1 24 Tf 72 712 Td (Hello) Tj ET");
  b.Finish("/Root 1 0 R /Info 3 0 R /ID [<00> <00>]");
  b.StartUpdate();
  b.Object(3, "<< /Title (Second) >>");
  b.Finish("/Root 1 0 R /Info 3 0 R /ID [<00> <01>]");
  return b.Bytes();
}

std::string Replace(std::string bytes, const std::string& from, const std::string& to,
                    bool last = true) {
  const size_t at = last ? bytes.rfind(from) : bytes.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos)
    bytes.replace(at, from.size(), to);
  return bytes;
}

long StartxrefOf(const std::string& bytes) {
  return std::stol(bytes.substr(bytes.rfind("startxref") + 9));
}

// Every object of the reference, as JSON, by number.
std::vector<std::string> Objects(pdf::Document& doc, int highest) {
  std::vector<std::string> objects;
  for (int n = 1; n <= highest; ++n) {
    objects.push_back(ObjectJson(doc.GetObject(n, 0)).dump());
  }
  return objects;
}

TEST(ModernReadingTest, DamagedFilesReadAsTheirUndamagedSelves) {
  struct Case {
    const char* name;
    std::string (*base)();
    std::function<std::string(std::string)> damage;
    const char* finding;     // part of a finding the open must report ("" for none asked)
    unsigned feature;        // a feature the open must note
    int changed = 0;         // an object the damage itself changes, left out of the comparison
    bool same_data = false;  // the changed stream still has its data
  };
  const Case cases[] = {
      {"startxref three bytes off", MinimalPdf,
       [](std::string s) {
         long x = StartxrefOf(s);
         return Replace(s, "startxref\n" + std::to_string(x),
                        "startxref\n" + std::to_string(x + 3));
       },
       "starts at", pdf::kFeatureLenientStructure},
      {"no %%EOF", MinimalPdf, [](std::string s) { return Replace(s, "%%EOF\n", ""); }, "No %%EOF",
       pdf::kFeatureLenientStructure},
      {"%%EOF 2000 bytes before the end", MinimalPdf,
       [](std::string s) { return s + std::string(2000, 'j'); }, "", pdf::kFeatureLenientStructure},
      {"header after leading junk", MinimalPdf,
       [](std::string s) { return std::string(100, 'j') + "\n" + s; }, "header follows",
       pdf::kFeatureLenientStructure},
      {"entries with one-byte line ends", MinimalPdf,
       [](std::string s) {
         for (size_t at = s.find(" n \n"); at != std::string::npos; at = s.find(" n \n")) {
           s.replace(at, 4, " n\n");
         }
         return s;
       },
       "", 0},
      {"section overwritten by spaces", MinimalPdf,
       [](std::string s) {
         const size_t x = static_cast<size_t>(StartxrefOf(s));
         const size_t t = s.find("trailer", x);
         return s.replace(x, t - x, std::string(t - x, ' '));
       },
       "rebuilt by scanning the file", pdf::kFeatureRepaired},
      {"no startxref", MinimalPdf,
       [](std::string s) { return Replace(s, "startxref", "startxrex"); },
       "rebuilt by scanning the file (startxref not found)", pdf::kFeatureRepaired},
      {"Prev into garbage", UpdatedFile,
       [](std::string s) {
         const size_t at = s.rfind("/Prev ");
         const size_t stop = s.find_first_of(" >", at + 6);
         return s.replace(at + 6, stop - at - 6, std::to_string(stop - at - 6 == 3 ? 100 : 10));
       },
       "rebuilt by scanning the file", pdf::kFeatureRepaired},
      {"stream Length too short", MinimalPdf,
       [](std::string s) { return Replace(s, "/Length 36", "/Length 20", false); },
       "the data end at endstream (36 bytes)", 0, 5, true},
      {"stream without Length", MinimalPdf,
       [](std::string s) { return Replace(s, "/Length 36", "", false); },
       "the data end at endstream (36 bytes)", 0, 5, true},
      {"a stream that never ends before the objects, no startxref", StreamFirstFile,
       [](std::string s) {
         return Replace(Replace(s, "endstream", "endstreax", false), "startxref", "startxrex");
       },
       "rebuilt by scanning the file", pdf::kFeatureRepaired, 5},
      {"stream section", ModernFile, [](std::string s) { return s; }, "", pdf::kFeatureXRefStreams},
      {"stream section with its data damaged", ModernFile,
       [](std::string s) {
         const size_t data = s.find("stream\n", s.rfind("/Type /XRef")) + 7;
         return s.replace(data + 2, 6, "xxxxxx");
       },
       "rebuilt by scanning the file", pdf::kFeatureRepaired},
      {"stream section's startxref at nothing", ModernFile,
       [](std::string s) {
         long x = StartxrefOf(s);
         return Replace(s, "startxref\n" + std::to_string(x),
                        "startxref\n" + std::to_string(x / 2));
       },
       "rebuilt by scanning the file", pdf::kFeatureRepaired},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SinkCapture sinks;
    const std::string original = c.base();
    FindingDocument reference;
    ASSERT_TRUE(OpenModern(reference, original));
    const std::vector<std::string> expected = Objects(reference, 5);

    const std::string damaged = c.damage(original);
    FindingDocument doc;
    ASSERT_TRUE(OpenModern(doc, damaged)) << doc.All();
    EXPECT_EQ(doc.ModernFeatures() & c.feature, c.feature);
    std::vector<std::string> got = Objects(doc, 5);
    EXPECT_TRUE(doc.Has(c.finding)) << doc.All();
    for (size_t i = 0; i < got.size(); ++i) {
      if (static_cast<int>(i) + 1 != c.changed) {
        EXPECT_EQ(got[i], expected[i]) << "object " << i + 1;
      }
    }
    EXPECT_TRUE(sinks.errors.empty()) << sinks.errors.front();  // nothing for a message box
    if (c.same_data) {
      pdf::Token data;
      doc.GetObject(5, 0)->GetStreamData(data);
      EXPECT_EQ(std::string(data.text, static_cast<size_t>(data.length)),
                "BT /F1 24 Tf 72 712 Td (Hello) Tj ET");
    }
  }
}

TEST(ModernReadingTest, UnreadableFilesStillFailWithTheWrittenMessage) {
  const std::string cases[] = {
      "not a PDF at all",
      Replace(Replace(Replace(MinimalPdf(), "/Type /Catalog", "/Type /Catalo_"), "/Root", "/Roof"),
              "startxref", "startxrex"),
  };
  for (const std::string& bytes : cases) {
    SinkCapture sinks;
    FindingDocument doc;
    EXPECT_FALSE(OpenModern(doc, bytes));
    ASSERT_FALSE(sinks.errors.empty());
    EXPECT_EQ(sinks.errors.back(), "The file 'test.pdf' is damaged or not in expected format.");
  }
}

TEST(ModernReadingTest, HostileSectionsAndObjectStreamsAreBounded) {
  struct Case {
    const char* name;
    std::function<std::string()> make;
    bool opens;
    const char* finding;
  };
  auto modern = [](std::vector<int> w, std::string index, std::vector<XRefRow> extra,
                   std::string objstm_extra = "", const std::string* header = nullptr) {
    ModernBuilder m;
    m.ObjectStream(
        10, {{1, "<< /Type /Catalog /Pages 2 0 R >>"}, {2, "<< /Type /Pages /Kids [] /Count 0 >>"}},
        objstm_extra, header);
    std::vector<XRefRow> rows = {{1, 2, 10, 0}, {2, 2, 10, 1}, m.InUse(10)};
    rows.insert(rows.end(), extra.begin(), extra.end());
    m.XRefStream(11, rows, "/Size 12 /Root 1 0 R", w, index);
    return m.Bytes();
  };
  const std::string bad_header = "1 0 2 999999 ";
  const std::string negative_header = "1 0 2 -5 ";
  const Case cases[] = {
      {"W field of 9 bytes",
       [&] {
         return modern({1, 9, 2}, "", {});
       },
       true, "field widths beyond 8 bytes"},
      {"Index past the object number limit",
       [&] {
         return modern({1, 4, 2}, "1 2 8388600 100 10 2", {});
       },
       true, "lists numbers 8388600 to 8388700, past the limit of 8388607 object numbers"},
      {"Index with a huge count",
       [&] {
         return modern({1, 4, 2}, "0 2000000000", {});
       },
       true, "lists numbers"},
      {"object stream offset outside its data",
       [&] {
         return modern({1, 4, 2}, "", {}, "", &bad_header);
       },
       true, "offset lies outside object stream"},
      {"object stream offset negative",
       [&] {
         return modern({1, 4, 2}, "", {}, "", &negative_header);
       },
       true, ""},
      {"First past the data",
       [&] {
         return modern({1, 4, 2}, "", {}, "/First 100000");
       },
       false, "First 100000 lies beyond"},
      {"Extends itself",
       [&] {
         return modern({1, 4, 2}, "", {{7, 2, 10, 5}}, "/Extends 10 0 R");
       },
       true, "Object 7 is not in object stream 10"},
      {"object stream holding itself",
       [&] {
         return modern({1, 4, 2}, "", {{12, 2, 12, 0}});
       },
       true, "object stream 12 cannot hold it"},
      {"container itself compressed",
       [&] {
         return modern({1, 4, 2}, "", {{13, 2, 1, 0}});
       },
       true, "its object stream 1 is not an uncompressed object"},
      {"unknown entry type",
       [&] {
         return modern({1, 4, 2}, "", {{14, 7, 5, 5}});
       },
       true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SinkCapture sinks;
    FindingDocument doc;
    const std::string bytes = c.make();
    ASSERT_EQ(OpenModern(doc, bytes), c.opens) << doc.All();
    if (!c.opens) {
      EXPECT_TRUE(doc.Has(c.finding)) << doc.All();
      continue;
    }
    // Look at every number the file may name, as a user expanding would.
    for (int n : {1, 2, 7, 12, 13, 14}) {
      doc.GetObject(n, 0);
    }
    EXPECT_TRUE(doc.Has(c.finding)) << doc.All();
    EXPECT_TRUE(doc.catalog->IsDictionary());
    EXPECT_TRUE(doc.GetObject(14, 0)->IsNull());  // unknown types read as free
  }
}

TEST(ModernReadingTest, DecompressionBombStopsAtTheBound) {
  // 300 MiB of zeros as an object stream: the decoding stops at its bound.
  ModernBuilder m;
  // Compressed a megabyte at a time, run-length only: quick, and never 300 MiB at once.
  std::string data;
  {
    z_stream z{};
    deflateInit2(&z, 1, Z_DEFLATED, 15, 8, Z_RLE);
    const std::string chunk(1u << 20, ' ');
    char out[1 << 16];
    for (int i = 0; i < 300; ++i) {
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.data()));
      z.avail_in = static_cast<uInt>(chunk.size());
      const int flush = i + 1 == 300 ? Z_FINISH : Z_NO_FLUSH;
      do {
        z.next_out = reinterpret_cast<Bytef*>(out);
        z.avail_out = sizeof out;
        deflate(&z, flush);
        data.append(out, sizeof out - z.avail_out);
      } while (z.avail_out == 0);
    }
    deflateEnd(&z);
  }
  m.Classic().Stream(10, "/Type /ObjStm /N 1 /First 4 /Filter /FlateDecode", data);
  m.Classic().Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  m.Classic().Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  m.XRefStream(11, {m.InUse(1), m.InUse(2), m.InUse(10), {3, 2, 10, 0}}, "/Size 12 /Root 1 0 R");
  FindingDocument doc;
  ASSERT_TRUE(OpenModern(doc, m.Bytes()));
  EXPECT_TRUE(doc.GetObject(3, 0)->IsNull());
  EXPECT_TRUE(doc.Has("Object stream 10: ")) << doc.All();
  EXPECT_EQ(doc.ObjectStreams().BytesKept(), 0u);
}

TEST(ModernReadingTest, SyntaxAsTheStandardHasIt) {
  PdfBuilder b;
  b.Object(1, "<< /T#79pe /Catalog /Pages 2 0 R /ID <00 11\n22\t33> >>");
  b.Object(2, std::string("<< /Type /Pages\0/Kids [] /Count 0 /J#61vaScript (x) >>", 53));
  b.Finish("/Root 1 0 R");
  const std::string bytes = b.Bytes();

  FindingDocument classic;
  SinkCapture sinks;
  classic.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "test.pdf");
  EXPECT_FALSE(sinks.errors.empty());  // the written lexer refuses both

  FindingDocument doc;
  ASSERT_TRUE(OpenModern(doc, bytes)) << doc.All();
  EXPECT_TRUE(doc.catalog->Get("Type")->IsName("Catalog"));
  EXPECT_EQ(ObjectJson(doc.catalog->Get("ID")), (nlohmann::json{{"bytes", "00112233"}}));
  EXPECT_STREQ(doc.pages->Get("JavaScript")->Text(), "x");
  // Labels show the names as the file wrote them, so nothing is hidden.
  std::vector<std::string> labels;
  for (const TreeItem& item : ChildItems(doc.catalog))
    labels.push_back(item.label);
  EXPECT_EQ(labels[0], "T#79pe= Catalog");
  EXPECT_EQ(ChildItems(doc.catalog)[0].key, "Type");
}

TEST(ModernReadingTest, SubsectionsAndTheFirstEntrySlip) {
  // Sections of several subsections, and one that starts at 1 with object 0's entry.
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  const size_t three = b.Object(3, "<< /Title (three) >>");
  const size_t xref = b.Size();
  char line[64];
  std::string section = "xref\n0 3\n0000000000 65535 f \n";
  snprintf(line, sizeof line, "%010zu 00000 n \n%010zu 00000 n \n", b.OffsetOf(1), b.OffsetOf(2));
  section += line;
  snprintf(line, sizeof line, "3 1\n%010zu 00000 n \n", three);
  section += line;
  b.Raw(section);
  b.Trailer("/Size 4 /Root 1 0 R /Info 3 0 R", xref);
  const std::string bytes = b.Bytes();

  SinkCapture sinks;
  FindingDocument classic;
  EXPECT_FALSE(classic.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "test.pdf"));
  EXPECT_EQ(sinks.errors.front(), "trailer not found");

  FindingDocument doc;
  ASSERT_TRUE(OpenModern(doc, bytes)) << doc.All();
  EXPECT_STREQ(doc.info->Get("Title")->Text(), "three");
  EXPECT_NE(doc.ModernFeatures() & pdf::kFeatureSubsections, 0u);

  const std::string slipped = Replace(bytes, "xref\n0 3\n", "xref\n1 3\n");
  FindingDocument slip;
  ASSERT_TRUE(OpenModern(slip, slipped)) << slip.All();
  EXPECT_TRUE(slip.Has("starts at 1 but lists object 0 first"));
  EXPECT_TRUE(slip.catalog->IsDictionary());
}

TEST(ModernReadingTest, ObjectStreamCacheKeepsItsBound) {
  // 60 object streams of 100 objects each; a budget that holds only a few.
  ModernBuilder m;
  std::vector<XRefRow> rows;
  std::string kids;
  const int streams = 60;
  for (int s = 0; s < streams; ++s) {
    std::vector<std::pair<int, std::string>> objects;
    for (int i = 0; i < 100; ++i) {
      const int number = 100 + s * 100 + i;
      objects.push_back(
          {number, "<< /Type /Page /Parent 2 0 R /Filler (" + std::string(200, 'f') + ") >>"});
      rows.push_back({number, 2, 10 + s, i});
      kids += std::to_string(number) + " 0 R ";
    }
    m.ObjectStream(10 + s, objects);
    rows.push_back(m.InUse(10 + s));
  }
  m.Classic().Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  m.Classic().Object(2, "<< /Type /Pages /Kids [" + kids + "] /Count 6000 >>");
  rows.push_back(m.InUse(1));
  rows.push_back(m.InUse(2));
  m.XRefStream(9, rows, "/Size 6100 /Root 1 0 R");

  pdf::OpenOptions options = OpenOptionsFor(pdf::Mode::kModern);
  options.object_stream_cache_bytes = 64 * 1024;
  FindingDocument doc;
  const std::string bytes = m.Bytes();
  ASSERT_TRUE(
      doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "test.pdf", options));
  // Thousands of predictor rows, each with its tag byte: read, not rebuilt.
  EXPECT_EQ(doc.ModernFeatures() & pdf::kFeatureRepaired, 0u) << doc.All();
  const std::vector<TreeItem> pages = ChildItems(doc.pages->Get("Kids"));
  ASSERT_EQ(pages.size(), 6000u);
  for (const TreeItem& page : pages) {
    ASSERT_TRUE(page.object->IsDictionary()) << page.label;
  }
  // One decoding per stream while walking in order, and never more kept than the budget
  // (one stream's worth at most beyond it: the last one is always kept).
  EXPECT_EQ(doc.ObjectStreams().Decodings(), static_cast<size_t>(streams));
  EXPECT_LE(doc.ObjectStreams().BytesKept(), 64u * 1024u + 32u * 1024u);
  EXPECT_GE(doc.ObjectStreams().StreamsKept(), 1u);
}

// A hybrid file: the classic section lists the direct objects and marks the
// compressed ones free; its XRefStm stream gives those from the object stream.
TEST(ModernReadingTest, HybridFileTakesCompressedObjectsFromItsStream) {
  ModernBuilder m;
  m.ObjectStream(10, {{2, "<< /Type /Pages /Kids [] /Count 0 >>"}, {3, "<< /Title (hybrid) >>"}});
  m.Classic().Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  // The stream part first, without its own startxref: the classic section names it.
  const size_t stream_at =
      m.XRefStream(11, {{2, 2, 10, 0}, {3, 2, 10, 1}}, "/Size 12", {1, 4, 2}, "", true);
  std::string bytes = m.Bytes().substr(0, m.Bytes().rfind("startxref"));
  const size_t xref = bytes.size();
  char line[160];
  snprintf(line, sizeof line,
           "xref\n0 4\n0000000000 65535 f \n%010zu 00000 n \n0000000000 65535 f \n"
           "0000000000 65535 f \n10 1\n%010zu 00000 n \n",
           m.Classic().OffsetOf(1), m.Classic().OffsetOf(10));
  bytes += line;
  bytes += "trailer\n<< /Size 12 /Root 1 0 R /Info 3 0 R /XRefStm " + std::to_string(stream_at) +
           " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";

  FindingDocument doc;
  ASSERT_TRUE(OpenModern(doc, bytes)) << doc.All();
  EXPECT_NE(doc.ModernFeatures() & pdf::kFeatureHybrid, 0u);
  EXPECT_STREQ(doc.info->Get("Title")->Text(), "hybrid");
  EXPECT_TRUE(doc.pages->IsDictionary());
  std::vector<std::string> labels;
  for (pdf::XRefTable* table : SectionChain(doc.xref))
    labels.push_back(SectionLabel(table));
  EXPECT_EQ(labels, (std::vector<std::string>{"xref at " + std::to_string(xref),
                                              "xref stream 11 0 at " + std::to_string(stream_at)}));
}

}  // namespace

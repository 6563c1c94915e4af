// End-to-end checks of quorvel-inspect: output, standard error and exit status.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/cli/inspect_run.h"
#include "tests/support/modern_builder.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/pdf_signer.h"
#include "tests/support/sample_images.h"
#include "tests/support/zlib_encoder.h"

namespace {

// The standard output of a shell command (an oracle's).
std::string Shell(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    out.append(buffer, n);
  }
  pclose(pipe);
  return out;
}

TEST(Inspect, TopLevelLabelsByDefault) {
  TempFile file(MinimalPdf());
  ToolRun run = Inspect(Quote(file.path()));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Header\nRoot\nXRefs\nTrailer\n");
  EXPECT_EQ(run.err, "");
}

TEST(Inspect, TreeToDepth) {
  TempFile file(MinimalPdf());
  ToolRun run = Inspect("--tree=2 " + Quote(file.path()));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "Header\n"
            "Root\n"
            "  Type= Catalog\n"
            "  Pages= <<...>>\n"
            "    Type= Pages\n"
            "    Kids= array\n"
            "    Count= 1\n"
            "XRefs\n"
            "Trailer\n"
            "  Size= 6\n"
            "  Root= <<...>>\n"
            "    Type= Catalog\n"
            "    Pages= <<...>>\n"
            "  Info= <<...>>\n"
            "    Title= \"Minimal\"\n"
            "    Producer= \"Quorvel tests\"\n"
            "  ID= array\n"
            "    [0]= \"<00112233445566778899aabbccddeeff>\"\n"
            "    [1]= \"<00112233445566778899aabbccddeeff>\"\n");
  EXPECT_EQ(Inspect("--tree=0 " + Quote(file.path())).out, "Header\nRoot\nXRefs\nTrailer\n");
}

// Another program cuts the file short while --objects is half way through
// it: the rows after the cut read zeros instead of ending the tool, and the
// exit status says the output cannot be trusted.
TEST(Inspect, FileCutShortWhileReadItEndsWithStatus3) {
  constexpr int kObjects = 1200;
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  for (int n = 3; n <= kObjects; ++n) {
    b.Stream(n, "/Type /Filler", std::string(3000, 'f'));
  }
  b.Finish("/Root 1 0 R /ID [<01> <01>]");
  TempFile file(b.Bytes());
  // A sanitizer runtime would refuse to come after the preloaded library.
  const std::string env =
      std::string("QUORVEL_TRUNCATE_FILE=") + Quote(file.path()) +
      " QUORVEL_TRUNCATE_AFTER=100 QUORVEL_TRUNCATE_SIZE=" + std::to_string(b.Size() / 4) +
      " LD_PRELOAD=" + TRUNCATE_ON_PRINT +
      " ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\"";
  ToolRun run = Inspect("--objects " + Quote(file.path()), env);
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_NE(run.err.find(file.path() + " changed on disk while it was read"), std::string::npos)
      << run.err;
  // One row per object after the finding that the file has no Info.
  EXPECT_EQ(run.out.rfind("Warning: No 'Info' entry in Trailer\n", 0), 0u);
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1 + kObjects) << run.out;
  // Before the cut the rows are whole; the last object lay past it.
  EXPECT_NE(run.out.find("\n100 0 obj  offset "), std::string::npos);
  EXPECT_NE(run.out.find("stream  Filler\n"), std::string::npos);
  const size_t last = run.out.rfind('\n', run.out.size() - 2) + 1;
  const std::string last_row = run.out.substr(last);
  EXPECT_EQ(last_row.rfind(std::to_string(kObjects) + " 0 obj", 0), 0u) << last_row;
  EXPECT_EQ(last_row.find("Filler"), std::string::npos) << last_row;

  // The same file untouched is read whole, with status 0.
  TempFile intact(b.Bytes());
  run = Inspect("--objects " + Quote(intact.path()));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
}

TEST(Inspect, FindingsComeFirstAndNeverFailTheOpen) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count (3) >>");
  b.Finish("/Root 1 0 R");
  TempFile file(b.Bytes());
  ToolRun run = Inspect("--select Root/Type " + Quote(file.path()));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "Invalid: Count object is not a number\n"
            "Warning: No 'Info' entry in Trailer\n"
            "Warning: No 'ID' entry in Trailer (strongly recommended)\n"
            "name: Catalog\n");
}

TEST(Inspect, SelectAndObjectDescribe) {
  TempFile file(MinimalPdf());
  ToolRun run = Inspect("--select Root/Pages/Kids/[0]/Contents " + Quote(file.path()));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "stream\n  Length=36\n\nBT /F1 24 Tf 72 712 Td (Hello) Tj ET\n");
  run = Inspect("--object 2 " + Quote(file.path()));
  EXPECT_EQ(run.out, "dictionary, 3 entries\n");
}

TEST(Inspect, RawWritesTheStreamBytesOnly) {
  TempFile file(MinimalPdf());
  ToolRun run = Inspect("--raw Root/Pages/Kids/[0]/Contents " + Quote(file.path()));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "BT /F1 24 Tf 72 712 Td (Hello) Tj ET");
}

// --hex matches hexdump -C of the raw bytes, --decoded what qpdf filters out
// of the same stream, for a text stream and a binary one of every length
// class (a whole line, a part line, empty).
TEST(Inspect, HexAndDecodedAgainstHexdumpAndQpdf) {
  PdfBuilder pdf;
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R /QvStreams [4 0 R 5 0 R 6 0 R] >>");
  pdf.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  std::string binary;
  for (int i = 0; i < 1000; ++i) {
    binary.push_back(static_cast<char>(i * 37 % 256));
  }
  pdf.Stream(4, "/Filter /FlateDecode", Deflate(binary));
  pdf.Stream(5, "", "BT (sixteen bytes) ET");
  pdf.Stream(6, "", "");
  pdf.Object(3, "<< /Title (hex) >>");
  pdf.Finish("/Root 1 0 R /Info 3 0 R /ID [<00> <00>]");  // no findings before the view
  TempFile file(pdf.Bytes());
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const std::string path = "Root/QvStreams/[" + std::to_string(i) + "] ";
    ToolRun hex = Inspect("--hex " + path + Quote(file.path()));
    ASSERT_EQ(hex.status, 0) << hex.err;
    ToolRun oracle = Inspect("--raw " + path + Quote(file.path()) + " | hexdump -v -C");
    // hexdump ends with a line holding the length alone.
    const size_t last = oracle.out.rfind('\n', oracle.out.size() - 2);
    EXPECT_EQ(hex.out, last == std::string::npos ? "" : oracle.out.substr(0, last + 1));
    ToolRun decoded = Inspect("--decoded " + path + Quote(file.path()));
    ASSERT_EQ(decoded.status, 0) << decoded.err;
    FILE* pipe = popen(("qpdf --show-object=" + std::to_string(4 + i) + " --filtered-stream-data " +
                        Quote(file.path()))
                           .c_str(),
                       "r");
    std::string expected;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
      expected.append(buffer, n);
    }
    pclose(pipe);
    EXPECT_EQ(decoded.out, expected);
  }
  ToolRun refused = Inspect("--decoded Root/Pages " + Quote(file.path()));
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err, "quorvel-inspect: 'Root/Pages' is not a stream\n");
}

// --objects places every object where qpdf's cross-reference listing does;
// --find and --refs answer on the same file.
TEST(Inspect, ObjectsFindAndRefs) {
  const std::string sample = std::string(SAMPLES_DIR) + "/sample-modern.pdf";
  ToolRun objects = Inspect("--modern --objects " + Quote(sample));
  ASSERT_EQ(objects.status, 0) << objects.err;
  std::istringstream theirs(Shell("qpdf --show-xref " + Quote(sample)));
  std::string line;
  std::string expected;
  while (std::getline(theirs, line)) {
    int number = 0, generation = 0, first = 0, second = 0;
    if (sscanf(line.c_str(), "%d/%d: compressed; stream = %d, index = %d", &number, &generation,
               &first, &second) == 4) {
      expected +=
          std::to_string(number) + " 0 obj  in object stream " + std::to_string(first) + "\n";
    } else if (sscanf(line.c_str(), "%d/%d: uncompressed; offset = %d", &number, &generation,
                      &first) == 3) {
      expected += std::to_string(number) + " " + std::to_string(generation) + " obj  offset " +
                  std::to_string(first) + "\n";
    }
  }
  std::istringstream ours(objects.out);
  std::string places;
  while (std::getline(ours, line)) {
    if (line.rfind("Warning", 0) == 0) {
      continue;
    }
    // Up to the kind: the number and the place.
    const size_t kind = line.find("  ", line.find("obj  ") + 5);
    places += line.substr(0, kind) + "\n";
  }
  EXPECT_FALSE(expected.empty());
  EXPECT_EQ(places, expected);
  EXPECT_NE(objects.out.find("1 0 obj  in object stream 100  dictionary  Catalog\n"),
            std::string::npos);

  ToolRun find =
      Inspect("--modern --find 'sample, page [12]' --regex --in-streams " + Quote(sample));
  ASSERT_EQ(find.status, 0) << find.err;
  EXPECT_NE(find.out.find("5 0 obj  contents  "), std::string::npos) << find.out;
  EXPECT_NE(find.out.find("7 0 obj  contents  "), std::string::npos) << find.out;
  EXPECT_EQ(find.out.find("9 0 obj"), std::string::npos) << find.out;
  ToolRun refs = Inspect("--modern --refs 1 " + Quote(sample));
  // The update replaced the catalog: only the first cross-reference stream
  // still names it.
  EXPECT_EQ(refs.out, "Pages  2 0 R  Pages\nReferred to by 1:\n101 0 obj  Root\n");
  ToolRun usage = Inspect("--regex " + Quote(sample));
  EXPECT_EQ(usage.status, 2);
  EXPECT_NE(usage.err.find("--regex, --in-streams and --match-case go with --find"),
            std::string::npos);
}

// The analysis views on the sample, whose update replaced its catalog.
TEST(Inspect, RevisionsCheckOrphansAndStats) {
  const std::string sample = std::string(SAMPLES_DIR) + "/sample.pdf";
  struct Row {
    const char* option;
    const char* expected;
  };
  const Row rows[] = {
      {"--revisions", "Revision 1 (the original file): bytes 0 to "},
      {"--revisions", "\nRevision 2 (an update): bytes "},
      {"--check", "0 findings\n"},
      {"--orphans", "1 0 obj  dictionary Catalog\n"},
      {"--stats", "image stream "},
      {"--stats", "100.0%\n"},
      {"--map", "         0         15  header\n"},
      {"--map", "  object 25 0, image stream\n"},
      {"--walk", "25 objects, 14 streams, 9 images drawn, 0 not drawn\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.option);
    for (const char* mode : {"", "--modern "}) {
      ToolRun run = Inspect(std::string(mode) + row.option + " " + Quote(sample));
      ASSERT_EQ(run.status, 0) << run.err;
      EXPECT_NE(run.out.find(row.expected), std::string::npos) << run.out;
    }
  }
  ToolRun two = Inspect("--check --stats " + Quote(sample));
  EXPECT_EQ(two.status, 2);
  EXPECT_NE(two.err.find("give at most one of"), std::string::npos) << two.err;
}

TEST(Inspect, FailuresAndUsageErrors) {
  TempFile file(MinimalPdf());
  TempFile broken("%PDF-1.4\nno structure at all\n");
  struct Case {
    const char* name;
    std::string args;
    int status;
    std::string err_contains;
  };
  const Case cases[] = {
      {"missing file", "/nonexistent/x.pdf", 1, "Unable to open file '/nonexistent/x.pdf'."},
      {"damaged file", Quote(broken.path()), 1, "is damaged or not in expected format."},
      {"no file", "", 2, "no file given"},
      {"bad option", "--frobnicate " + Quote(file.path()), 2, "unknown option --frobnicate"},
      {"bad depth", "--tree=x " + Quote(file.path()), 2, "bad depth"},
      {"bad path", "--select Root/Nope " + Quote(file.path()), 2, "no item 'Nope' below 'Root'"},
      {"raw of a non-stream", "--raw Root " + Quote(file.path()), 2, "is not a stream"},
      {"object not in the table", "--object 99 " + Quote(file.path()), 2, "object 99"},
      {"image of a non-image", "--image Root -o /tmp/x.png " + Quote(file.path()), 2,
       "is not an image stream"},
      {"two views", "--tree --raw Root " + Quote(file.path()), 2, "at most one"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ToolRun run = Inspect(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.err.find(c.err_contains), std::string::npos) << run.err;
  }
}

TEST(Inspect, VersionAndHelp) {
  EXPECT_EQ(Inspect("--version").out, "quorvel-inspect Quorvel 1.02b6\n");
  ToolRun help = Inspect("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--tree[=DEPTH]"), std::string::npos);
}

}  // namespace

namespace {

// Reads a PNG back as 8-bit RGB rows.
bool ReadPng(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgb) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    return false;
  }
  image.format = PNG_FORMAT_RGB;
  rgb->resize(PNG_IMAGE_SIZE(image));
  bool ok = png_image_finish_read(&image, nullptr, rgb->data(), 0, nullptr) != 0;
  *width = static_cast<int>(image.width);
  *height = static_cast<int>(image.height);
  return ok;
}

TEST(Inspect, ImageWritesThePictureAsPng) {
  std::vector<SampleImage> images = MakeSampleImages();
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R /Images 3 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  std::string dict = "<<";
  int number = 4;
  for (const SampleImage& image : images) {
    int stream = number++;
    int lookup = image.lookup.empty() ? 0 : number++;
    b.Stream(stream, image.Entries(lookup), image.data);
    if (lookup != 0) {
      b.Stream(lookup, "", image.lookup);
    }
    dict += " /" + image.name + " " + std::to_string(stream) + " 0 R";
  }
  b.Object(3, dict + " >>");
  b.Finish("/Root 1 0 R");
  TempFile file(b.Bytes());
  ASSERT_FALSE(images.empty());
  // Modern mode draws the pictures classic mode draws, the same.
  for (const SampleImage& image : images) {
    for (const std::string mode : {"", "--modern "}) {
      SCOPED_TRACE(image.name + " " + mode);
      TempFile png("", ".png");
      ToolRun run = Inspect(mode + "--image Root/Images/" + image.name + " -o " +
                            Quote(png.path()) + " " + Quote(file.path()));
      ASSERT_EQ(run.status, 0) << run.err;
      int width = 0, height = 0;
      std::vector<uint8_t> rgb;
      ASSERT_TRUE(ReadPng(png.path(), &width, &height, &rgb));
      EXPECT_EQ(width, image.width);
      EXPECT_EQ(height, image.height);
      ASSERT_EQ(rgb.size(), image.rgb.size());
      int worst = 0;
      for (size_t i = 0; i < rgb.size(); ++i) {
        worst = std::max(worst, std::abs(int(rgb[i]) - int(image.rgb[i])));
      }
      EXPECT_LE(worst, image.tolerance);
    }
  }
}

// In modern mode the description of an image says what the picture is, and
// the contents of other streams are cut at --contents-bound.
TEST(Inspect, ModernImageLinesAndContentsBound) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R /Picture 3 0 R /Text 4 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Stream(3, "/Subtype /Image /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray",
           std::string(2, '\x80'));
  b.Stream(4, "", "0123456789abcdef");
  b.Finish("/Root 1 0 R");
  TempFile file(b.Bytes());
  ToolRun image = Inspect("--modern --select Root/Picture " + Quote(file.path()));
  EXPECT_EQ(image.status, 0) << image.err;
  EXPECT_NE(image.out.find("\nImage: 2 x 1 pixels, 8 bits per component, DeviceGray\n"),
            std::string::npos)
      << image.out;
  ToolRun text = Inspect("--modern --contents-bound 10 --select Root/Text " + Quote(file.path()));
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("0123456789\n... (first 10 of 16 bytes)\n"), std::string::npos)
      << text.out;
  EXPECT_EQ(Inspect("--contents-bound 0 " + Quote(file.path())).status, 2);
}

// A file with a cross-reference stream: classic mode refuses it as written and
// says that modern mode reads it; --modern shows it, its sections below XRefs.
TEST(Inspect, ModernModeAndTheHintAfterAClassicFailure) {
  ModernBuilder m;
  m.ObjectStream(
      10, {{1, "<< /Type /Catalog /Pages 2 0 R >>"}, {2, "<< /Type /Pages /Kids [] /Count 0 >>"}});
  const size_t xref = m.XRefStream(11, {{1, 2, 10, 0}, {2, 2, 10, 1}, m.InUse(10)},
                                   "/Size 12 /Root 1 0 R /ID [<00> <00>]");
  TempFile file(m.Bytes());

  ToolRun classic = Inspect(Quote(file.path()));
  EXPECT_EQ(classic.status, 1);
  EXPECT_EQ(classic.err, "Expected 'xref' at 11\nThe file '" + file.path() +
                             "' is damaged or not in expected format.\n"
                             "hint: the file opens with --modern\n");

  ToolRun modern = Inspect("--modern --tree=1 " + Quote(file.path()));
  EXPECT_EQ(modern.status, 0) << modern.err;
  EXPECT_EQ(modern.out,
            "Warning: No 'Info' entry in Trailer\n"
            "Header\nRoot\n  Type= Catalog\n  Pages= 2 0 R <<...>>\nXRefs\n  xref stream 11 0 at " +
                std::to_string(xref) +
                "\nTrailer\n  Type= XRef\n  W= array [1, 4, 2]\n  Index= array [1, 2, 10, 2]\n"
                "  Filter= FlateDecode\n  DecodeParms= <<...>>\n  Size= 12\n  Root= 1 0 R <<...>>\n"
                "  ID= array\n  Length= " +
                modern.out.substr(modern.out.rfind("Length= ") + 8));

  ToolRun section = Inspect("--modern --select XRefs " + Quote(file.path()));
  EXPECT_NE(section.out.find("1: in object stream 10, index 0\n2: in object stream 10, index 1\n"),
            std::string::npos)
      << section.out;
  EXPECT_NE(section.out.find("11: in use at " + std::to_string(xref) + " gen 0\n"),
            std::string::npos)
      << section.out;

  // What the view meets on its way is reported after it, on standard error.
  std::string minimal = MinimalPdf();
  minimal.replace(minimal.find("/Length 36"), 10, "/Length 20");
  TempFile damaged(minimal);
  ToolRun object = Inspect("--modern --object 5 " + Quote(damaged.path()));
  EXPECT_EQ(object.status, 0);
  // Modern mode heads the description with where the object lies.
  const size_t at = minimal.find("5 0 obj");
  const size_t length = minimal.find("endobj", at) + 6 - at;
  EXPECT_EQ(object.out,
            "5 0 obj at offset " + std::to_string(at) + ", " + std::to_string(length) +
                " bytes\nstream\n  Length=20\n\nBT /F1 24 Tf 72 712 Td (Hello) Tj ET\n");
  EXPECT_EQ(
      object.err,
      "Warning: Object 5 0: stream Length 20 is wrong; the data end at endstream (36 bytes)\n");
}

}  // namespace

namespace {

// --operators lists the decoded content stream as the Operators tab does.
TEST(Inspect, OperatorsOfAContentStream) {
  PdfBuilder pdf;
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  pdf.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  pdf.Object(3, "<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>");
  pdf.Stream(
      4, "/Filter /FlateDecode",
      Deflate("q 0 0 1 rg % blue\n10 10 100 100 re f BT /F1 9 Tf [(a\\)b) 5 <4142>] TJ ET Q"));
  pdf.Finish("/Root 1 0 R");
  TempFile file(pdf.Bytes());
  ToolRun run = Inspect("--modern --operators Root/Pages/Kids/[0]/Contents " + Quote(file.path()));
  EXPECT_EQ(run.status, 0) << run.err;
  // The findings come first, as for every text view.
  const std::string findings =
      "Warning: No 'Info' entry in Trailer\n"
      "Warning: No 'ID' entry in Trailer (strongly recommended)\n";
  EXPECT_EQ(run.out, findings +
                         "q\n"
                         "  0 0 1 rg\n"
                         "  10 10 100 100 re\n"
                         "  f\n"
                         "  BT\n"
                         "    /F1 9 Tf\n"
                         "    [(a\\)b) 5 <4142>] TJ\n"
                         "  ET\n"
                         "Q\n");

  struct Case {
    const char* name;
    std::string args;
    std::string err_contains;
  };
  const Case cases[] = {
      {"classic mode", "--operators Root " + Quote(file.path()), "add --modern"},
      {"not a stream", "--modern --operators Root " + Quote(file.path()), "is not a stream"},
      {"with another view", "--modern --raw Root --operators Root " + Quote(file.path()),
       "at most one"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ToolRun failed = Inspect(c.args);
    EXPECT_EQ(failed.status, 2);
    EXPECT_NE(failed.err.find(c.err_contains), std::string::npos) << failed.err;
  }
  EXPECT_NE(Inspect("--help").out.find("--operators PATH"), std::string::npos);
}

}  // namespace

namespace {

// A file signed by poppler's pdfsig, as signed and with an update after it:
// the signature's line names the ByteRange pdfsig reports and what changed.
TEST(Inspect, RevisionsOfAFileSignedByARealSigner) {
  if (const std::string missing = MissingSigningTools(); !missing.empty()) {
    GTEST_SKIP() << "not installed: " << missing;
  }
  PdfSigner signer;
  ASSERT_TRUE(signer.ready());
  std::string signed_bytes;
  ASSERT_TRUE(signer.Sign(MinimalPdf(), &signed_bytes));
  struct Row {
    std::string bytes;
    const char* after;
  };
  const Row rows[] = {
      {signed_bytes, "; nothing changed after it\n"},
      {WithUpdatedStream(signed_bytes, 5, "BT ET"), "; changed after it (1): 5\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.after);
    TempFile file(row.bytes);
    SignatureReport oracle;
    ASSERT_TRUE(signer.Verify(file.path(), &oracle));
    const int64_t* r = oracle.byte_range;
    const std::string expected = ": ByteRange [0 " + std::to_string(r[1]) + " " +
                                 std::to_string(r[2]) + " " + std::to_string(r[3]) +
                                 "]: revision 2, all of it but bytes " + std::to_string(r[1]) +
                                 " to " + std::to_string(r[2] - 1) + " (the signature)" + row.after;
    ToolRun run = Inspect("--modern --revisions " + Quote(file.path()));
    ASSERT_EQ(run.status, 0) << run.err;
    const size_t line = run.out.find(expected);
    ASSERT_NE(line, std::string::npos) << run.out;
    EXPECT_EQ(run.out.rfind("\nSignature ", line), run.out.rfind('\n', line - 1)) << run.out;
  }
}

}  // namespace

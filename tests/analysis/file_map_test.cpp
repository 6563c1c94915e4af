// The file map: every byte has one owner, objects start where the sections
// (and qpdf) say, and what nothing owns is shown as such.
#include "analysis/file_map.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/space.h"
#include "describe/open_mode.h"
#include "pdf/document.h"
#include "tests/support/command_output.h"
#include "tests/support/pdf_builder.h"

namespace {

struct Expected {
  size_t from;
  size_t to;
  std::string owner;
};

void ExpectCovers(const FileMap& map) {
  ASSERT_FALSE(map.ranges.empty());
  EXPECT_EQ(map.ranges.front().from, 0);
  EXPECT_EQ(map.ranges.back().to, map.file_bytes);
  for (size_t i = 1; i < map.ranges.size(); ++i) {
    EXPECT_EQ(map.ranges[i].from, map.ranges[i - 1].to) << i;
    EXPECT_LT(map.ranges[i].from, map.ranges[i].to) << i;
  }
}

// A file with stray bytes between two objects, an update that replaces one
// object, and bytes after the end: each range and its owner, exactly.
TEST(FileMapTest, OwnersOfAnUpdatedFile) {
  PdfBuilder b("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
  const size_t one = b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  const size_t two = b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  const size_t stray = b.Size();
  b.Raw("% left by a tool\nnot an object\n");
  const size_t three = b.Object(3, "<< /Producer (first) >>");
  const size_t section = b.Finish("/Root 1 0 R /Info 3 0 R");
  const size_t trailer = b.Bytes().find("trailer", section);
  const size_t first_end = b.Size();
  b.StartUpdate();
  const size_t three_again = b.Object(3, "<< /Producer (second) >>");
  const size_t update = b.Finish("/Root 1 0 R /Info 3 0 R");
  const size_t update_trailer = b.Bytes().find("trailer", update);
  const size_t end = b.Size();
  b.Raw("appended by a mailer\n");
  const std::vector<Expected> expected = {
      {0, one, "header"},
      {one, two, "object 1 0, Catalog"},
      {two, stray, "object 2 0, Pages"},
      {stray, three, "unowned"},
      {three, section, "earlier object 3 0"},
      {section, trailer, "cross-reference section, xref table"},
      {trailer, first_end, "trailer"},
      {first_end, update, "object 3 0, dictionary"},
      {update, update_trailer, "cross-reference section, xref table"},
      {update_trailer, end, "trailer"},
      {end, b.Size(), "after the last %%EOF"},
  };
  ASSERT_EQ(three_again, first_end);
  TempFile file(b.Bytes());
  for (pdf::Mode mode : {pdf::Mode::kClassic, pdf::Mode::kModern}) {
    SCOPED_TRACE(mode == pdf::Mode::kModern ? "modern" : "classic");
    pdf::Document doc;
    ASSERT_TRUE(doc.Open(file.path().c_str(), OpenOptionsFor(mode)));
    const FileMap map = MapFile(doc, MeasureSpace(doc));
    ExpectCovers(map);
    ASSERT_EQ(map.ranges.size(), expected.size()) << FileMapText(map);
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(map.ranges[i].from, static_cast<int64_t>(expected[i].from)) << i;
      EXPECT_EQ(map.ranges[i].to, static_cast<int64_t>(expected[i].to)) << i;
      EXPECT_EQ(DescribeRange(map, map.ranges[i]), expected[i].owner) << i;
    }
    EXPECT_EQ(map.OfObject(3)->from, static_cast<int64_t>(three_again));
    EXPECT_EQ(map.At(static_cast<int64_t>(stray) + 3)->part, MapPart::kUnowned);
    EXPECT_EQ(map.OfSection(static_cast<int64_t>(update))->from, static_cast<int64_t>(update));
    EXPECT_EQ(map.OfSection(static_cast<int64_t>(update) + 1), nullptr);
  }
}

// Files qpdf writes with object streams and a cross-reference stream: each
// object qpdf places in the file starts a range of its own; each one it
// compresses is found in the stream qpdf names.
TEST(FileMapTest, ObjectsWhereQpdfPutsThem) {
  TempFile own(MinimalPdf());
  TempFile packed("");
  ASSERT_EQ(std::system((std::string(QPDF_EXE) + " --object-streams=generate '" + own.path() +
                         "' '" + packed.path() + "'")
                            .c_str()),
            0);
  std::string xref;
  ASSERT_TRUE(
      CaptureCommand(std::string(QPDF_EXE) + " --show-xref '" + packed.path() + "'", &xref));
  pdf::Document doc;
  ASSERT_TRUE(doc.Open(packed.path().c_str(), OpenOptionsFor(pdf::Mode::kModern)));
  const FileMap map = MapFile(doc, MeasureSpace(doc));
  ExpectCovers(map);
  std::istringstream lines(xref);
  std::string line;
  int placed = 0;
  int compressed = 0;
  while (std::getline(lines, line)) {
    int number = 0;
    int generation = 0;
    long long at = 0;
    int stream = 0;
    if (sscanf(line.c_str(), "%d/%d: uncompressed; offset = %lld", &number, &generation, &at) ==
        3) {
      SCOPED_TRACE(line);
      const MapRange* range = map.OfObject(number);
      ASSERT_NE(range, nullptr);
      EXPECT_EQ(range->from, at);
      EXPECT_EQ(map.At(at), range);
      ++placed;
    } else if (sscanf(line.c_str(), "%d/%d: compressed; stream = %d", &number, &generation,
                      &stream) == 3) {
      SCOPED_TRACE(line);
      int32_t container = 0;
      const MapRange* range = map.OfObject(number, &container);
      EXPECT_EQ(container, stream);
      ASSERT_NE(range, nullptr);
      EXPECT_EQ(range->number, stream);
      ++compressed;
    }
  }
  EXPECT_GE(placed, 2);  // the object stream and the cross-reference stream
  EXPECT_GE(compressed, 4);
  EXPECT_EQ(map.ranges.back().part, MapPart::kTrailer);
}

}  // namespace

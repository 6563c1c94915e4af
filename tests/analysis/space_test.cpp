// Space by kind: every byte of the file is counted once, compressed objects
// share their stream's bytes, and the kinds name what the objects are.
#include "analysis/space.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "describe/open_mode.h"
#include "pdf/document.h"
#include "tests/support/pdf_builder.h"

namespace {

TEST(SpaceTest, EveryByteCountsOnceByKind) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.Object(3,
           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R "
           "/Resources << /Font << /F1 5 0 R >> /XObject << /Im 6 0 R >> >> >>");
  b.Stream(4, "", "BT /F1 12 Tf (Hi) Tj ET");
  b.Object(5, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  b.Stream(6,
           "/Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceGray "
           "/BitsPerComponent 8",
           std::string(4, '\x80'));
  b.Stream(7, "/Length1 3", "abc");
  b.Finish("/Root 1 0 R");
  char pattern[] = "/tmp/quorvel-space-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  const std::string own = dir + "/own.pdf";
  const std::string streams = dir + "/streams.pdf";
  b.WriteFile(own);
  ASSERT_EQ(
      std::system((std::string(QPDF_EXE) + " --object-streams=generate --preserve-unreferenced '" +
                   own + "' '" + streams + "'")
                      .c_str()),
      0);
  for (const std::string& path : {own, streams}) {
    SCOPED_TRACE(path);
    pdf::Document doc;
    ASSERT_TRUE(doc.Open(path.c_str(), OpenOptionsFor(pdf::Mode::kModern)));
    const FileSpace space = MeasureSpace(doc);
    int64_t counted = space.sections_bytes + space.other_bytes;
    std::map<std::string, int64_t> objects;
    for (const KindSpace& kind : space.kinds) {
      counted += kind.bytes;
      objects[kind.kind] = kind.objects;
    }
    // Shares of a compressed stream are rounded down: a few bytes stay over.
    EXPECT_LE(counted, space.file_bytes);
    EXPECT_GE(counted, space.file_bytes - 8);
    EXPECT_EQ(objects["image stream"], 1);
    EXPECT_EQ(objects["page content stream"], 1);
    EXPECT_EQ(objects["font file stream"], 1);
    EXPECT_EQ(objects["Font Type1"], 1);
    EXPECT_EQ(objects["Page"], 1);
    for (const ObjectSpace& object : space.objects) {
      EXPECT_GT(object.bytes, 0) << object.number;
    }
  }
  std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace

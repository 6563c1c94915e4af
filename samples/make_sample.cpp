// Writes the bundled sample: pages with Flate and plain content streams, Info and
// ID, and an incremental update that replaces the catalog, the page tree root and
// the Info dictionary and adds a page showing one image of each kind.
#include <zlib.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/pdf_builder.h"
#include "tests/support/sample_images.h"
#include "tests/support/zlib_encoder.h"

namespace {

std::string PageContent(int page) {
  return "BT /F1 24 Tf 72 712 Td (Quorvel sample, page " + std::to_string(page) +
         ") Tj ET\n0 0 1 RG 72 600 m 540 600 l S\n";
}

// Draws the images in rows of three below the page's text line.
std::string ImagePlacements(const std::vector<SampleImage>& images) {
  std::string ops;
  for (size_t i = 0; i < images.size(); ++i) {
    const int x = 72 + static_cast<int>(i % 3) * 168;
    const int y = 440 - static_cast<int>(i / 3) * 150;
    const int w = 144;
    const int h = w * images[i].height / images[i].width;
    ops += "q " + std::to_string(w) + " 0 0 " + std::to_string(h) + " " + std::to_string(x) + " " +
           std::to_string(y) + " cm /" + images[i].name + " Do Q\n";
  }
  return ops;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: make-sample OUT.pdf\n");
    return 2;
  }
  PdfBuilder b("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R /PageMode /UseNone >>");
  b.Object(2, "<< /Type /Pages /Kids [4 0 R 6 0 R 8 0 R] /Count 3 >>");
  b.Object(3, "<< /Title (Quorvel sample) /Author (Quorvel) /Producer (make-sample) >>");
  const char* fonts = "/Resources << /Font << /F1 10 0 R >> >>";
  for (int i = 0; i < 3; ++i) {
    int page = 4 + 2 * i;
    b.Object(page, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] " + std::string(fonts) +
                       " /Contents " + std::to_string(page + 1) + " 0 R >>");
    b.Stream(page + 1, "/Filter /FlateDecode", Deflate(PageContent(i + 1), 9));
  }
  b.Object(10, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  const char* id = "/ID [<5175f2e1a3b4c5d6e7f8091a2b3c4d5e> <5175f2e1a3b4c5d6e7f8091a2b3c4d5e>]";
  b.Finish(std::string("/Root 1 0 R /Info 3 0 R ") + id);

  // Incremental update: its section lists only its own objects, so the new ones
  // are numbered in one run: a new Info (11), a new page tree root (12) holding a
  // fourth page (13, 14), a catalog (15) pointing at it, and from 16 on the
  // images that the fourth page shows (an indexed image's lookup stream right
  // after it).
  const std::vector<SampleImage> images = MakeSampleImages();
  std::string xobjects;
  int number = 16;
  for (const SampleImage& image : images) {
    xobjects += " /" + image.name + " " + std::to_string(number) + " 0 R";
    number += image.lookup.empty() ? 1 : 2;
  }
  b.StartUpdate();
  b.Object(11,
           "<< /Title (Quorvel sample, updated) /Author (Quorvel) /Producer (make-sample) "
           "/ModDate (D:20261207120000Z) >>");
  b.Object(12, "<< /Type /Pages /Kids [4 0 R 6 0 R 8 0 R 13 0 R] /Count 4 >>");
  b.Object(13,
           "<< /Type /Page /Parent 12 0 R /MediaBox [0 0 612 792] /Resources << /Font << "
           "/F1 10 0 R >> /XObject <<" +
               xobjects + " >> >> /Contents 14 0 R >>");
  b.Stream(14, "", PageContent(4) + ImagePlacements(images));
  b.Object(15, "<< /Type /Catalog /Pages 12 0 R /PageMode /UseNone >>");
  number = 16;
  for (const SampleImage& image : images) {
    b.Stream(number, image.Entries(number + 1), image.data);
    if (!image.lookup.empty()) {
      b.Stream(number + 1, "", image.lookup);
    }
    number += image.lookup.empty() ? 1 : 2;
  }
  b.Finish(std::string("/Root 15 0 R /Info 11 0 R ") + id);

  try {
    b.WriteFile(argv[1]);
  } catch (const std::exception& e) {
    fprintf(stderr, "make-sample: %s\n", e.what());
    return 1;
  }
  return 0;
}

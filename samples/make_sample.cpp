// Writes the bundled samples: pages with Flate and plain content streams, Info
// and ID, and an incremental update that replaces the catalog, the page tree
// root and the Info dictionary and adds a page showing one image of each kind;
// once in the classic form and once with object and cross-reference streams.
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/modern_builder.h"
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

void WriteBytes(const char* path, const std::string& bytes) {
  FILE* file = fopen(path, "wb");
  if (file == nullptr) {
    throw std::runtime_error(std::string("cannot write ") + path);
  }
  const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (fclose(file) != 0 || !written) {
    throw std::runtime_error(std::string("cannot write ") + path);
  }
}

// One object of the sample: a dictionary, or a stream with its entries and data.
struct SampleObject {
  int number;
  std::string body;  // the dictionary (plain objects) or the stream's entries
  bool stream = false;
  std::string data = {};
};

struct Revision {
  std::vector<SampleObject> objects;
  std::string trailer;
};

// The original file, then an incremental update that replaces the catalog, the
// page tree root and the Info dictionary and adds a page showing one image of
// each kind.
std::vector<Revision> SampleRevisions() {
  std::vector<Revision> revisions(2);
  std::vector<SampleObject>& first = revisions[0].objects;
  first.push_back({1, "<< /Type /Catalog /Pages 2 0 R /PageMode /UseNone >>"});
  first.push_back({2, "<< /Type /Pages /Kids [4 0 R 6 0 R 8 0 R] /Count 3 >>"});
  first.push_back({3, "<< /Title (Quorvel sample) /Author (Quorvel) /Producer (make-sample) >>"});
  const char* fonts = "/Resources << /Font << /F1 10 0 R >> >>";
  for (int i = 0; i < 3; ++i) {
    int page = 4 + 2 * i;
    first.push_back({page, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] " +
                               std::string(fonts) + " /Contents " + std::to_string(page + 1) +
                               " 0 R >>"});
    first.push_back({page + 1, "/Filter /FlateDecode", true, Deflate(PageContent(i + 1), 9)});
  }
  first.push_back({10, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"});
  const std::string id =
      "/ID [<5175f2e1a3b4c5d6e7f8091a2b3c4d5e> <5175f2e1a3b4c5d6e7f8091a2b3c4d5e>]";
  revisions[0].trailer = "/Root 1 0 R /Info 3 0 R " + id;

  // The update's objects are numbered in one run: a new Info (11), a new page
  // tree root (12) holding a fourth page (13, 14), a catalog (15) pointing at
  // it, and from 16 on the images that the fourth page shows (an indexed
  // image's lookup stream right after it).
  const std::vector<SampleImage> images = MakeSampleImages();
  std::string xobjects;
  int number = 16;
  for (const SampleImage& image : images) {
    xobjects += " /" + image.name + " " + std::to_string(number) + " 0 R";
    number += image.lookup.empty() ? 1 : 2;
  }
  std::vector<SampleObject>& update = revisions[1].objects;
  update.push_back({11,
                    "<< /Title (Quorvel sample, updated) /Author (Quorvel) /Producer (make-sample) "
                    "/ModDate (D:20261207120000Z) >>"});
  update.push_back({12, "<< /Type /Pages /Kids [4 0 R 6 0 R 8 0 R 13 0 R] /Count 4 >>"});
  update.push_back({13,
                    "<< /Type /Page /Parent 12 0 R /MediaBox [0 0 612 792] /Resources << /Font << "
                    "/F1 10 0 R >> /XObject <<" +
                        xobjects + " >> >> /Contents 14 0 R >>"});
  update.push_back({14, "", true, PageContent(4) + ImagePlacements(images)});
  update.push_back({15, "<< /Type /Catalog /Pages 12 0 R /PageMode /UseNone >>"});
  number = 16;
  for (const SampleImage& image : images) {
    update.push_back({number, image.Entries(number + 1), true, image.data});
    if (!image.lookup.empty()) {
      update.push_back({number + 1, "", true, image.lookup});
    }
    number += image.lookup.empty() ? 1 : 2;
  }
  revisions[1].trailer = "/Root 15 0 R /Info 11 0 R " + id;
  return revisions;
}

// The classic form: one section per revision, as PDF 1.4 writes them.
std::string ClassicSample(const std::vector<Revision>& revisions) {
  PdfBuilder b("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
  for (size_t r = 0; r < revisions.size(); ++r) {
    if (r > 0) {
      b.StartUpdate();  // the update's section lists only its own objects
    }
    for (const SampleObject& object : revisions[r].objects) {
      if (object.stream) {
        b.Stream(object.number, object.body, object.data);
      } else {
        b.Object(object.number, object.body);
      }
    }
    b.Finish(revisions[r].trailer);
  }
  return b.Bytes();
}

// The modern form of the same document: each revision's plain objects in an
// object stream, its streams direct, and a cross-reference stream per revision
// (the update's with Prev), as current producers write them.
std::string ModernSample(const std::vector<Revision>& revisions) {
  ModernBuilder m;
  long prev = -1;
  int next_number = 100;  // object and cross-reference streams of our own
  int size = 0;
  for (const Revision& revision : revisions) {
    std::vector<std::pair<int, std::string>> packed;
    std::vector<XRefRow> rows;
    for (const SampleObject& object : revision.objects) {
      size = std::max(size, object.number + 1);
      if (object.stream) {
        m.Classic().Stream(object.number, object.body, object.data);
        rows.push_back(m.InUse(object.number));
      } else {
        rows.push_back({object.number, 2, next_number, static_cast<long>(packed.size())});
        packed.emplace_back(object.number, object.body);
      }
    }
    const int container = next_number++;
    m.ObjectStream(container, packed);
    rows.push_back(m.InUse(container));
    if (prev < 0) {
      rows.push_back({0, 0, 0, 65535});
    }
    const int xref = next_number++;
    prev = static_cast<long>(m.XRefStream(
        xref, rows, "/Size " + std::to_string(next_number) + " " + revision.trailer, {1, 4, 2}, "",
        /*predictor=*/true, prev));
  }
  return m.Bytes();
}

}  // namespace

// Usage: make-sample OUT.pdf [MODERN.pdf]
int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    fprintf(stderr, "usage: make-sample OUT.pdf [MODERN.pdf]\n");
    return 2;
  }
  const std::vector<Revision> revisions = SampleRevisions();
  try {
    WriteBytes(argv[1], ClassicSample(revisions));
    if (argc == 3) {
      WriteBytes(argv[2], ModernSample(revisions));
    }
  } catch (const std::exception& e) {
    fprintf(stderr, "make-sample: %s\n", e.what());
    return 1;
  }
  return 0;
}

#include "tests/malformed/malformed_files.h"

#include <cstdio>
#include <iterator>

#include "tests/support/lzw_encoder.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/sample_images.h"
#include "tests/support/synthetic_data.h"
#include "tests/support/zlib_encoder.h"

namespace {

constexpr char kId[] =
    "/ID [<0f1e2d3c4b5a69788796a5b4c3d2e1f0> <0f1e2d3c4b5a69788796a5b4c3d2e1f0>]";
constexpr char kCatalog[] = "<< /Type /Catalog /Pages 2 0 R >>";
constexpr char kPages[] = "<< /Type /Pages /Kids [4 0 R] /Count 1 >>";
constexpr char kInfo[] = "<< /Title (Malformed) /Producer (Quorvel tests) >>";
constexpr char kPage[] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 5 0 R >>";
constexpr char kContent[] = "BT /F1 24 Tf 72 712 Td (Hello) Tj ET";
// Content streams fit the detail pane's 4095 bytes once decoded.
constexpr size_t kContentSize = 1500;

std::string Text(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// Objects 1 to 4 of a one-page document, without the content stream 5.
void PageObjects(PdfBuilder& b) {
  b.Object(1, kCatalog);
  b.Object(2, kPages);
  b.Object(3, kInfo);
  b.Object(4, kPage);
}

std::string TrailerEntries() {
  return std::string("/Root 1 0 R /Info 3 0 R ") + kId;
}

}  // namespace

std::string RichSamplePdf() {
  const std::vector<SampleImage> images = MakeSampleImages();
  constexpr int kFirstImage = 10;
  std::string xobjects;
  int number = kFirstImage;
  for (const SampleImage& image : images) {
    xobjects += " /" + image.name + " " + std::to_string(number) + " 0 R";
    number += image.lookup.empty() ? 1 : 2;
  }
  PdfBuilder b("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R /PageMode /UseNone >>");
  b.Object(2, "<< /Type /Pages /Kids [4 0 R 7 0 R] /Count 2 >>");
  b.Object(3, kInfo);
  b.Object(4, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject <<" +
                  xobjects + " >> >> /Contents 5 0 R >>");
  b.Stream(5, "/Filter /FlateDecode", Deflate(Text(MakeContentText(kContentSize, 1))));
  b.Stream(6, "/Filter /LZWDecode", Text(LzwEncode(MakeContentText(kContentSize, 2))));
  b.Object(7, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Rotate 90 /Contents 6 0 R >>");
  number = kFirstImage;
  for (const SampleImage& image : images) {
    b.Stream(number, image.Entries(number + 1), image.data);
    if (!image.lookup.empty()) {
      b.Stream(number + 1, "", image.lookup);
    }
    number += image.lookup.empty() ? 1 : 2;
  }
  b.Finish(TrailerEntries());
  b.StartUpdate();
  b.Object(3, "<< /Title (Malformed, updated) /Producer (Quorvel tests) >>");
  b.Finish(TrailerEntries());
  return b.Bytes();
}

std::vector<ByteRange> StreamDataRanges(const std::string& pdf) {
  // The builder writes "stream\n", the data, then "\nendstream\nendobj".
  static constexpr std::string_view kOpen = ">>\nstream\n";
  static constexpr std::string_view kClose = "\nendstream\nendobj\n";
  std::vector<ByteRange> ranges;
  size_t at = 0;
  while ((at = pdf.find(kOpen, at)) != std::string::npos) {
    const size_t begin = at + kOpen.size();
    const size_t end = pdf.find(kClose, begin);
    if (end == std::string::npos) {
      break;
    }
    ranges.push_back({begin, end});
    at = end;
  }
  return ranges;
}

std::string NestedObjectPdf(const std::string& opener, int depth) {
  PdfBuilder b;
  std::string nest;
  nest.reserve(opener.size() * static_cast<size_t>(depth));
  for (int i = 0; i < depth; ++i) {
    nest += opener;
  }
  b.Object(1, nest);
  b.Object(2, kPages);
  b.Object(3, kInfo);
  b.Object(4, kPage);
  b.Stream(5, "", kContent);
  b.Finish(TrailerEntries());
  return b.Bytes();
}

std::string NestedTrailerPdf(const std::string& opener, int depth) {
  PdfBuilder b;
  PageObjects(b);
  b.Stream(5, "", kContent);
  std::string entries = TrailerEntries() + " /Deep ";
  for (int i = 0; i < depth; ++i) {
    entries += opener;
  }
  b.Finish(entries);
  return b.Bytes();
}

std::string PrevLoopPdf(bool self_loop) {
  // The older section names the newer one, whose offset is known only after the
  // older one is written: a fixed-width placeholder keeps the offsets valid.
  static constexpr std::string_view kPlaceholder = "PPPPPPPPPP";
  PdfBuilder b;
  PageObjects(b);
  b.Stream(5, "", kContent);
  const size_t older = b.XrefSection(0, 6);
  b.Trailer("/Size 6 " + TrailerEntries() + " /Prev " + std::string(kPlaceholder), older);
  const size_t newer = b.XrefSection(0, 6);
  b.Trailer("/Size 6 " + TrailerEntries() + " /Prev " + std::string(kPlaceholder.size(), 'Q'),
            newer);
  std::string bytes = b.Bytes();
  char digits[16];
  snprintf(digits, sizeof digits, "%010zu", newer);
  bytes.replace(bytes.find(kPlaceholder), kPlaceholder.size(), digits);
  snprintf(digits, sizeof digits, "%010zu", self_loop ? newer : older);
  bytes.replace(bytes.find(std::string(kPlaceholder.size(), 'Q')), kPlaceholder.size(), digits);
  return bytes;
}

std::string SelfLengthPdf() {
  PdfBuilder b;
  PageObjects(b);
  b.Object(5, std::string("<< /Length 5 0 R >>\nstream\n") + kContent + "\nendstream");
  b.Finish(TrailerEntries());
  return b.Bytes();
}

std::string MutualLengthPdf() {
  PdfBuilder b;
  PageObjects(b);
  b.Object(5, std::string("<< /Length 6 0 R >>\nstream\n") + kContent + "\nendstream");
  b.Object(6, std::string("<< /Length 5 0 R >>\nstream\n") + kContent + "\nendstream");
  b.Finish(TrailerEntries());
  return b.Bytes();
}

std::string LengthChainPdf(int count) {
  PdfBuilder b;
  PageObjects(b);
  for (int i = 0; i < count; ++i) {
    const int next = i + 1 < count ? 6 + i : 5;
    b.Object(5 + i,
             "<< /Length " + std::to_string(next) + " 0 R >>\nstream\n" + kContent + "\nendstream");
  }
  b.Finish(TrailerEntries());
  return b.Bytes();
}

std::string PastEndXrefPdf() {
  // The catalog's offset is the file's size, known only at the end: a
  // fixed-width placeholder keeps the other offsets valid.
  static constexpr std::string_view kPlaceholder = "EEEEEEEEEE";
  PdfBuilder b;
  PageObjects(b);
  b.Stream(5, "", kContent);
  const size_t section = b.Size();
  // The page tree root lies far past the end, the content stream before the start.
  char entries[256];
  snprintf(entries, sizeof entries,
           "xref\n0 6\n0000000000 65535 f \n%s 00000 n \n2147483647 00000 n \n"
           "%010zu 00000 n \n%010zu 00000 n \n-000000001 00000 n \n",
           kPlaceholder.data(), b.OffsetOf(3), b.OffsetOf(4));
  b.Raw(entries);
  b.Trailer("/Size 6 " + TrailerEntries(), section);
  std::string bytes = b.Bytes();
  char end_offset[16];
  snprintf(end_offset, sizeof end_offset, "%010zu", bytes.size());
  bytes.replace(bytes.find(kPlaceholder), kPlaceholder.size(), end_offset);
  return bytes;
}

std::string HugeOffsetXrefPdf() {
  PdfBuilder b;
  PageObjects(b);
  b.Stream(5, "", kContent);
  const size_t section = b.Size();
  char entries[256];
  snprintf(entries, sizeof entries,
           "xref\n0 6\n0000000000 65535 f \n9999999999 00000 n \n%010zu 00000 n \n"
           "%010zu 00000 n \n%010zu 00000 n \n%010zu 00000 n \n",
           b.OffsetOf(2), b.OffsetOf(3), b.OffsetOf(4), b.OffsetOf(5));
  b.Raw(entries);
  b.Trailer("/Size 6 " + TrailerEntries(), section);
  return b.Bytes();
}

std::string HugeImagePdf() {
  struct Shape {
    const char* width;
    const char* height;
  };
  static constexpr Shape kShapes[] = {{"2147483648", "8"},
                                      {"8", "2147483648"},
                                      {"-2147483648", "8"},
                                      {"2147483648", "-8"},
                                      {"0", "2147483648"}};
  struct Coding {
    const char* filter;
    const char* color;
    std::string data;
  };
  const std::string pixels(64, '\x5a');
  const Coding codings[] = {
      {"FlateDecode", "/DeviceGray /BitsPerComponent 8", Deflate(pixels)},
      {"LZWDecode", "/DeviceRGB /BitsPerComponent 8",
       Text(LzwEncode(reinterpret_cast<const uint8_t*>(pixels.data()), pixels.size()))},
      {"CCITTFaxDecode", "/DeviceGray /BitsPerComponent 1 /DecodeParms << /K -1 >>",
       std::string(16, '\0')},
      {"DCTDecode", "/DeviceGray /BitsPerComponent 8", "\xFF\xD8\xFF\xD9"},
      {"FlateDecode", "[/Indexed /DeviceRGB 255 5 0 R] /BitsPerComponent 8", Deflate(pixels)},
  };
  PdfBuilder b;
  std::string xobjects;
  int number = 6;
  for (size_t i = 0; i < std::size(codings) * std::size(kShapes); ++i, ++number) {
    xobjects += " /Im" + std::to_string(number) + " " + std::to_string(number) + " 0 R";
  }
  b.Object(1, kCatalog);
  b.Object(2, kPages);
  b.Object(3, kInfo);
  b.Object(4, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject <<" +
                  xobjects + " >> >> /Contents 5 0 R >>");
  b.Stream(5, "", std::string(768, '\x7f'));  // also the indexed images' lookup table
  number = 6;
  for (const Coding& coding : codings) {
    for (const Shape& shape : kShapes) {
      b.Stream(number++,
               std::string("/Type /XObject /Subtype /Image /Width ") + shape.width + " /Height " +
                   shape.height + " /ColorSpace " + coding.color + " /Filter /" + coding.filter,
               coding.data);
    }
  }
  b.Finish(TrailerEntries());
  return b.Bytes();
}

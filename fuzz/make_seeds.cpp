// Writes the seed corpus of every fuzz target, one folder per target, from the
// PDF builder and real encoders (zlib, our LZW encoder, libtiff's fax encoder,
// libjpeg-turbo). The seeds are made at run time and never committed.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/malformed/malformed_files.h"
#include "tests/support/jpeg_encoder.h"
#include "tests/support/lzw_encoder.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/sample_images.h"
#include "tests/support/synthetic_data.h"
#include "tests/support/tiff_oracle.h"
#include "tests/support/zlib_encoder.h"

namespace {

namespace fs = std::filesystem;

// Deeper than any nesting the parser accepts, yet small enough that the seeds
// do not make every fuzz input large.
constexpr int kSeedNesting = 600;

class SeedWriter {
 public:
  SeedWriter(const fs::path& root, const std::string& target) : dir_(root / target) {
    fs::create_directories(dir_);
  }
  void Add(const std::string& bytes) {
    char name[32];
    snprintf(name, sizeof name, "seed-%03d", count_++);
    std::ofstream out(dir_ / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      throw std::runtime_error("cannot write " + (dir_ / name).string());
    }
  }
  void Add(const std::vector<uint8_t>& bytes) { Add(std::string(bytes.begin(), bytes.end())); }

 private:
  fs::path dir_;
  int count_ = 0;
};

std::string Bytes(const std::vector<uint8_t>& v) {
  return std::string(v.begin(), v.end());
}

std::string BigEndian16(int value) {
  return std::string{static_cast<char>(value >> 8 & 0xFF), static_cast<char>(value & 0xFF)};
}

std::vector<uint8_t> Ramp(size_t size, int step) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<uint8_t>(i * static_cast<size_t>(step));
  }
  return bytes;
}

std::string Fax(int width, int height, FaxCoding coding) {
  const Bilevel page = MakeTextPage(width, height, 3);
  return Bytes(TiffRawStrip(TiffWriteFax(page.rows, width, height, coding)));
}

// One page whose resources hold a tiny image of every kind the viewer converts,
// all reachable within a few expansions: the fuzzer mutates small files much
// faster than the full rich sample, whose pictures are larger.
std::string CompactRichPdf() {
  struct Image {
    std::string entries;
    std::string data;
  };
  const std::string gray = "/ColorSpace /DeviceGray /BitsPerComponent ";
  const std::vector<Image> images = {
      {"/Width 8 /Height 4 " + gray + "8 /Filter /FlateDecode", Deflate(Ramp(32, 8))},
      {"/Width 4 /Height 4 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode "
       "/Resolution [300 150]",
       Deflate(Ramp(48, 5))},
      {"/Width 16 /Height 4 " + gray + "1 /Filter /FlateDecode", Deflate(Ramp(8, 37))},
      {"/Width 8 /Height 4 /ColorSpace [/Indexed /DeviceRGB 15 20 0 R] /BitsPerComponent 4 "
       "/Filter /FlateDecode",
       Deflate(Ramp(16, 17))},
      {"/Width 2 /Height 2 /ColorSpace /DeviceCMYK /BitsPerComponent 8 /Filter /FlateDecode",
       Deflate(Ramp(16, 16))},
      {"/Width 4 /Height 2 " + gray + "16 /Filter /FlateDecode", Deflate(Ramp(16, 15))},
      {"/Width 4 /Height 4 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /LZWDecode",
       Bytes(LzwEncode(Ramp(48, 3)))},
      {"/Width 32 /Height 8 " + gray + "1 /Filter /CCITTFaxDecode /DecodeParms << /K -1 >>",
       Fax(32, 8, FaxCoding::kG4)},
      {"/Width 32 /Height 8 " + gray +
           "1 /Filter /CCITTFaxDecode /DecodeParms << /K 0 /BlackIs1 "
           "true >>",
       Fax(32, 8, FaxCoding::kG3OneD)},
      {"/Width 32 /Height 8 " + gray + "1 /Filter /CCITTFaxDecode /DecodeParms << /K 4 >>",
       Fax(32, 8, FaxCoding::kG3TwoD)},
      {"/Width 8 /Height 8 " + gray + "8 /Filter /DCTDecode",
       Bytes(JpegEncode(Ramp(64, 4).data(), 8, 8, 1))},
      {"/Width 8 /Height 8 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode",
       Bytes(JpegEncode(Ramp(192, 3).data(), 8, 8, 3))},
  };
  constexpr int kFirstImage = 6;
  constexpr int kLookup = 20;
  std::string xobjects;
  for (size_t i = 0; i < images.size(); ++i) {
    const int number = kFirstImage + static_cast<int>(i);
    xobjects += " /I" + std::to_string(number) + " " + std::to_string(number) + " 0 R";
  }
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [4 0 R] /Count 1 >>");
  b.Object(3, "<< /Title (Compact) >>");
  b.Object(4, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject <<" +
                  xobjects + " >> >> /Contents [5 0 R 21 0 R] >>");
  b.Stream(5, "/Filter /FlateDecode", Deflate(MakeContentText(300, 4)));
  for (size_t i = 0; i < images.size(); ++i) {
    b.Stream(kFirstImage + static_cast<int>(i), "/Subtype /Image " + images[i].entries,
             images[i].data);
  }
  b.Stream(kLookup, "", Bytes(Ramp(48, 5)));
  b.Stream(21, "/Filter /LZWDecode /Length2 5 0 R", Bytes(LzwEncode(MakeContentText(300, 5))));
  b.Finish("/Root 1 0 R /Info 3 0 R /ID [<00> <01>]");
  b.StartUpdate();
  b.Object(3, "<< /Title (Compact, updated) >>");
  b.Finish("/Root 1 0 R /Info 3 0 R /ID [<00> <01>]");
  return b.Bytes();
}

std::vector<std::string> Documents() {
  return {MinimalPdf(),
          CompactRichPdf(),
          NestedObjectPdf("[", kSeedNesting),
          NestedObjectPdf("<<", kSeedNesting),
          NestedTrailerPdf("[", kSeedNesting),
          PrevLoopPdf(false),
          PrevLoopPdf(true),
          SelfLengthPdf(),
          MutualLengthPdf(),
          LengthChainPdf(20),
          PastEndXrefPdf(),
          HugeOffsetXrefPdf(),
          HugeImagePdf()};
}

void LexerSeeds(SeedWriter& w) {
  w.Add(MinimalPdf());
  w.Add(PrevLoopPdf(false));
  w.Add(
      "(a(b)c) (a\\)b) <48656C6C6F> <48 65> <ABC> << >> [ ] { } /Type/Pages /A#20B -.5 1.2.3 "
      "1-2 +5 0.50 true false null endobj R pdf 12 0 R\n%%EOF\n%%EOF2\n% comment\r\n(\\");
  w.Add(std::string("\0 > \x7f\xff ( <", 10));
}

void ParseObjectSeeds(SeedWriter& w) {
  w.Add("7 0 obj 42 endobj");
  w.Add("7 0 obj\n<< /A [1 2 R 3] /B << /C 3 >> /K 1 /K 2 /Odd >>\nendobj\n");
  w.Add("7 0 obj endobj 8 0 obj null endobj 9 0 obj 1 2 endobj 7 0 xyz");
  w.Add("5 0 obj\n<< /Length 5 >>\nstream\r\nHello\nendstream\nendobj\n");
  w.Add("5 0 obj\n<< /Length 12 0 R >>\nstream\rHello\rendstream\nendobj\n");
  w.Add("5 0 obj\n<< /Length 1000 >>\nstream\nshort\nendstream\nendobj\n");
  w.Add("1 0 obj [ R 1 R [ 1 2 R ] << /A R >> (s) <41> /N 1.5 -3 ] endobj");
  w.Add(MinimalPdf());
}

void OpenWalkSeeds(SeedWriter& w) {
  for (const std::string& doc : Documents()) {
    w.Add(doc);
  }
}

void LzwSeeds(SeedWriter& w) {
  const std::vector<uint8_t> text = MakeContentText(3000, 7);
  const std::string capacity = BigEndian16(4095);
  w.Add(capacity + Bytes(LzwEncode(text)));
  w.Add(BigEndian16(0xFFFF) + Bytes(LzwEncode(MakeContentText(12000, 8))));
  LzwEncodeOptions options;
  options.leading_clear = false;
  options.end_code = false;
  w.Add(capacity + Bytes(LzwEncode(text, options)));
  options = {};
  options.clear_after = 500;
  w.Add(capacity + Bytes(LzwEncode(text, options)));
  options = {};
  options.clear_when_full = false;
  w.Add(BigEndian16(0xFFFF) + Bytes(LzwEncode(MakeContentText(20000, 9), options)));
  w.Add(BigEndian16(300) + Bytes(TiffRawStrip(TiffWriteLzw(text.data(), text.size()))));
  LzwCodeWriter codes;
  codes.Put({kLzwClear, 65, 66, 258, 260, kLzwClear, 258, kLzwEnd});
  w.Add(BigEndian16(64) + Bytes(codes.Bytes()));
}

void CcittSeeds(SeedWriter& w) {
  struct Coding {
    FaxCoding coding;
    int k;
  };
  const Coding codings[] = {{FaxCoding::kG3OneD, 0}, {FaxCoding::kG3TwoD, 4}, {FaxCoding::kG4, -1}};
  const Bilevel pictures[] = {MakeTextPage(200, 64, 1), MakeNoise(97, 40, 0.3, 2),
                              MakeBlankPage(1728, 8, false), MakeBlankPage(31, 9, true)};
  for (const Coding& coding : codings) {
    for (const Bilevel& picture : pictures) {
      const std::vector<uint8_t> strip =
          TiffRawStrip(TiffWriteFax(picture.rows, picture.width, picture.height, coding.coding));
      std::string header;
      header += static_cast<char>(static_cast<int8_t>(coding.k));
      header += BigEndian16(picture.width - 1);
      header += static_cast<char>(picture.height - 1);
      w.Add(header + Bytes(strip));
    }
  }
}

void ImageStreamSeeds(SeedWriter& w) {
  for (const SampleImage& image : MakeSampleImages()) {
    const std::string text = "<< " + image.Entries(99) + " >>";
    w.Add(BigEndian16(static_cast<int>(text.size())) + text + image.data);
  }
  const std::string inline_stream =
      "<< /Subtype /Image /Width 4 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8 "
      "/Filter /LZWDecode /Length 3 >>\nstream\nabc\nendstream\n";
  w.Add(BigEndian16(static_cast<int>(inline_stream.size())) + inline_stream);
}

void PixdecSeeds(SeedWriter& w) {
  for (const SampleImage& image : MakeSampleImages()) {
    if (image.entries.find("DCTDecode") != std::string::npos) {
      w.Add(image.data);
    }
  }
  std::vector<uint8_t> gray(33 * 17);
  for (size_t i = 0; i < gray.size(); ++i) {
    gray[i] = static_cast<uint8_t>(i * 7);
  }
  JpegEncoding encoding;
  encoding.quality = 50;
  encoding.x_dpi = 300;
  encoding.y_dpi = 150;
  w.Add(JpegEncode(gray.data(), 33, 17, 1, encoding));
  std::vector<uint8_t> rgb(9 * 5 * 3);
  for (size_t i = 0; i < rgb.size(); ++i) {
    rgb[i] = static_cast<uint8_t>(i * 13);
  }
  w.Add(JpegEncode(rgb.data(), 9, 5, 3));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: make-fuzz-seeds OUT_DIR\n");
    return 2;
  }
  const fs::path root = argv[1];
  try {
    SeedWriter lexer(root, "lexer");
    LexerSeeds(lexer);
    SeedWriter parse_object(root, "parse_object");
    ParseObjectSeeds(parse_object);
    SeedWriter open_walk(root, "open_walk");
    OpenWalkSeeds(open_walk);
    SeedWriter lzw(root, "lzw");
    LzwSeeds(lzw);
    SeedWriter ccitt(root, "ccitt");
    CcittSeeds(ccitt);
    SeedWriter image_stream(root, "image_stream");
    ImageStreamSeeds(image_stream);
    SeedWriter pixdec(root, "pixdec");
    PixdecSeeds(pixdec);
  } catch (const std::exception& e) {
    fprintf(stderr, "make-fuzz-seeds: %s\n", e.what());
    return 1;
  }
  return 0;
}

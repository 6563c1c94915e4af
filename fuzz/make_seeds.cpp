// Writes the seed corpus of every fuzz target, one folder per target, from the
// PDF builder and real encoders (zlib, our LZW encoder, libtiff's fax encoder,
// libjpeg-turbo, and qpdf for encrypted files). The seeds are made at run time and
// never committed.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include <lcms2.h>

#include "fuzz/modern_inputs.h"
#include "tests/malformed/malformed_files.h"
#include "tests/support/jbig2_writer.h"
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

// Embedded page streams, without globals and with a symbol dictionary in them.
void Jbig2Seeds(SeedWriter& w) {
  const Bilevel page = MakeTextPage(96, 48, 9);
  w.Add(BigEndian16(0) + Bytes(Jbig2EmbeddedPage(page, Jbig2Coding::kMmr)));
  w.Add(BigEndian16(0) + Bytes(Jbig2EmbeddedPage(page, Jbig2Coding::kArithmetic, 3)));
  const std::vector<Bilevel> symbols = {MakeNoise(5, 6, 0.5, 1), MakeBlankPage(4, 6, true)};
  Jbig2Stream globals;
  const uint32_t dictionary = globals.SymbolDictionary(symbols);
  Jbig2Stream text(1);
  text.PageInformation(32, 16);
  text.TextRegion(dictionary, symbols, 32, 16, {{0, 1, 1}, {1, 8, 1}, {0, 3, 9}});
  text.EndOfPage();
  w.Add(BigEndian16(static_cast<int>(globals.bytes().size())) + Bytes(globals.bytes()) +
        Bytes(text.bytes()));
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

// ---- Modern mode ---------------------------------------------------------------

std::span<const uint8_t> AsBytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// One cross-reference stream entry in fields of the given widths, big-endian.
std::string Entry(const int width[3], uint64_t type, uint64_t second, uint64_t third) {
  std::string bytes;
  const uint64_t fields[3] = {type, second, third};
  for (int f = 0; f < 3; ++f) {
    for (int i = width[f] - 1; i >= 0; --i) {
      bytes += static_cast<char>(i < 8 ? fields[f] >> (8 * i) & 0xFF : 0);
    }
  }
  return bytes;
}

// Rows of `columns` bytes as the PNG Up predictor writes them: tag 2, then each
// byte less the one above it.
std::string PngUp(const std::string& data, size_t columns) {
  std::string out;
  std::string above(columns, '\0');
  for (size_t row = 0; row < data.size(); row += columns) {
    out += '\2';
    for (size_t i = 0; i < columns; ++i) {
      const char byte = row + i < data.size() ? data[row + i] : '\0';
      out += static_cast<char>(byte - above[i]);
      above[i] = byte;
    }
  }
  return out;
}

// The input whose file lists objects 0 to 8 correctly in fields of `width`.
std::string XRefStreamInput(uint8_t flags, const int width[3]) {
  const std::string header = {
      static_cast<char>(flags), static_cast<char>(width[0] | width[1] << 2 | width[2] << 5),
      static_cast<char>(kXRefStreamObject + 2), 0, static_cast<char>(kXRefStreamObject + 2)};
  // Where the stream lands depends on the flags (an older section may stand
  // before it), not on its data.
  const std::string probe = XRefStreamFile(AsBytes(header));
  const size_t self = probe.rfind("\n7 0 obj") + 1;
  const std::vector<int32_t> offsets = XRefStreamObjectOffsets();
  std::string entries = Entry(width, 0, 0, 65535);
  for (int number = 1; number <= kXRefStreamObject + 1; ++number) {
    if (number == 6 || number == 8) {
      entries += Entry(width, 2, 5, number == 6 ? 0 : 1);
    } else if (number == kXRefStreamObject) {
      entries += Entry(width, 1, self, 0);
    } else {
      entries += Entry(width, 1, static_cast<uint64_t>(offsets[static_cast<size_t>(number)]), 0);
    }
  }
  if ((flags & kXRefPng) != 0) {
    entries = PngUp(entries, static_cast<size_t>(width[0] + width[1] + width[2]));
  }
  return header + entries;
}

void XRefStreamSeeds(SeedWriter& w) {
  const int widths[][3] = {{1, 2, 1}, {1, 4, 2}, {1, 3, 0}, {2, 7, 3}};
  const uint8_t flag_sets[] = {0,
                               kXRefFlate,
                               kXRefPng,
                               kXRefFlate | kXRefPng,
                               kXRefIndex,
                               kXRefHybrid,
                               kXRefPrev,
                               kXRefFlate | kXRefPng | kXRefHybrid,
                               kXRefPrev | kXRefNoRoot};
  for (const auto& width : widths) {
    for (uint8_t flags : flag_sets) {
      w.Add(XRefStreamInput(flags, width));
    }
  }
}

// The objects of stream 10: positions 0 to 8 hold objects 1 to 9 as the
// cross-reference stream says, except that object 5 lives in stream 11.
std::string ObjectStreamInput(uint8_t flags, int count_change, int first_change) {
  const std::vector<std::pair<int, std::string>> objects = {
      {1, "<< /Type /Catalog /Pages 2 0 R >>"},
      {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
      {3,
       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 12 0 R /Resources 4 0 R "
       ">>"},
      {4, "<< /Font << /F1 6 0 R >> /ProcSet [/PDF /Text] >>"},
      {6, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"},
      {7, "[1 0 R 2 0 R 5 0 R]"},
      {8, "42"},
      {9, "(text)"},
  };
  std::string pairs;
  std::string bodies;
  for (const auto& [number, body] : objects) {
    pairs += std::to_string(number) + " " + std::to_string(bodies.size()) + " ";
    bodies += body + "\n";
  }
  pairs += "\n";
  const int count = static_cast<int>(objects.size()) + count_change;
  const int first = static_cast<int>(pairs.size()) + first_change;
  const std::string header = {static_cast<char>(count), static_cast<char>(first >> 8 & 0xFF),
                              static_cast<char>(first & 0xFF), static_cast<char>(flags)};
  return header + pairs + bodies;
}

void ObjectStreamSeeds(SeedWriter& w) {
  const uint8_t flag_sets[] = {0,
                               kObjStmFlate,
                               kObjStmExtendsOther,
                               kObjStmExtendsSelf,
                               kObjStmExtendsCycle,
                               kObjStmFlate | kObjStmExtendsOther,
                               kObjStmNoType | kObjStmExtendsOther,
                               kObjStmLengthRef,
                               kObjStmLengthRef | kObjStmFlate | kObjStmExtendsCycle};
  for (uint8_t flags : flag_sets) {
    w.Add(ObjectStreamInput(flags, 0, 0));
  }
  w.Add(ObjectStreamInput(kObjStmExtendsOther, -3, 0));
  w.Add(ObjectStreamInput(kObjStmExtendsOther, 40, 0));
  w.Add(ObjectStreamInput(0, 0, -6));
  w.Add(ObjectStreamInput(0, 0, 9));
  w.Add(ObjectStreamInput(0, 0, 60000));
}

// A file whose startxref is gone, so that modern mode rebuilds its table.
std::string WithoutStartxref(std::string file) {
  for (size_t at = file.find("startxref"); at != std::string::npos;
       at = file.find("startxref", at)) {
    file.replace(at, 9, "startxrez");
  }
  return file;
}

void RepairSeeds(SeedWriter& w) {
  const int width[3] = {1, 4, 2};
  const std::string xref_stream_file =
      XRefStreamFile(AsBytes(XRefStreamInput(kXRefFlate | kXRefPng, width)));
  const std::string object_stream_file =
      ObjectStreamFile(AsBytes(ObjectStreamInput(kObjStmFlate | kObjStmExtendsOther, 0, 0)));
  const std::string plain_object_stream_file =
      ObjectStreamFile(AsBytes(ObjectStreamInput(kObjStmExtendsOther, 0, 0)));
  w.Add(WithoutStartxref(xref_stream_file));
  w.Add(WithoutStartxref(object_stream_file));
  w.Add(WithoutStartxref(plain_object_stream_file));
  // Cut inside the cross-reference stream: its trailer is lost with it.
  w.Add(object_stream_file.substr(0, object_stream_file.rfind("13 0 obj") + 20));
  w.Add(plain_object_stream_file.substr(0, plain_object_stream_file.rfind("13 0 obj")));
  // No header: the variant that prepends one reads these.
  w.Add(WithoutStartxref(object_stream_file.substr(object_stream_file.find("11 0 obj"))));
  w.Add(WithoutStartxref(MinimalPdf()));
  const std::string rich = CompactRichPdf();
  w.Add(WithoutStartxref(rich));
  w.Add(rich.substr(0, rich.size() / 2));
  w.Add(xref_stream_file.substr(0, xref_stream_file.size() - 30));
}

// ---- The security handler ------------------------------------------------------

// The text between `begin` and the first `end` after it in `text`; throws
// when either is missing, since qpdf then wrote something unexpected.
std::string Between(const std::string& text, const std::string& begin, const std::string& end,
                    size_t from = 0) {
  const size_t start = text.find(begin, from);
  const size_t stop = start == std::string::npos ? start : text.find(end, start + begin.size());
  if (stop == std::string::npos) {
    throw std::runtime_error("qpdf's file has no " + begin + " ... " + end);
  }
  return text.substr(start + begin.size(), stop - start - begin.size());
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return bytes;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The parts of a file qpdf encrypted: its Encrypt dictionary, its first ID
// string and the enciphered content stream, checked to carry the numbers the
// fuzz target's file gives them.
SecurityInput QpdfEncrypted(const fs::path& dir, const std::string& plain, const std::string& user,
                            const std::string& owner, const std::string& method) {
  const fs::path in = dir / "plain.pdf";
  const fs::path out = dir / "encrypted.pdf";
  std::ofstream(in, std::ios::binary) << plain;
  // Streams are neither compressed nor decoded: the content stream's bytes
  // are then the plain text enciphered and nothing else.
  const std::string command = std::string(QPDF_EXE) +
                              " --allow-weak-crypto --object-streams=disable "
                              "--compress-streams=n --decode-level=none --encrypt '" +
                              user + "' '" + owner + "' " + method + " -- '" + in.string() + "' '" +
                              out.string() + "'";
  if (std::system(command.c_str()) != 0) {
    throw std::runtime_error("failed: " + command);
  }
  const std::string file = ReadAll(out);
  const std::string trailer = file.substr(file.rfind("trailer"));
  const std::string content_object = "\n" + std::to_string(kSecurityContentObject) + " 0 obj\n";
  if (Between(trailer, "/Encrypt ", " 0 R") != "8" ||
      file.find("/Contents " + std::to_string(kSecurityContentObject) + " 0 R") ==
          std::string::npos) {
    throw std::runtime_error("qpdf numbered the objects otherwise: " + out.string());
  }
  SecurityInput parts;
  parts.encrypt = Between(file, "\n8 0 obj\n", "\nendobj");
  parts.id = FromHex(Between(trailer, "/ID [<", ">"));
  const size_t content = file.find(content_object);
  const size_t length = std::stoul(Between(file, "/Length ", " ", content));
  parts.content = file.substr(file.find("stream\n", content) + 7, length);
  return parts;
}

// Content streams: nesting, every kind of operand, an inline image, and the
// generated page text the decoders' seeds use.
void ContentOperatorsSeeds(SeedWriter& w) {
  w.Add(std::string("q 1 0 0 1 72 700 cm BT /F1 12 Tf (He(l)lo\\)) Tj <41 42> Tj ET Q\n"));
  w.Add(std::string("[(A) -120 (B)] TJ /OC <</MCID 3 /A [1 [2]]>> BDC EMC % comment\n"));
  w.Add(std::string("q BI /W 2 /H 2 /CS /G /BPC 8 ID \x01\x02\x03\x04 EI Q Q ET\n"));
  w.Add(MakeContentText(3000, 9));
}

void SecurityHandlerSeeds(SeedWriter& w) {
  const std::string content = "BT /F1 12 Tf 20 100 Td (Encrypted) Tj ET";
  const std::string plain = SecurityHandlerPlainFile(content);
  char pattern[] = "/tmp/quorvel-seeds-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    throw std::runtime_error("cannot make a temporary folder");
  }
  const fs::path dir = pattern;
  struct Method {
    const char* user;
    const char* owner;
    const char* method;  // qpdf's key length and options
    const char* password;
  };
  const Method kMethods[] = {
      {"", "owner", "40", ""},                                             // V1 R2 RC4-40
      {"user", "owner", "40 --print=n", "owner"},                          // V1 R2, owner
      {"user", "owner", "128", "user"},                                    // V2 R3 RC4-128
      {"caf\xC3\xA9", "owner", "128 --extract=n", "caf\xC3\xA9"},          // PDFDocEncoding
      {"", "owner", "128 --force-V4", ""},                                 // V4 R4 RC4 filter
      {"", "owner", "128 --use-aes=y", ""},                                // V4 R4 AESV2
      {"user", "owner", "128 --use-aes=y --cleartext-metadata", "owner"},  // EncryptMetadata false
      {"", "owner", "256 --force-R5", ""},                                 // V5 R5 AESV3
      {"", "owner", "256", ""},                                            // V5 R6 AESV3
      {"user", "owner", "256 --print=low", "user"},                        // R6 user password
      {"user", "owner", "256 --cleartext-metadata", "owner"},              // R6 owner password
      {"user", "owner", "256", "wrong"},                                   // refused
  };
  try {
    for (const Method& m : kMethods) {
      SecurityInput parts = QpdfEncrypted(dir, plain, m.user, m.owner, m.method);
      parts.password = m.password;
      w.Add(JoinSecurityInput(parts));
      if (std::string(m.method) == "128 --use-aes=y") {
        // Identity for streams and strings: the content is in clear.
        SecurityInput identity = parts;
        for (const char* key : {"/StmF /StdCF", "/StrF /StdCF"}) {
          const size_t at = identity.encrypt.find(key);
          if (at != std::string::npos) {
            identity.encrypt.replace(at, strlen(key), std::string(key, 6) + "/Identity");
          }
        }
        identity.content = content;
        w.Add(JoinSecurityInput(identity));
        // No ID: the key of revisions 2 to 4 depends on it.
        SecurityInput no_id = parts;
        no_id.id.clear();
        w.Add(JoinSecurityInput(no_id));
      }
    }
  } catch (...) {
    fs::remove_all(dir);
    throw;
  }
  fs::remove_all(dir);
}

// ---- the new surface: every filter, colour spaces and functions, analyses ----

std::string Ascii85(const std::string& bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 4) {
    uint32_t word = 0;
    const size_t n = std::min<size_t>(4, bytes.size() - i);
    for (size_t j = 0; j < 4; ++j) {
      word = word << 8 | (j < n ? static_cast<uint8_t>(bytes[i + j]) : 0);
    }
    if (word == 0 && n == 4) {
      out += 'z';
      continue;
    }
    char group[5];
    for (int j = 4; j >= 0; --j) {
      group[j] = static_cast<char>('!' + word % 85);
      word /= 85;
    }
    out.append(group, n + 1);
  }
  return out + "~>";
}

std::string AsciiHex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out + ">";
}

// Literal runs of at most 128 bytes, then the end marker.
std::string RunLength(const std::string& bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 128) {
    const size_t n = std::min<size_t>(128, bytes.size() - i);
    out += static_cast<char>(n - 1);
    out += bytes.substr(i, n);
  }
  return out + static_cast<char>(128);
}

// PNG rows of `columns` bytes, each with the Up filter tag.
std::string PngUpRows(const std::string& bytes, size_t columns) {
  std::string out;
  std::string above(columns, '\0');
  for (size_t i = 0; i < bytes.size(); i += columns) {
    std::string row = bytes.substr(i, columns);
    row.resize(columns, '\0');
    out += '\x02';
    for (size_t j = 0; j < columns; ++j) {
      out += static_cast<char>(row[j] - above[j]);
    }
    above = row;
  }
  return out;
}

// A JPEG 2000 codestream of a small gray picture, from OpenJPEG's own
// encoder; empty when it is not installed.
std::string JpxSeed(const fs::path& dir) {
  fs::create_directories(dir);
  const fs::path pgm = dir / "in.pgm";
  const fs::path jp2 = dir / "out.jp2";
  {
    std::ofstream out(pgm, std::ios::binary);
    out << "P5\n16 8\n255\n";
    for (int i = 0; i < 16 * 8; ++i) {
      out.put(static_cast<char>(i * 2));
    }
  }
  const std::string command =
      "opj_compress -i '" + pgm.string() + "' -o '" + jp2.string() + "' > /dev/null 2>&1";
  std::string bytes;
  if (std::system(command.c_str()) == 0) {
    std::ifstream in(jp2, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  fs::remove_all(dir);
  return bytes;
}

void FilterChainSeeds(SeedWriter& w, const fs::path& scratch) {
  const auto add = [&](const std::string& entries, const std::string& data) {
    const std::string text = "<< " + entries + " >>";
    w.Add(BigEndian16(static_cast<int>(text.size())) + text + data);
  };
  const std::vector<uint8_t> content = MakeContentText(2000, 3);
  const std::string text(content.begin(), content.end());
  add("/Filter /FlateDecode", Deflate(text));
  add("/Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 8 >>",
      Deflate(PngUpRows(text, 8)));
  add("/Filter /FlateDecode /DecodeParms << /Predictor 2 /Colors 3 /BitsPerComponent 8 "
      "/Columns 5 >>",
      Deflate(text.substr(0, 600)));
  add("/Filter /LZWDecode /DecodeParms << /EarlyChange 0 >>", Bytes(LzwEncode(content)));
  add("/Filter /ASCIIHexDecode", AsciiHex(text.substr(0, 300)));
  add("/Filter /ASCII85Decode", Ascii85(text.substr(0, 300) + std::string(8, '\0')));
  add("/Filter /RunLengthDecode", RunLength(text.substr(0, 400)));
  add("/Filter [/ASCII85Decode /FlateDecode] /DecodeParms [null << /Predictor 10 /Columns 4 >>]",
      Ascii85(Deflate(PngUpRows(text.substr(0, 256), 4))));
  add("/Filter [/ASCIIHexDecode /RunLengthDecode]", AsciiHex(RunLength(text.substr(0, 100))));
  add("/Filter /Crypt /DecodeParms << /Name /Identity >>", text.substr(0, 64));
  for (const SampleImage& image : MakeSampleImages()) {
    add(image.entries, image.data);
  }
  const std::string jpx = JpxSeed(scratch / "jpx");
  if (!jpx.empty()) {
    add("/Filter /JPXDecode", jpx);
  }
  const Bilevel page = MakeTextPage(64, 32, 5);
  add("/Filter /JBIG2Decode", Bytes(Jbig2EmbeddedPage(page, Jbig2Coding::kArithmetic, 2)));
  // A bomb: a megabyte of zeros in a kilobyte.
  add("/Filter /FlateDecode", Deflate(std::string(size_t{4} << 20, '\0'), 9));
}

std::string IccProfile(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::string bytes(size, '\0');
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

void ColorFunctionSeeds(SeedWriter& w) {
  const auto add = [&](const std::string& object, const std::string& entries,
                       const std::string& data) {
    w.Add(JoinColorFunctionInput({object, entries, data}));
  };
  const std::string exponential =
      "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [0 1 0.5 0] /N 1 >>";
  add("[/Indexed /DeviceRGB 3 <FF000000FF000000FF000000>]", "", "");
  add("[/Indexed /DeviceRGB 3 2 0 R]", "", "\xff\0\0\0\xff\0\0\0\xff\x80\x80\x80");
  add("[/ICCBased 2 0 R]", "/N 3", IccProfile(cmsCreate_sRGBProfile()));
  cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
  add("[/ICCBased 2 0 R]", "/N 1 /Alternate /DeviceGray",
      IccProfile(cmsCreateGrayProfile(cmsD50_xyY(), gamma)));
  cmsFreeToneCurve(gamma);
  add("[/Separation /Spot /DeviceCMYK " + exponential + "]", "", "");
  add("[/Separation /Spot /DeviceRGB 2 0 R]",
      "/FunctionType 0 /Domain [0 1] /Range [0 1 0 1 0 1] /Size [4] /BitsPerSample 8",
      "\0\0\0\x40\x40\x40\x80\x80\x80\xff\xff\xff");
  add("[/DeviceN [/A /B] /DeviceRGB 2 0 R]",
      "/FunctionType 4 /Domain [0 1 0 1] /Range [0 1 0 1 0 1]",
      "{ 2 copy add 2 div 3 1 roll exch dup mul exch sqrt }");
  add("[/DeviceN [/A /B /C] /DeviceCMYK 2 0 R << /Subtype /NChannel >>]",
      "/FunctionType 4 /Domain [0 1 0 1 0 1] /Range [0 1 0 1 0 1 0 1]",
      "{ 0 gt { 1 } { 0 } ifelse 3 1 roll exch 0.5 mul exch 0 }");
  add("[/Lab << /WhitePoint [0.9505 1 1.089] /Range [-100 100 -100 100] >>]", "", "");
  add("[/CalRGB << /WhitePoint [0.9505 1 1.089] /Gamma [2.2 2.2 2.2] /Matrix [0.41 0.21 0.02 "
      "0.36 0.72 0.12 0.18 0.07 0.95] >>]",
      "", "");
  add("[/CalGray << /WhitePoint [0.9505 1 1.089] /Gamma 1.8 >>]", "", "");
  add("<< /FunctionType 3 /Domain [0 1] /Functions [" + exponential +
          " 2 0 R] /Bounds [0.5] /Encode [0 1 0 1] >>",
      "/FunctionType 2 /Domain [0 1] /C0 [1 1 1 1] /C1 [0 0 0 0] /N 2", "");
  add("[/Pattern /DeviceRGB]", "", "");
}

// Whole files for the analyses: our own, with an update and a signature
// dictionary, and what real producers make of them.
void AnalysisSeeds(SeedWriter& w, const fs::path& scratch) {
  for (const std::string& doc : Documents()) {
    w.Add(doc);
  }
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [5 0 R] >> >>");
  b.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 4 0 R >>");
  b.Stream(4, "", "0 0 m 10 10 l S");
  b.Object(5, "<< /FT /Sig /T (S) /V 6 0 R >>");
  b.Object(6, "<< /Type /Sig /ByteRange [0 100 200 50] /Contents <0011223344> >>");
  b.Raw("% nothing owns this\n");
  b.Finish("/Root 1 0 R");
  b.StartUpdate();
  b.Stream(4, "", "0 0 m 20 20 l S");
  b.Object(7, "<< /Orphan true >>");
  b.Finish("/Root 1 0 R");
  const std::string updated = b.Bytes();
  w.Add(updated);
  fs::create_directories(scratch);
  const fs::path in = scratch / "in.pdf";
  {
    std::ofstream out(in, std::ios::binary);
    out << updated;
  }
  const std::string qpdf = QPDF_EXE;
  const std::vector<std::string> producers = {
      qpdf + " --object-streams=generate '" + in.string() + "' '%s'",
      qpdf + " --linearize '" + in.string() + "' '%s'",
      qpdf + " --qdf '" + in.string() + "' '%s'",
      "gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile='%s' '" + in.string() + "'",
      "pdftocairo -pdf '" + in.string() + "' '%s'",
  };
  for (size_t i = 0; i < producers.size(); ++i) {
    const fs::path out = scratch / ("out" + std::to_string(i) + ".pdf");
    std::string command = producers[i];
    command.replace(command.find("%s"), 2, out.string());
    if (std::system((command + " > /dev/null 2>&1").c_str()) == 0 && fs::exists(out)) {
      std::ifstream file(out, std::ios::binary);
      w.Add(std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
    }
  }
  fs::remove_all(scratch);
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
    SeedWriter jbig2(root, "jbig2");
    Jbig2Seeds(jbig2);
    SeedWriter image_stream(root, "image_stream");
    ImageStreamSeeds(image_stream);
    SeedWriter pixdec(root, "pixdec");
    PixdecSeeds(pixdec);
    SeedWriter xref_stream(root, "xref_stream");
    XRefStreamSeeds(xref_stream);
    SeedWriter object_stream(root, "object_stream");
    ObjectStreamSeeds(object_stream);
    SeedWriter repair(root, "repair");
    RepairSeeds(repair);
    SeedWriter security_handler(root, "security_handler");
    SecurityHandlerSeeds(security_handler);
    SeedWriter content_operators(root, "content_operators");
    ContentOperatorsSeeds(content_operators);
    SeedWriter filter_chain(root, "filter_chain");
    FilterChainSeeds(filter_chain, root / "scratch-filter");
    SeedWriter color_function(root, "color_function");
    ColorFunctionSeeds(color_function);
    SeedWriter analysis(root, "analysis");
    AnalysisSeeds(analysis, root / "scratch-analysis");
  } catch (const std::exception& e) {
    fprintf(stderr, "make-fuzz-seeds: %s\n", e.what());
    return 1;
  }
  return 0;
}

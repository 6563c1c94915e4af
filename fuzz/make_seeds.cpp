// Writes the seed corpus of every fuzz target, one folder per target, from the
// PDF builder and real encoders (zlib, our LZW encoder, libtiff's fax encoder,
// libjpeg-turbo, and qpdf for encrypted files). The seeds are made at run time and
// never committed.
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
  } catch (const std::exception& e) {
    fprintf(stderr, "make-fuzz-seeds: %s\n", e.what());
    return 1;
  }
  return 0;
}

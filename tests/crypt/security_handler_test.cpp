// The security handler against qpdf: a small document is encrypted by qpdf at
// test time in each method, then every string and stream we decipher is
// compared with what qpdf deciphers, and the protection we read with qpdf's
// account of the encryption.
#include "crypt/security_handler.h"

#include "crypt/document_decryptor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "describe/open_mode.h"
#include "describe/viewer_document.h"
#include "diag/error_info.h"
#include "filters/filter_chain.h"
#include "pdf/document.h"
#include "pdf/string_bytes.h"
#include "tests/support/command_output.h"
#include "tests/support/modern_builder.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/zlib_encoder.h"

namespace {

using pdfcrypt::SecurityHandler;

// The plain document: strings in the Info dictionary and in an array, a Flate
// content stream, a Flate stream of binary data deciphered in several pieces
// and XML metadata.
std::string PlainPdf() {
  PdfBuilder pdf("%PDF-1.7\n");
  pdf.Object(1,
             "<< /Type /Catalog /Pages 2 0 R /Metadata 6 0 R /QvStrings 7 0 R /QvPlain 8 0 R "
             "/QvSig 9 0 R >>");
  pdf.Object(2, "<< /Type /Pages /Kids [4 0 R] /Count 1 >>");
  pdf.Object(3,
             "<< /Title (Quarterly figures) /Author <FEFF00510075006F0072> "
             "/Subject (Escapes \\( \\) \\\\ \\n and \\101) >>");
  pdf.Object(4, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 5 0 R >>");
  std::string content = Deflate(std::string("BT /F1 12 Tf 20 100 Td (Hello) Tj ET\n"));
  pdf.Stream(5, "/Filter /FlateDecode", content);
  pdf.Stream(6, "/Type /Metadata /Subtype /XML",
             "<?xpacket begin=''?><x:xmpmeta xmlns:x='adobe:ns:meta/'/><?xpacket end='r'?>");
  pdf.Object(7, "[(first) (binary \\001\\377\\000) <00FF10> ()]");
  std::string binary;
  for (int i = 0; i < 100000; ++i) {
    const int64_t n = i;
    binary.push_back(static_cast<char>((n * 7) ^ (n >> 5) ^ (n * n >> 11)));
  }
  pdf.Stream(8, "/Filter /FlateDecode", Deflate(binary));
  // A signature's Contents stay in clear, its other strings do not.
  pdf.Object(9,
             "<< /Type /Sig /Filter /Adobe.PPKLite /ByteRange [0 10 20 30] "
             "/Contents <DEADBEEF00112233> /Name (Signer) >>");
  pdf.Finish(
      "/Root 1 0 R /Info 3 0 R /ID [<0123456789ABCDEF0123456789ABCDEF> "
      "<0123456789ABCDEF0123456789ABCDEF>]");
  return pdf.Bytes();
}

std::string Quote(const std::string& text) {
  return "'" + text + "'";
}

// The objects the test reads, by their path from the trailer.
struct Paths {
  static pdf::Object* Root(pdf::Document& doc) { return doc.xref->trailer->Get("Root"); }
  static std::vector<pdf::Object*> Streams(pdf::Document& doc) {
    pdf::Object* root = Root(doc);
    return {root->Get("Pages")->Get("Kids")->Item(0)->Get("Contents"), root->Get("Metadata"),
            root->Get("QvPlain")};
  }
  // Each string with the object that holds it.
  static std::vector<std::pair<pdf::Object*, pdf::Object*>> Strings(pdf::Document& doc) {
    pdf::Object* info = doc.xref->trailer->Get("Info");
    pdf::Object* array = Root(doc)->Get("QvStrings");
    pdf::Object* signature = Root(doc)->Get("QvSig");
    std::vector<std::pair<pdf::Object*, pdf::Object*>> out;
    for (const char* key : {"Title", "Author", "Subject"}) {
      out.emplace_back(info, info->Get(key));
    }
    for (const char* key : {"Contents", "Name"}) {
      out.emplace_back(signature, signature->Get(key));
    }
    for (int i = 0; i < array->Count(); ++i) {
      out.emplace_back(array, array->Item(i));
    }
    return out;
  }
};

struct Case {
  const char* name;
  const char* user;
  const char* owner;
  const char* method;  // qpdf's key length and options
  const char* password;
  const char* summary;          // "" when the password opens nothing
  bool object_streams = false;  // the objects in object streams, deciphered with them
};

class SecurityHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quorvel-crypt-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    plain_ = dir_ + "/plain.pdf";
    std::ofstream(plain_, std::ios::binary) << PlainPdf();
  }
  void TearDown() override { std::system(("rm -rf " + Quote(dir_)).c_str()); }

  std::string dir_;
  std::string plain_;
};

class FindingsDocument : public ViewerDocument {
 public:
  std::vector<std::string> findings;

 protected:
  void OnFinding(const char* line) override { findings.emplace_back(line); }
};

// qpdf's words for each permission line of ours.
const std::pair<const char*, const char*> kQpdfPermissions[] = {
    {"Print", "print low resolution"},
    {"Modify", "modify other"},
    {"Copy and extract text", "extract for any purpose"},
    {"Annotate", "modify annotations"},
    {"Fill forms", "modify forms"},
    {"Extract for accessibility", "extract for accessibility"},
    {"Assemble", "modify document assembly"},
    {"Print high quality", "print high resolution"},
};

void CheckAgainstQpdf(const Case& c, const std::string& encrypted, const std::string& dir) {
  std::string qpdf = std::string(QPDF_EXE) + " --password=" + Quote(c.password) + " ";
  std::string shown;
  bool qpdf_opens = CaptureCommand(qpdf + "--show-encryption " + Quote(encrypted), &shown) &&
                    shown.find("Incorrect password supplied") == std::string::npos;
  const bool opens = *c.summary != '\0';
  ASSERT_EQ(qpdf_opens, opens) << shown;

  pdf::OpenOptions options = OpenOptionsFor(pdf::Mode::kModern);
  options.password = c.password;
  FindingsDocument doc;
  ASSERT_EQ(doc.Open(encrypted.c_str(), options), opens);
  if (!opens) {
    EXPECT_EQ(doc.open_error.code, kErrPassword);
    EXPECT_NE(std::string(doc.open_error.Message()).find("(Standard security handler, "),
              std::string::npos)
        << doc.open_error.Message();
    return;
  }
  const bool owner = shown.find("Supplied password is owner password") != std::string::npos &&
                     shown.find("Supplied password is user password") == std::string::npos;
  const std::string opened_with = owner                 ? "the owner password"
                                  : *c.password == '\0' ? "the empty user password"
                                                        : "the user password";
  EXPECT_EQ(doc.findings.at(0),
            std::string("Warning: Encrypted (") + c.summary + "); opened with " + opened_with);
  // The protection lines: revision, who opened it, and each permission as qpdf has it.
  std::string lines;
  for (const std::string& line : doc.ProtectionLines()) {
    lines += line + "\n";
  }
  const std::string r = shown.substr(shown.find("R = ") + 4, 1);
  EXPECT_NE(lines.find("Standard security handler, revision " + r + "\n"), std::string::npos)
      << lines;
  EXPECT_NE(lines.find("Opened with " + opened_with + "\n"), std::string::npos) << lines;
  for (const auto& [ours, theirs] : kQpdfPermissions) {
    const bool allowed = shown.find(std::string(theirs) + ": allowed") != std::string::npos;
    EXPECT_NE(lines.find(std::string(ours) + (allowed ? ": allowed\n" : ": not allowed\n")),
              std::string::npos)
        << ours << "\n"
        << lines << shown;
  }

  // Streams: qpdf's raw stream data is deciphered but still filtered.
  for (pdf::Object* stream : Paths::Streams(doc)) {
    pdf::Object* object = stream->Resolve();
    SCOPED_TRACE("stream " + std::to_string(object->number));
    std::string expected;
    ASSERT_TRUE(CaptureCommand(qpdf + "--show-object=" + std::to_string(object->number) +
                                   " --raw-stream-data " + Quote(encrypted),
                               &expected));
    // Decoded, AES data are deciphered as they are inflated.
    std::string filtered;
    ASSERT_TRUE(CaptureCommand(qpdf + "--show-object=" + std::to_string(object->number) +
                                   " --filtered-stream-data " + Quote(encrypted),
                               &filtered));
    std::vector<uint8_t> decoded;
    std::string error;
    ASSERT_TRUE(DecodeStreamFully(object->AsDictionary(), 1 << 24, &decoded, &error)) << error;
    EXPECT_TRUE(std::string(decoded.begin(), decoded.end()) == filtered);
    pdf::Token data;
    object->GetStreamData(data);
    EXPECT_EQ(std::string(data.text, static_cast<size_t>(data.length)), expected);
  }

  // Strings: against the same strings in the file qpdf deciphered.
  std::string decrypted = dir + "/dec.pdf";
  ASSERT_TRUE(CaptureCommand(
      qpdf + "--decrypt --object-streams=disable " + Quote(encrypted) + " " + Quote(decrypted),
      &shown));
  pdf::Document plain;
  ASSERT_TRUE(plain.Open(decrypted.c_str(), OpenOptionsFor(pdf::Mode::kModern)));
  auto ours = Paths::Strings(doc);
  auto theirs = Paths::Strings(plain);
  ASSERT_EQ(ours.size(), theirs.size());
  for (size_t i = 0; i < ours.size(); ++i) {
    SCOPED_TRACE("string " + std::to_string(i));
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> expected;
    ASSERT_TRUE(pdf::StringBytes(ours[i].second, &bytes));
    ASSERT_TRUE(pdf::StringBytes(theirs[i].second, &expected));
    EXPECT_EQ(bytes, expected);
  }
  // The Encrypt dictionary and the ID stay as written (a file whose catalog
  // is in an object stream cannot be opened without deciphering).
  if (c.object_streams) {
    return;
  }
  pdf::OpenOptions raw = options;
  raw.decryptor = nullptr;
  pdf::Document stored;
  ASSERT_TRUE(stored.Open(encrypted.c_str(), raw));
  for (const char* key : {"O", "U"}) {
    EXPECT_STREQ(doc.xref->trailer->Get("Encrypt")->Get(key)->Text(),
                 stored.xref->trailer->Get("Encrypt")->Get(key)->Text());
  }
  EXPECT_STREQ(doc.xref->trailer->Get("ID")->Item(0)->Text(),
               stored.xref->trailer->Get("ID")->Item(0)->Text());
}

TEST_F(SecurityHandlerTest, DecipheresWhatQpdfEnciphered) {
  const Case kCases[] = {
      {"V1 R2 RC4 40, empty user password", "", "owner", "40", "", "RC4-40, revision 2"},
      {"V1 R2 RC4 40, owner password", "user", "owner", "40 --print=n --modify=n", "owner",
       "RC4-40, revision 2"},
      {"V2 R3 RC4 128, user password", "user", "owner", "128", "user", "RC4-128, revision 3"},
      {"V2 R3 RC4 128, owner password", "user", "owner",
       "128 --print=low --modify=form --extract=n", "owner", "RC4-128, revision 3"},
      {"V2 R3 RC4 128, a password outside ASCII", "caf\xC3\xA9 \xE2\x80\x94", "owner", "128",
       "caf\xC3\xA9 \xE2\x80\x94", "RC4-128, revision 3"},
      {"V4 R4 RC4", "", "owner", "128 --force-V4", "", "RC4-128, revision 4"},
      {"V4 R4 AESV2", "", "owner", "128 --use-aes=y --annotate=n", "", "AES-128, revision 4"},
      {"V4 R4 AESV2, metadata in clear", "user", "owner", "128 --use-aes=y --cleartext-metadata",
       "user", "AES-128, revision 4"},
      {"V5 R5 AESV3", "", "owner", "256 --force-R5", "", "AES-256, revision 5"},
      {"V5 R5 AESV3, owner password", "user", "owner", "256 --force-R5", "owner",
       "AES-256, revision 5"},
      {"V5 R6 AESV3", "", "owner", "256", "", "AES-256, revision 6"},
      {"V5 R6 AESV3, user password", "user", "owner", "256 --extract=n --assemble=n", "user",
       "AES-256, revision 6"},
      {"V5 R6 AESV3, owner password, metadata in clear", "user", "owner",
       "256 --cleartext-metadata", "owner", "AES-256, revision 6"},
      {"V5 R6 AESV3, a password outside ASCII", "\xC3\xBC\xC3\xB1\xC3\xAF", "owner", "256",
       "\xC3\xBC\xC3\xB1\xC3\xAF", "AES-256, revision 6"},
      {"V4 R4 AESV2, objects in object streams", "", "owner", "128 --use-aes=y", "",
       "AES-128, revision 4", true},
      {"V5 R6 AESV3, objects in object streams", "user", "owner", "256", "owner",
       "AES-256, revision 6", true},
      {"V5 R6 AESV3, wrong password", "user", "owner", "256", "wrong", ""},
      {"V2 R3 RC4 128, no password", "user", "owner", "128", "", ""},
  };
  int row = 0;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string encrypted = dir_ + "/enc" + std::to_string(row++) + ".pdf";
    std::string ignored;
    ASSERT_TRUE(CaptureCommand(std::string(QPDF_EXE) + " --allow-weak-crypto --object-streams=" +
                                   (c.object_streams ? "generate" : "disable") + " --encrypt " +
                                   Quote(c.user) + " " + Quote(c.owner) + " " + c.method + " -- " +
                                   Quote(plain_) + " " + Quote(encrypted),
                               &ignored));
    CheckAgainstQpdf(c, encrypted, dir_);
  }
}

// A stream's own Crypt filter chooses its crypt filter over StmF: the content
// stream qpdf enciphered with AESV2 is put in a file of ours whose default is
// Identity, its Crypt filter naming the AESV2 one; and the other way round, a
// stream in clear whose Crypt filter is Identity in a file enciphered by
// default. Both decode to the plain bytes. An ID written as an object of its
// own is read while the handler is made, and stays as written.
TEST_F(SecurityHandlerTest, CryptFiltersAndAnIndirectId) {
  const std::string encrypted = dir_ + "/aes.pdf";
  std::string ignored;
  ASSERT_TRUE(CaptureCommand(
      std::string(QPDF_EXE) + " --object-streams=disable --encrypt '' owner 128 --use-aes=y -- " +
          Quote(plain_) + " " + Quote(encrypted),
      &ignored));
  pdf::OpenOptions raw = OpenOptionsFor(pdf::Mode::kModern);
  raw.decryptor = nullptr;
  pdf::Document source;
  ASSERT_TRUE(source.Open(encrypted.c_str(), raw));
  pdf::Object* content = Paths::Streams(source)[0]->Resolve();
  const int number = content->number;
  ASSERT_GT(number, 3);
  pdf::Token data;
  content->GetStreamData(data);
  const std::string cipher(data.text, static_cast<size_t>(data.length));
  pdf::Object* encrypt = source.xref->trailer->Get("Encrypt");
  const std::string id = std::string("[") + source.xref->trailer->Get("ID")->Item(0)->Text() + " " +
                         source.xref->trailer->Get("ID")->Item(1)->Text() + "]";

  struct Row {
    const char* name;
    const char* default_filter;  // StmF
    std::string dictionary;      // of the stream `number`
    std::string bytes;
    std::string expected;
    bool indirect_id = false;  // the trailer's ID as an object of its own
  };
  const std::string text = "BT /F1 12 Tf 20 100 Td (Hello) Tj ET\n";
  const Row rows[] = {
      {"AESV2 by the stream's Crypt filter, Identity by default", "/Identity",
       "/Filter [/Crypt /FlateDecode] /DecodeParms [<< /Name /StdCF >> null]", cipher, text},
      {"Identity by the stream's Crypt filter, AESV2 by default", "/StdCF",
       "/Filter /Crypt /DecodeParms << /Type /CryptFilterDecodeParms /Name /Identity >>", text,
       text},
      {"AESV2 by default, the ID an object of its own, which stays as written", "/StdCF",
       "/Filter /FlateDecode", cipher, text, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PdfBuilder pdf("%PDF-1.6\n");
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents " +
                      std::to_string(number) + " 0 R >>");
    pdf.Stream(number, row.dictionary, row.bytes);
    pdf.Object(number + 1, std::string("<< /Filter /Standard /V 4 /R 4 /Length 128 /P ") +
                               encrypt->Get("P")->Text() +
                               " /CF << /StdCF << /CFM /AESV2 /Length 16 >> >> /StmF " +
                               row.default_filter + " /StrF /StdCF /O " +
                               encrypt->Get("O")->Text() + " /U " + encrypt->Get("U")->Text() +
                               " >>");
    if (row.indirect_id) {
      pdf.Object(number + 2, id);
    }
    pdf.Finish("/Root 1 0 R /Encrypt " + std::to_string(number + 1) + " 0 R /ID " +
               (row.indirect_id ? std::to_string(number + 2) + " 0 R" : id));
    pdf::Document doc;
    const std::string& bytes = pdf.Bytes();
    ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "crypt.pdf",
                               OpenOptionsFor(pdf::Mode::kModern)));
    ASSERT_TRUE(doc.Decrypting());
    std::vector<uint8_t> decoded;
    std::string error;
    ASSERT_TRUE(
        DecodeStreamFully(doc.GetObject(number, 0)->AsDictionary(), 1 << 20, &decoded, &error))
        << error;
    EXPECT_EQ(std::string(decoded.begin(), decoded.end()), row.expected);
    EXPECT_STREQ(doc.xref->trailer->Get("ID")->Item(0)->Text(),
                 source.xref->trailer->Get("ID")->Item(0)->Text());
  }
}

// Stream data deciphered in pieces come out as deciphered whole, remark
// included, for AES data as qpdf wrote them and damaged; data that are not
// whole blocks behind the IV are left to the whole-data path.
TEST_F(SecurityHandlerTest, PiecesMatchTheWholeData) {
  for (const char* method : {"256", "128 --use-aes=y"}) {
    SCOPED_TRACE(method);
    const std::string encrypted = dir_ + "/pieces.pdf";
    std::string ignored;
    ASSERT_TRUE(CaptureCommand(std::string(QPDF_EXE) +
                                   " --object-streams=disable --encrypt '' owner " + method +
                                   " -- " + Quote(plain_) + " " + Quote(encrypted),
                               &ignored));
    pdf::OpenOptions raw = OpenOptionsFor(pdf::Mode::kModern);
    raw.decryptor = nullptr;
    pdf::Document source;
    ASSERT_TRUE(source.Open(encrypted.c_str(), raw));
    std::string why;
    std::unique_ptr<SecurityHandler> handler = SecurityHandler::Open(
        source.xref->trailer->Get("Encrypt"), source.xref->trailer->Get("ID"), "", &why);
    ASSERT_NE(handler, nullptr) << why;
    // The binary stream, the largest (qpdf numbers objects anew).
    pdf::Object* stream = nullptr;
    std::string cipher;
    for (pdf::Object* found : Paths::Streams(source)) {
      pdf::Token data;
      found->Resolve()->GetStreamData(data);
      if (static_cast<size_t>(data.length) > cipher.size()) {
        stream = found->Resolve();
        cipher.assign(data.text, static_cast<size_t>(data.length));
      }
    }
    ASSERT_GT(cipher.size(), 3 * SecurityHandler::kStreamPiece);  // several pieces
    const int32_t number = stream->number;

    std::string damaged = cipher;
    damaged.back() = static_cast<char>(damaged.back() ^ 0x5A);
    struct Variant {
      const char* name;
      std::string bytes;
      bool in_pieces;
    };
    const Variant variants[] = {
        {"as written", cipher, true},
        {"last block damaged", damaged, true},
        {"one block after the IV", cipher.substr(0, 32), true},
        {"not whole blocks", cipher + "12345", false},
        {"the IV alone", cipher.substr(0, 16), false},
    };
    for (const Variant& v : variants) {
      SCOPED_TRACE(v.name);
      const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(v.bytes.data()),
                                           v.bytes.size());
      std::vector<uint8_t> whole;
      std::string whole_why;
      const bool deciphered = handler->DecryptStream(number, 0, stream, bytes, &whole, &whole_why);
      std::unique_ptr<pdf::StreamPieces> pieces =
          handler->DecryptStreamPieces(number, 0, stream, bytes);
      ASSERT_EQ(pieces != nullptr, v.in_pieces);
      if (pieces == nullptr) {
        continue;
      }
      ASSERT_TRUE(deciphered);
      std::vector<uint8_t> joined;
      for (std::span<const uint8_t> piece = pieces->Next(); !piece.empty();
           piece = pieces->Next()) {
        joined.insert(joined.end(), piece.begin(), piece.end());
      }
      EXPECT_TRUE(joined == whole);
      EXPECT_EQ(pieces->Remark(), whole_why);
    }
  }
}

// What the open asked of the handler's maker: derivations at once, and jobs
// prepared (which the open may run early, on a second thread).
struct MakerCalls {
  int at_once = 0;
  int jobs = 0;
};
MakerCalls g_maker_calls;

pdf::DecryptorResult CountedFactory(pdf::Object* encrypt, pdf::Object* id,
                                    std::string_view password) {
  ++g_maker_calls.at_once;
  return pdfcrypt::OpenDocumentDecryptor(encrypt, id, password);
}

pdf::DecryptorJob CountedPreparer(pdf::Object* encrypt, pdf::Object* id,
                                  std::string_view password) {
  ++g_maker_calls.jobs;
  return pdfcrypt::PrepareDocumentDecryptor(encrypt, id, password);
}

// A key derived early, from the Encrypt dictionary found just before the
// cross-reference stream, counts only when the table puts that dictionary
// there: a stale copy written there (another P, or entries no password
// opens) gives way to the one the table names.
TEST_F(SecurityHandlerTest, AnEarlyKeyIsCheckedAgainstTheTable) {
  const std::string encrypted = dir_ + "/r6.pdf";
  std::string ignored;
  ASSERT_TRUE(CaptureCommand(
      std::string(QPDF_EXE) + " --object-streams=disable --encrypt '' owner 256 --print=none -- " +
          Quote(plain_) + " " + Quote(encrypted),
      &ignored));
  pdf::OpenOptions raw = OpenOptionsFor(pdf::Mode::kModern);
  raw.decryptor = nullptr;
  raw.prepare_decryptor = nullptr;
  pdf::Document source;
  ASSERT_TRUE(source.Open(encrypted.c_str(), raw));
  pdf::Object* written = source.xref->trailer->Get("Encrypt");
  auto encrypt_dict = [&](const std::string& p, const std::string& u) {
    std::string dict = "<< /Filter /Standard /V 5 /R 6 /Length 256 /P " + p +
                       " /CF << /StdCF << /CFM /AESV3 /Length 32 >> >> /StmF /Identity "
                       "/StrF /Identity";
    for (const char* key : {"O", "OE", "UE", "Perms"}) {
      dict += std::string(" /") + key + " " + written->Get(key)->Text();
    }
    return dict + " /U " + u + " >>";
  };
  const std::string p = written->Get("P")->Text();
  const std::string u = written->Get("U")->Text();
  struct Row {
    const char* name;
    std::string stale;  // written right before the stream; "" for none
    int at_once;        // derivations after the early one
  };
  const Row rows[] = {
      {"the table's own dictionary", "", 0},
      {"a stale copy with another P", encrypt_dict("-1", u), 1},
      {"a stale copy no password opens", encrypt_dict(p, "<" + std::string(96, '0') + ">"), 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ModernBuilder m;
    m.Classic().Object(1, "<< /Type /Catalog /Pages 2 0 R /QvTitle (in clear) >>");
    m.Classic().Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    m.Classic().Object(5, encrypt_dict(p, u));
    if (!row.stale.empty()) {
      m.Classic().Raw("5 0 obj\n" + row.stale + "\nendobj\n");
    }
    m.XRefStream(6, {m.InUse(1), m.InUse(2), m.InUse(5)},
                 "/Size 7 /Root 1 0 R /Encrypt 5 0 R /ID [<00112233> <00112233>]");
    pdf::OpenOptions options = OpenOptionsFor(pdf::Mode::kModern);
    options.decryptor = CountedFactory;
    options.prepare_decryptor = CountedPreparer;
    g_maker_calls = MakerCalls();
    pdf::Document doc;
    const std::string& bytes = m.Bytes();
    ASSERT_TRUE(
        doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "early.pdf", options));
    ASSERT_TRUE(doc.Decrypting());
    EXPECT_EQ(g_maker_calls.jobs, 1);
    EXPECT_EQ(g_maker_calls.at_once, row.at_once);
    std::string lines;
    for (const std::string& line : doc.ProtectionLines()) {
      lines += line + "\n";
    }
    // qpdf's --print=none: the table's dictionary forbids printing.
    EXPECT_NE(lines.find("Print: not allowed\n"), std::string::npos) << lines;
    EXPECT_STREQ(doc.xref->trailer->Get("Root")->Get("QvTitle")->Text(), "in clear");
  }
}

// Revision 6 keys are confirmed by Perms when it agrees, by the check hash
// when it does not: a damaged Perms still opens, with a remark.
TEST_F(SecurityHandlerTest, DamagedPermsFallsBackToTheCheckHash) {
  const std::string encrypted = dir_ + "/r6.pdf";
  std::string ignored;
  ASSERT_TRUE(CaptureCommand(std::string(QPDF_EXE) +
                                 " --object-streams=disable --encrypt user owner 256 -- " +
                                 Quote(plain_) + " " + Quote(encrypted),
                             &ignored));
  std::string bytes;
  {
    std::ifstream in(encrypted, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // Perms is 16 bytes: its hex digits are overwritten in place, offsets kept.
  const size_t perms = bytes.find("/Perms <");
  ASSERT_NE(perms, std::string::npos);
  bytes.replace(perms + 8, 32, std::string(32, '0'));
  for (const char* password : {"user", "owner"}) {
    SCOPED_TRACE(password);
    pdf::OpenOptions options = OpenOptionsFor(pdf::Mode::kModern);
    options.password = password;
    FindingsDocument doc;
    ASSERT_TRUE(
        doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "r6.pdf", options));
    EXPECT_TRUE(doc.Decrypting());
    EXPECT_EQ(doc.findings.at(1),
              "Warning: Encrypt: Perms does not confirm P; P is shown as written");
    std::vector<uint8_t> title;
    ASSERT_TRUE(pdf::StringBytes(doc.xref->trailer->Get("Info")->Get("Title"), &title));
    EXPECT_EQ(std::string(title.begin(), title.end()), "Quarterly figures");
  }
}

// Hand-written Encrypt dictionaries that no producer should write: each is
// refused with its reason, none read out of bounds.
TEST(SecurityHandlerHostileTest, RefusesWithAReason) {
  const std::string kHash32 = "<" + std::string(64, 'A') + ">";
  const std::string kHash48 = "<" + std::string(96, 'B') + ">";
  const std::string kId = "/ID [<0123456789ABCDEF0123456789ABCDEF> <00>]";
  struct Hostile {
    const char* name;
    std::string encrypt;
    std::string trailer_extra;
    const char* reason;
  };
  const Hostile kCases[] = {
      {"unknown handler", "<< /Filter /Custom /V 2 /R 3 /P -4 >>", kId,
       "the security handler /Custom is not supported"},
      {"no handler", "<< /V 2 /R 3 /P -4 >>", kId,
       "the Encrypt dictionary names no security handler"},
      {"short O",
       "<< /Filter /Standard /V 2 /R 3 /P -4 /O <00112233445566778899AABB> /U " + kHash32 + " >>",
       kId, "O has 12 bytes, not 32"},
      {"short O of revision 6",
       "<< /Filter /Standard /V 5 /R 6 /P -4 /O " + kHash32 + " /U " + kHash48 + " >>", kId,
       "O has 32 bytes, not 48 (revision 5 and 6 need 48)"},
      {"absurd Length",
       "<< /Filter /Standard /V 2 /R 3 /P -4 /Length 9999 /O " + kHash32 + " /U " + kHash32 + " >>",
       kId, "Length 9999 is not a key length"},
      {"huge Length",
       "<< /Filter /Standard /V 2 /R 3 /P -4 /Length 100000000 /O " + kHash32 + " /U " + kHash32 +
           " >>",
       kId, "Length 100000000 is not a key length"},
      {"negative crypt filter Length",
       "<< /Filter /Standard /V 4 /R 4 /P -4 /CF << /StdCF << /CFM /V2 /Length -1000000000 >> "
       ">> /StmF /StdCF /O " +
           kHash32 + " /U " + kHash32 + " >>",
       kId, "Length -1000000000 is not a key length"},
      {"unknown revision", "<< /Filter /Standard /V 2 /R 99 /P -4 >>", kId,
       "R 99 is not a revision of the standard security handler"},
      {"unknown version", "<< /Filter /Standard /V 7 /R 3 /P -4 >>", kId,
       "V 7 is not a version of the standard security handler"},
      {"V against R", "<< /Filter /Standard /V 5 /R 3 /P -4 >>", kId,
       "V 5 does not go with revision 3"},
      {"P beyond 32 bits", "<< /Filter /Standard /V 2 /R 3 /P 1000000000000 >>", kId,
       "P is not a 32-bit integer"},
      {"no ID", "<< /Filter /Standard /V 2 /R 3 /P -4 /O " + kHash32 + " /U " + kHash32 + " >>", "",
       "the password is not the user or owner password of the standard security handler (the "
       "trailer has no ID, which the key of revision 3 depends on)"},
      {"undefined StmF",
       "<< /Filter /Standard /V 4 /R 4 /P -4 /StmF /Nowhere /O " + kHash32 + " /U " + kHash32 +
           " >>",
       kId, "StmF names the crypt filter /Nowhere, which CF does not define"},
      {"unknown crypt method",
       "<< /Filter /Standard /V 4 /R 4 /P -4 /CF << /X << /CFM /Rot13 >> >> /StmF /X /O " +
           kHash32 + " /U " + kHash32 + " >>",
       kId, "the crypt filter /X uses the method /Rot13, which is not supported"},
      {"Encrypt not a dictionary", "(Standard)", kId, "Encrypt is not a dictionary"},
  };
  for (const Hostile& c : kCases) {
    SCOPED_TRACE(c.name);
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    pdf.Object(3, c.encrypt);
    pdf.Finish("/Root 1 0 R /Encrypt 3 0 R " + c.trailer_extra);
    const std::string& bytes = pdf.Bytes();
    // The file opens, objects as stored, with a finding that says why; a
    // handler that is readable but refuses every password fails the open.
    FindingsDocument doc;
    const bool no_password = std::string(c.reason).starts_with("the password");
    ASSERT_EQ(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "hostile.pdf",
                             OpenOptionsFor(pdf::Mode::kModern)),
              !no_password);
    if (!no_password) {
      EXPECT_FALSE(doc.Decrypting());
      EXPECT_EQ(doc.findings.at(0),
                std::string("Warning: Encrypted, but nothing can be decrypted: ") + c.reason +
                    "; strings and streams show as the file holds them");
    }
    pdf::OpenOptions raw = OpenOptionsFor(pdf::Mode::kModern);
    raw.decryptor = nullptr;
    ASSERT_TRUE(
        doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "hostile.pdf", raw));
    std::string why;
    auto handler = SecurityHandler::Open(doc.xref->trailer->Get("Encrypt"),
                                         doc.xref->trailer->Get("ID"), "", &why);
    EXPECT_EQ(handler, nullptr);
    EXPECT_EQ(why, c.reason);
  }
}

}  // namespace

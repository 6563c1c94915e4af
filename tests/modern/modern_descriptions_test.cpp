// What the detail pane and the tree say of values in modern mode: numbers as
// the file wrote them, booleans with their value, arrays with their items,
// strings decoded, and a header line saying where an indirect object lies.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "describe/description.h"
#include "describe/item_path.h"
#include "describe/labels.h"
#include "describe/open_mode.h"
#include "describe/text_string.h"
#include "describe/viewer_document.h"
#include "pdf/string_bytes.h"
#include "tests/modern/object_json.h"
#include "tests/support/modern_builder.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/sink_capture.h"

namespace {

class ModernDescriptionsTest : public SinkTest {
 protected:
  void Open(const std::string& bytes, pdf::Mode mode = pdf::Mode::kModern) {
    bytes_ = bytes;
    ASSERT_TRUE(doc_.OpenMemory(bytes_.data(), static_cast<int32_t>(bytes_.size()), "test.pdf",
                                OpenOptionsFor(mode)));
  }
  pdf::Object* Select(const std::string& path) {
    std::vector<TreeItem> trail;
    std::string error;
    EXPECT_TRUE(FindItemPath(doc_, path, &trail, &error)) << error;
    return trail.empty() ? nullptr : trail.back().object;
  }
  std::vector<std::string> Labels(const std::string& path) {
    std::vector<std::string> labels;
    for (const TreeItem& item : ChildItems(Select(path))) {
      labels.push_back(item.label);
    }
    return labels;
  }

  ViewerDocument doc_;
  std::string bytes_;
};

const std::string kCatalog =
    "<< /Type /Catalog /Pages 2 0 R /Big 1234567 /Real 1.50 /Flag true /Off false"
    " /Box [0 0 612 792] /Mixed [/DeviceRGB 3 0 R [1 2] << /A 1 >> (hi) null false -.5]"
    " /Seventeen [0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16] /One [7] /None []"
    " /Cut [(" +
    std::string(70, 'y') + ") <" + std::string(80, '0') +
    ">] /Bin <00FF10> /Doc (caf\\351 \\200 \\(1\\)) /Wide <FEFF0051D83DDE00>"
    " /Lines (a\\nb) /Answer 4 0 R >>";
const std::string kInfo = "<< /Title (Quarterly figures) /Long (" + std::string(200, 'x') + ") >>";

PdfBuilder SampleFile() {
  PdfBuilder b;
  b.Object(1, kCatalog);
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Object(3, kInfo);
  b.Object(4, "42");
  b.Finish("/Root 1 0 R /Info 3 0 R");
  return b;
}

// "N 0 obj\n" body "\nendobj": what the header line counts.
size_t ObjectLength(int number, const std::string& body) {
  return std::to_string(number).size() + 7 + body.size() + 7;
}

TEST_F(ModernDescriptionsTest, ValuesAndHeaderLines) {
  const PdfBuilder b = SampleFile();
  Open(b.Bytes());
  auto header = [&](int number, const std::string& body) {
    return std::to_string(number) + " 0 obj at offset " + std::to_string(b.OffsetOf(number)) +
           ", " + std::to_string(ObjectLength(number, body)) + " bytes\n";
  };
  struct Case {
    const char* path;
    std::string expect;
  };
  const Case cases[] = {
      {"Root", header(1, kCatalog) + "dictionary, 17 entries"},
      {"Root/Big", "number: 1234567"},
      {"Root/Real", "number: 1.50"},
      {"Root/Flag", "boolean: true"},
      {"Root/Off", "boolean: false"},
      {"Root/Type", "name: Catalog"},
      {"Root/Box", "array, 4 items: [0 0 612 792]"},
      {"Root/Box/[2]", "number: 612"},
      {"Root/Mixed", "array, 8 items: [/DeviceRGB 3 0 R [...] <<...>> \"hi\" null false -.5]"},
      {"Root/Seventeen", "array, 17 items: [0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 ... (17 items)]"},
      {"Root/One", "array, 1 item: [7]"},
      {"Root/None", "array, 0 items: []"},
      {"Root/Cut", "array, 2 items: [\"" + std::string(63, 'y') + "...\" <" + std::string(63, '0') +
                       "... (40 bytes)]"},
      {"Root/Bin", "string: <00FF10> (3 bytes)"},
      {"Root/Doc", "string: \"caf\xC3\xA9 \xE2\x80\xA2 (1)\""},
      {"Root/Wide", "string: \"Q\xF0\x9F\x98\x80\""},
      {"Root/Lines", "string: \"a\nb\""},
      {"Root/Answer", header(4, "42") + "number: 42"},
      {"Trailer/Info", header(3, kInfo) + "dictionary, 2 entries"},
      {"Trailer/Info/Title", "string: \"Quarterly figures\""},
      {"Trailer", "dictionary, 3 entries"},
      {"Header", "string: \"%PDF-1.4\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(DescribeObject(Select(c.path)), c.expect);
  }
}

TEST_F(ModernDescriptionsTest, TreeLabelsShowDecodedStrings) {
  Open(SampleFile().Bytes());
  const std::vector<std::string> root = Labels("Root");
  const std::vector<std::string> expect_root = {
      "Type= Catalog",
      "Pages= 2 0 R <<...>>",
      "Big= 1234567",
      "Real= 1.50",
      "Flag= true",
      "Off= false",
      "Box= array [0, 0, 612, 792]",
      "Mixed= array",
      "Seventeen= array",
      "One= array [7]",
      "None= array []",
      "Cut= array",
      "Bin= <00FF10> (3 bytes)",
      "Doc= \"caf\xC3\xA9 \xE2\x80\xA2 (1)\"",
      "Wide= \"Q\xF0\x9F\x98\x80\"",
      "Lines= \"a b\"",  // a label is one line
      "Answer= 4 0 R 42",
  };
  EXPECT_EQ(root, expect_root);
  // Too long a string is left out, as in classic mode.
  EXPECT_EQ(Labels("Trailer/Info"),
            (std::vector<std::string>{"Title= \"Quarterly figures\"", "Long"}));
  EXPECT_EQ(Labels("Root/Mixed")[4], "[4]= \"hi\"");
}

// Classic mode keeps its texts: %g numbers, bare booleans, strings as written.
TEST_F(ModernDescriptionsTest, ClassicModeIsUnchanged) {
  Open(SampleFile().Bytes(), pdf::Mode::kClassic);
  struct Case {
    const char* path;
    std::string expect;
  };
  const Case cases[] = {
      {"Root", "dictionary, 17 entries"},
      {"Root/Big", "number: 1.23457e+06"},
      {"Root/Flag", "boolean"},
      {"Root/Box", "array [0, 0, 612, 792]"},
      {"Root/Doc", "string: caf\\351 \\200 \\(1\\)"},
      {"Root/Answer", "number: 42"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(DescribeObject(Select(c.path)), c.expect);
  }
  EXPECT_EQ(Labels("Trailer/Info")[0], "Title= \"Quarterly figures\"");
  EXPECT_EQ(Labels("Root")[13], "Doc= \"caf\\351 \\200 \\(1\\)\"");
}

// Where qpdf reads each object is where the header line says it lies; a
// compressed object names its object stream.
TEST_F(ModernDescriptionsTest, HeaderLinesAgreeWithQpdf) {
  ModernBuilder m;
  m.Classic().Object(3, "<< /Title (Report) >>");
  m.ObjectStream(
      10, {{1, "<< /Type /Catalog /Pages 2 0 R >>"}, {2, "<< /Type /Pages /Kids [] /Count 0 >>"}});
  m.XRefStream(11, {{1, 2, 10, 0}, {2, 2, 10, 1}, m.InUse(3), m.InUse(10)},
               "/Size 12 /Root 1 0 R /Info 3 0 R /ID [<00> <00>]");
  TempFile file(m.Bytes());
  Open(m.Bytes());
  FILE* pipe = popen(
      (std::string(QPDF_EXE) + " --show-xref '" + file.path() + "' 2>/dev/null").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string xref;
  char line[256];
  while (fgets(line, sizeof line, pipe) != nullptr) {
    xref += line;
  }
  pclose(pipe);
  const std::regex uncompressed(R"((\d+)/0: uncompressed; offset = (\d+))");
  const std::regex compressed(R"((\d+)/0: compressed; stream = (\d+), index = \d+)");
  int checked = 0;
  for (std::sregex_iterator it(xref.begin(), xref.end(), uncompressed), end; it != end; ++it) {
    const int number = std::stoi((*it)[1]);
    const std::string text = DescribeObject(doc_.GetObject(number, 0));
    SCOPED_TRACE(text);
    EXPECT_EQ(text.rfind((*it)[1].str() + " 0 obj at offset " + (*it)[2].str() + ", ", 0), 0u);
    ++checked;
  }
  for (std::sregex_iterator it(xref.begin(), xref.end(), compressed), end; it != end; ++it) {
    const int number = std::stoi((*it)[1]);
    const std::string text = DescribeObject(doc_.GetObject(number, 0));
    EXPECT_EQ(text.substr(0, text.find('\n')),
              (*it)[1].str() + " 0 obj in object stream " + (*it)[2].str());
    ++checked;
  }
  EXPECT_GE(checked, 4) << xref;  // 1, 2, 3, 10 and perhaps the xref stream
  EXPECT_EQ(DescribeObject(Select("Root")), "1 0 obj in object stream 10\ndictionary, 2 entries");
}

// qpdf decodes text strings the same way: every byte of PDFDocEncoding it
// defines (each among letters, as qpdf shows strings mostly of high bytes in
// hexadecimal), UTF-16 with a surrogate pair and UTF-8 after its mark.
TEST_F(ModernDescriptionsTest, DecodedStringsAgreeWithQpdf) {
  std::vector<std::string> written = {"(Quarterly figures)", "<FEFF0051D83DDE0000E4>",
                                      "<EFBBBF41C3A9>", "(tab\\tand\\nline)", "<00FF10>"};
  for (int byte = 0x80; byte <= 0xFF; ++byte) {
    if (byte != 0x9F && byte != 0xAD) {  // undefined in the encoding
      written.push_back("(Item \\" + std::to_string(byte / 64) + std::to_string(byte / 8 % 8) +
                        std::to_string(byte % 8) + " of the list)");
    }
  }
  std::string entries;
  for (size_t i = 0; i < written.size(); ++i) {
    entries += " /S" + std::to_string(i) + " " + written[i];
  }
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R" + entries + " >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Finish("/Root 1 0 R");
  TempFile file(b.Bytes());
  const nlohmann::json qpdf = QpdfJson(file.path());
  const nlohmann::json& catalog = qpdf["qpdf"][1]["obj:1 0 R"]["value"];
  ASSERT_TRUE(catalog.is_object()) << qpdf.dump().substr(0, 400);
  Open(b.Bytes());
  for (size_t i = 0; i < written.size(); ++i) {
    SCOPED_TRACE(written[i]);
    const std::string key = "S" + std::to_string(i);
    const std::string theirs = catalog["/" + key].get<std::string>();
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(pdf::StringBytes(doc_.catalog->Get(key.c_str()), &bytes));
    bool is_text = false;
    const std::string ours = TextStringUtf8(bytes, &is_text);
    // Only the bytes that are no text are in hexadecimal, as qpdf has them.
    EXPECT_EQ(is_text, theirs.rfind("u:", 0) == 0);
    if (is_text) {
      EXPECT_EQ("u:" + ours, theirs);
      EXPECT_EQ(DescribeObject(doc_.catalog->Get(key.c_str())), "string: \"" + ours + "\"");
    } else {
      std::string hex = HexString(bytes);
      for (char& c : hex) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));  // as qpdf writes it
      }
      EXPECT_EQ(hex, "<" + theirs.substr(2) + ">");
    }
  }
}

}  // namespace

// What modern mode's detail pane shows of a stream: text, a hex dump of what
// is not text, where long contents were cut, and every decoding problem as a
// line of its own, never a blank pane.
#include <gtest/gtest.h>

#include <string>

#include "describe/description.h"
#include "describe/open_mode.h"
#include "describe/stream_contents.h"
#include "describe/viewer_document.h"
#include "pdf/document.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/sink_capture.h"
#include "tests/support/zlib_encoder.h"

namespace {

// Thousands apart by commas, counted from the right.
std::string FormatNumber(size_t value) {
  const std::string digits = std::to_string(value);
  std::string reversed;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && i % 3 == 0) {
      reversed += ',';
    }
    reversed += digits[digits.size() - 1 - i];
  }
  return std::string(reversed.rbegin(), reversed.rend());
}

// The description of object 5, a stream with the entries and data given, in
// a file opened in modern mode.
std::string Describe(const std::string& entries, const std::string& data) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Stream(5, entries, data);
  b.Finish("/Root 1 0 R");
  const std::string bytes = b.Bytes();
  ViewerDocument doc;
  EXPECT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "test.pdf",
                             OpenOptionsFor(pdf::Mode::kModern)));
  const std::string text = DescribeObject(doc.GetObject(5, 0));
  // What follows the entries and their blank line.
  const size_t body = text.find("\n\n");
  return body == std::string::npos ? text : text.substr(body + 2);
}

TEST(StreamContents, TextHexCutAndProblems) {
  SinkCapture sinks;
  std::string long_text;
  while (long_text.size() < kContentsTextBound + 1000) {
    long_text += "0 0 1 RG 72 600 m 540 600 l S\n";
  }
  const std::string damaged = Deflate(std::string(5000, 'q'));
  struct Case {
    const char* name;
    std::string entries;
    std::string data;
    std::string starts;  // the shown contents start so
    std::string ends;    // and end so
  };
  const Case cases[] = {
      {"text", "/Filter /FlateDecode", Deflate("BT (Hi) Tj ET"), "BT (Hi) Tj ET", "BT (Hi) Tj ET"},
      {"no filter, more than 4095 bytes", "", std::string(5000, 'x'), "xxxx", "xxx"},
      {"chain", "/Filter [/ASCIIHexDecode /FlateDecode]", "789c0b49ad28010003e701a6>", "Text",
       "Text"},
      {"binary as a hex dump", "",
       std::string("\x00\x01\x02\xff"
                   "PDF",
                   7),
       "00000000  00 01 02 ff 50 44 46", "|....PDF|\n"},
      {"cut at the bound", "/Filter /FlateDecode", Deflate(long_text), "0 0 1 RG",
       "... (first 1,048,576 of " + FormatNumber(long_text.size()) + " bytes)\n"},
      {"damaged Flate", "/Filter /FlateDecode", damaged.substr(0, damaged.size() - 6),
       "FlateDecode: ", "qqq"},
      {"unknown filter", "/Filter /NoSuchDecode", "xyz", "unsupported filter: NoSuchDecode\n",
       "unsupported filter: NoSuchDecode\n\n"},
      {"empty", "", "", "(no data)\n", "(no data)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string shown = Describe(c.entries, c.data);
    EXPECT_EQ(shown.rfind(c.starts, 0), 0u) << shown.substr(0, 200);
    ASSERT_GE(shown.size(), c.ends.size());
    EXPECT_EQ(shown.substr(shown.size() - c.ends.size()), c.ends)
        << shown.substr(shown.size() - std::min<size_t>(shown.size(), 200));
  }
  EXPECT_TRUE(sinks.errors.empty());  // problems are lines in the pane, not boxes
}

}  // namespace

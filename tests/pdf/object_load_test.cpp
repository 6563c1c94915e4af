// Indirect objects resolved on demand through the cross-reference chain.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "pdf/bounds.h"
#include "pdf/document.h"
#include "tests/pdf/object_dump.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/sink_capture.h"

namespace pdf {
namespace {

class LoadTest : public SinkTest {
 protected:
  void Read(const std::string& bytes) {
    input_ = std::make_unique<Input>(bytes);
    ASSERT_TRUE(doc.ReadFileStructure(input_->begin(), input_->end()));
    sinks.Clear();
  }
  Object* Resolve(int number, int generation = 0) {
    return (new Reference(&doc, number, generation))->Resolve();
  }
  Document doc;
  std::unique_ptr<Input> input_;
};

// "xref\nFIRST N\n" and one in-use entry per offset.
std::string Section(int first, std::vector<size_t> offsets) {
  std::string text = "xref\n" + std::to_string(first) + " " + std::to_string(offsets.size()) + "\n";
  for (size_t offset : offsets) {
    char line[32];
    snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    text += line;
  }
  return text;
}

TEST_F(LoadTest, ReferenceLoadsTheObjectAtItsOffsetOnce) {
  PdfBuilder b;
  size_t offset = b.Object(5, "<< /A 1 >>");
  b.Finish("");
  Read(b.Bytes());
  auto* reference = new Reference(&doc, 5, 0);
  Object* five = reference->Resolve();
  EXPECT_EQ(Dump(five), "<< /A 1 >>");
  EXPECT_EQ(five->number, 5);
  EXPECT_EQ(five->offset, static_cast<int>(offset));
  EXPECT_EQ(reference->offset, static_cast<int>(offset));
  EXPECT_EQ(doc.xref->entries[5].object, five);
  EXPECT_EQ(reference->Resolve(), five);
  EXPECT_TRUE(sinks.errors.empty());
}

TEST_F(LoadTest, SectionsAnswerNewestFirst) {
  PdfBuilder b;
  b.Object(5, "(old five)");
  b.Object(7, "(old seven)");
  size_t first = b.Finish("");
  b.StartUpdate();
  b.Object(8, "(eight)");
  size_t second = b.XrefSection(7, 2);  // 7 free with next-free 0, 8 in use
  b.Trailer("/Size 9 /Prev " + std::to_string(first), second);
  Read(b.Bytes());
  Object* five = Resolve(5);
  EXPECT_EQ(Dump(five), "(old five)");
  EXPECT_EQ(doc.xref->prev->entries[5].object, five) << "registered in the older table";
  EXPECT_TRUE(Resolve(7)->IsNull()) << "the newest section's free entry wins";
  EXPECT_EQ(Dump(Resolve(8)), "(eight)");
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"7 0 R not found!"});
}

TEST_F(LoadTest, HeaderLineDecidesNumberAndGeneration) {
  PdfBuilder b;
  size_t six = b.Object(6, "(six)");
  size_t five = b.Object(5, "(five)");
  size_t xref = b.Size();
  b.Raw(Section(5, {six, five}));  // entry 5 points at object 6
  b.Trailer("/Size 7", xref);
  Read(b.Bytes());
  Object* loaded = Resolve(5, 1);
  EXPECT_EQ(Dump(loaded), "(six)");
  EXPECT_EQ(loaded->number, 6);
  EXPECT_EQ(loaded->generation, 0);
  EXPECT_EQ(doc.xref->entries[1].object, loaded) << "registered under its own number";
  EXPECT_EQ(doc.xref->entries[0].object, nullptr);
}

TEST_F(LoadTest, EveryReferenceLoadsItsOwnCopy) {
  PdfBuilder b;
  b.Object(1, "<< /P 5 0 R /Q 5 0 R >>");
  b.Object(5, "[1 2]");
  b.Finish("");
  Read(b.Bytes());
  Object* one = Resolve(1);
  Object* p = one->Get("P");
  Object* q = one->Get("Q");
  EXPECT_NE(p, q);
  EXPECT_EQ(Dump(one), "<< /P [1 2] /Q [1 2] >>");
  EXPECT_EQ(doc.xref->entries[5].object, q) << "the entry keeps the last load";
}

TEST_F(LoadTest, StreamLengthsThatAreReferences) {
  PdfBuilder b;
  b.Object(1, "<< /Length 12 0 R /After /Yes >>\nstream\nHELLO\nendstream");
  b.Object(12, "5");
  b.Object(2, "<< /Length 2 0 R >>\nstream\nHELLO\nendstream");  // its own length
  constexpr int kChain = 3 * kMaxNestedLoads;                    // each length the next stream
  for (int i = 100; i < 100 + kChain; ++i) {
    b.Object(i, "<< /Length " + std::to_string(i + 1) + " 0 R >>\nstream\nHELLO\nendstream");
  }
  b.Object(100 + kChain, "5");
  b.Finish("");
  Read(b.Bytes());

  EXPECT_EQ(Dump(Resolve(1)), "<< /Length 5 /After /Yes >>stream[HELLO]");
  EXPECT_TRUE(sinks.errors.empty());

  Object* self = Resolve(2);
  EXPECT_TRUE(self->IsDictionary()) << "a plain dictionary: its length is unknown";
  EXPECT_EQ(sinks.errors,
            (std::vector<std::string>{"2 0 R not found!", "missing or invalid stream length"}));

  sinks.Clear();
  EXPECT_TRUE(Resolve(100)->IsDictionary());
  EXPECT_FALSE(sinks.errors.empty());
  EXPECT_LE(sinks.errors.size(), static_cast<size_t>(2 * kMaxNestedLoads + 2));
  EXPECT_EQ(doc.stack_count, 0);
}

TEST_F(LoadTest, MissingUnreadableOrUnregistrableObjectsResolveToNull) {
  PdfBuilder b;
  size_t one = b.Object(1, "(one)");
  size_t stray = b.Size();
  b.Raw("99 0 obj\n(stray)\nendobj\n");
  size_t xref = b.Size();
  b.Raw(Section(0, {0, one, 3, stray}));
  b.Trailer("/Size 4", xref);
  Read(b.Bytes());
  for (int number : {0, 2, 3, 4, -1}) {  // offset 0, no object there, unregistrable, uncovered
    sinks.Clear();
    EXPECT_TRUE(Resolve(number)->IsNull()) << number;
    EXPECT_EQ(sinks.errors, std::vector<std::string>{std::to_string(number) + " 0 R not found!"});
    EXPECT_EQ(sinks.warnings, number == 3 ? std::vector<std::string>{"PDF xref Add object#99??"}
                                          : std::vector<std::string>{});
  }
  EXPECT_EQ(Dump(Resolve(1)), "(one)");
}

}  // namespace
}  // namespace pdf

// Indirect objects resolved on demand through the cross-reference chain.
#include <gtest/gtest.h>

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
    ASSERT_TRUE(doc.ReadFileStructure(input_->begin(), input_->end())) << sinks.all.size();
    sinks.Clear();
  }
  // What "N G R" resolves to, through a fresh reference.
  Object* Resolve(int number, int generation = 0) {
    return (new Reference(&doc, number, generation))->Resolve();
  }
  // The entry of `number` in the newest table that covers it.
  XRefEntry* EntryOf(int number) {
    for (XRefTable* t = doc.xref; t != nullptr; t = t->prev) {
      if (number >= t->first && number < t->first + t->EntryCount()) {
        return &t->entries[number - t->first];
      }
    }
    return nullptr;
  }
  Document doc;
  std::unique_ptr<Input> input_;
};

TEST_F(LoadTest, ReferenceLoadsTheObjectAtItsOffset) {
  PdfBuilder b;
  b.Object(4, "(four)");
  size_t offset = b.Object(5, "<< /A 1 >>");
  b.Finish("/Root 5 0 R");
  Read(b.Bytes());
  auto* reference = new Reference(&doc, 5, 0);
  Object* five = reference->Resolve();
  EXPECT_EQ(Dump(five), "<< /A 1 >>");
  EXPECT_EQ(five->number, 5);
  EXPECT_EQ(five->offset, static_cast<int>(offset));
  EXPECT_EQ(reference->offset, static_cast<int>(offset));
  EXPECT_EQ(EntryOf(5)->object, five);
  EXPECT_EQ(reference->Resolve(), five) << "resolved once";
  EXPECT_TRUE(sinks.errors.empty());
}

TEST_F(LoadTest, OlderSectionAnswersForNumbersTheNewestDoesNotCover) {
  PdfBuilder b;
  b.Object(5, "(old five)");
  b.Finish("");
  b.StartUpdate();
  b.Object(6, "(new six)");
  b.Finish("");
  Read(b.Bytes());
  Object* five = Resolve(5);
  EXPECT_EQ(Dump(five), "(old five)");
  ASSERT_NE(doc.xref->prev, nullptr);
  EXPECT_EQ(doc.xref->prev->entries[5].object, five);
  EXPECT_EQ(Dump(Resolve(6)), "(new six)");
}

TEST_F(LoadTest, FreeEntryInTheNewestSectionHidesAnOlderOne) {
  PdfBuilder b;
  b.Object(7, "(seven)");
  size_t first = b.Finish("");
  b.StartUpdate();
  b.Object(8, "(eight)");
  size_t second = b.XrefSection(7, 2);  // 7 free, next-free 0
  b.Trailer("/Size 9 /Prev " + std::to_string(first), second);
  Read(b.Bytes());
  EXPECT_TRUE(Resolve(7)->IsNull());
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"7 0 R not found!"});
  EXPECT_EQ(Dump(Resolve(8)), "(eight)");
}

TEST_F(LoadTest, HeaderLineDecidesNumberAndGeneration) {
  PdfBuilder b;
  size_t six = b.Object(6, "(six)");
  size_t five = b.Object(5, "(five)");
  size_t xref = b.Size();
  char entries[128];
  snprintf(entries, sizeof entries, "xref\n5 2\n%010zu 00001 n \n%010zu 00000 n \n", six, five);
  b.Raw(entries);
  b.Trailer("/Size 7", xref);
  Read(b.Bytes());
  Object* loaded = Resolve(5, 1);  // entry 5 points at object 6
  EXPECT_EQ(Dump(loaded), "(six)");
  EXPECT_EQ(loaded->number, 6);
  EXPECT_EQ(doc.xref->entries[1].object, loaded) << "registered under its own number";
  EXPECT_EQ(doc.xref->entries[0].object, nullptr);
  EXPECT_EQ(doc.xref->entries[1].offset, static_cast<int>(six)) << "the entry took its offset";
  Object* six_again = Resolve(6, 7);  // the generation is not compared
  EXPECT_EQ(Dump(six_again), "(six)");
  EXPECT_EQ(six_again->generation, 0);
}

TEST_F(LoadTest, EveryReferenceLoadsItsOwnCopy) {
  PdfBuilder b;
  b.Object(1, "<< /P 5 0 R >>");
  b.Object(2, "<< /P 5 0 R >>");
  b.Object(5, "[1 2]");
  b.Finish("");
  Read(b.Bytes());
  Object* from_one = Resolve(1)->Get("P");
  Object* from_two = Resolve(2)->Get("P");
  EXPECT_NE(from_one, from_two);
  EXPECT_EQ(Dump(from_one), Dump(from_two));
  EXPECT_EQ(EntryOf(5)->object, from_two) << "the entry keeps the last load";
}

TEST_F(LoadTest, StreamLengthIsResolvedInTheMiddleOfTheParse) {
  PdfBuilder b;
  b.Object(3, "<< /Length 12 0 R /After /Yes >>\nstream\nHELLO\nendstream");
  b.Object(12, "5");
  b.Finish("");
  Read(b.Bytes());
  Object* stream = Resolve(3);
  EXPECT_EQ(Dump(stream), "<< /Length 5 /After /Yes >>stream[HELLO]");
  EXPECT_TRUE(sinks.errors.empty());
  EXPECT_EQ(doc.stack_count, 0);
}

TEST_F(LoadTest, SelfReferentialLengthGivesTheNullObjectInside) {
  PdfBuilder b;
  b.Object(3, "<< /Length 3 0 R >>\nstream\nHELLO\nendstream");
  b.Finish("");
  Read(b.Bytes());
  Object* loaded = Resolve(3);
  EXPECT_TRUE(loaded->IsDictionary()) << "a plain dictionary: its length is unknown";
  EXPECT_EQ(sinks.errors,
            (std::vector<std::string>{"3 0 R not found!", "missing or invalid stream length"}));
}

TEST_F(LoadTest, ChainedLengthsAreBoundedInDepth) {
  PdfBuilder b;
  constexpr int kChain = 3 * kMaxNestedLoads;
  for (int i = 1; i < kChain; ++i) {
    b.Object(i, "<< /Length " + std::to_string(i + 1) + " 0 R >>\nstream\nHELLO\nendstream");
  }
  b.Object(kChain, "5");
  b.Finish("");
  Read(b.Bytes());
  Object* loaded = Resolve(1);
  EXPECT_TRUE(loaded->IsDictionary());
  EXPECT_FALSE(sinks.errors.empty());
  EXPECT_LE(sinks.errors.size(), static_cast<size_t>(2 * kMaxNestedLoads + 2));
  EXPECT_EQ(doc.stack_count, 0);
}

TEST_F(LoadTest, UnregistrableObjectResolvesToNull) {
  PdfBuilder b;
  size_t stray = b.Size();
  b.Raw("99 0 obj\n(stray)\nendobj\n");
  size_t xref = b.Size();
  char entries[128];
  snprintf(entries, sizeof entries, "xref\n0 2\n0000000000 65535 f \n%010zu 00000 n \n", stray);
  b.Raw(entries);
  b.Trailer("/Size 2", xref);
  Read(b.Bytes());
  EXPECT_TRUE(Resolve(1)->IsNull());
  EXPECT_EQ(sinks.warnings, std::vector<std::string>{"PDF xref Add object#99??"});
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"1 0 R not found!"});
}

TEST_F(LoadTest, MissingOrUnreadableObjectsResolveToNull) {
  PdfBuilder b;
  b.Object(1, "(one)");
  size_t xref = b.Size();
  b.Raw("xref\n0 3\n0000000000 65535 f \n0000000009 00000 n \n0000000003 00000 n \n");
  b.Trailer("/Size 3", xref);
  Read(b.Bytes());
  struct Case {
    int number;
    const char* why;
  };
  const Case cases[] = {
      {0, "entry offset 0"}, {2, "no object at the offset"}, {3, "not covered"}, {-1, "negative"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    sinks.Clear();
    EXPECT_TRUE(Resolve(c.number)->IsNull());
    EXPECT_EQ(sinks.errors, std::vector<std::string>{std::to_string(c.number) + " 0 R not found!"});
  }
  EXPECT_EQ(Dump(Resolve(1)), "(one)");
}

}  // namespace
}  // namespace pdf

// Hostile file structures: nesting far beyond any real file, Prev chains that
// loop, cross-reference entries that point outside the file, stream Lengths
// that refer to themselves or to each other. Each opens or fails cleanly, and
// what opens is walked without a fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "pdf/bounds.h"
#include "pdf/document.h"
#include "pdf/xref_table.h"
#include "tests/malformed/malformed_files.h"
#include "tests/malformed/open_check.h"

namespace {

// As many levels as the issue names: far past any recursion the stack affords.
constexpr int kDeepNesting = 100000;

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

std::string NestingMessage() {
  return "Arrays and dictionaries nested deeper than " + std::to_string(pdf::kMaxNesting) +
         " levels";
}

struct NestingCase {
  const char* name;
  std::string (*make)(const std::string&, int);
  const char* opener;
};

void PrintTo(const NestingCase& c, std::ostream* out) {
  *out << c.name;
}

class DeepNesting : public ::testing::TestWithParam<NestingCase> {};

TEST_P(DeepNesting, IsCutAtTheLimitAndTheFileStillOpens) {
  const NestingCase& c = GetParam();
  const OpenOutcome outcome = OpenAndWalk(c.make(c.opener, kDeepNesting));
  EXPECT_TRUE(outcome.opened);
  EXPECT_TRUE(Contains(outcome.messages, NestingMessage()));
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, DeepNesting,
    ::testing::Values(NestingCase{"ArraysInCatalog", NestedObjectPdf, "["},
                      NestingCase{"DictionariesInCatalog", NestedObjectPdf, "<<"},
                      NestingCase{"ArraysInTrailer", NestedTrailerPdf, "["},
                      NestingCase{"DictionariesInTrailer", NestedTrailerPdf, "<<"}),
    [](const ::testing::TestParamInfo<NestingCase>& info) { return std::string(info.param.name); });

TEST(DeepNesting, CatalogKeepsTheLevelsBelowTheLimit) {
  const std::string bytes = NestedObjectPdf("[", kDeepNesting);
  UserMessages quiet;
  ViewerDocument doc;
  ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), kMalformedName));
  pdf::Object* level = doc.GetObject(1, 0);
  int depth = 0;
  while (level->IsArray() && level->Count() == 1) {
    level = level->Item(0);
    ++depth;
  }
  EXPECT_EQ(depth, pdf::kMaxNesting - 1);
}

TEST(PrevLoop, ChainStopsAtTheFirstSectionReadTwice) {
  struct Case {
    bool self_loop;
    int sections;
  };
  for (const Case& c : {Case{false, 2}, Case{true, 1}}) {
    SCOPED_TRACE(c.self_loop);
    const std::string bytes = PrevLoopPdf(c.self_loop);
    const OpenOutcome outcome = OpenAndWalk(bytes);
    EXPECT_TRUE(outcome.opened);
    EXPECT_TRUE(outcome.messages.empty()) << outcome.messages.front();

    UserMessages quiet;
    ViewerDocument doc;
    ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), kMalformedName));
    int sections = 0;
    for (pdf::XRefTable* t = doc.xref; t != nullptr && sections <= 2; t = t->prev) {
      ++sections;
    }
    EXPECT_EQ(sections, c.sections);
  }
}

TEST(XrefPastEnd, EntriesOutsideTheFileResolveToNothing) {
  const std::string bytes = PastEndXrefPdf();
  const OpenOutcome outcome = OpenAndWalk(bytes);
  ASSERT_TRUE(outcome.opened);
  EXPECT_TRUE(Contains(outcome.messages, "1 0 R not found!"));

  UserMessages quiet;
  ViewerDocument doc;
  ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), kMalformedName));
  for (int number : {1, 2, 5}) {
    SCOPED_TRACE(number);
    EXPECT_TRUE(doc.GetObject(number, 0)->IsNull());
  }
  EXPECT_TRUE(doc.GetObject(4, 0)->IsDictionary());  // the one entry that is right
}

TEST(XrefPastEnd, DefaultHooksFailTheOpenCleanly) {
  const std::string bytes = PastEndXrefPdf();
  UserMessages messages;
  pdf::Document doc;
  EXPECT_FALSE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), kMalformedName));
  ASSERT_FALSE(messages.texts.empty());
  EXPECT_EQ(messages.texts.back(), DamagedMessage());
  EXPECT_TRUE(Contains(messages.texts, "No 'Root' entry in Trailer"));
  EXPECT_TRUE(doc.catalog->IsDictionary());  // blank again
}

TEST(XrefPastEnd, OffsetBeyondThirtyTwoBitsRefusesTheSection) {
  const OpenOutcome outcome = OpenAndWalk(HugeOffsetXrefPdf());
  EXPECT_FALSE(outcome.opened);
  EXPECT_TRUE(outcome.failed_cleanly);
  EXPECT_TRUE(Contains(outcome.messages, "Expected integer"));
}

struct LengthCase {
  const char* name;
  std::string bytes;
  int streams;  // content streams in the file, numbered from 5
};

void PrintTo(const LengthCase& c, std::ostream* out) {
  *out << c.name;
}

class LengthReference : public ::testing::TestWithParam<LengthCase> {};

TEST_P(LengthReference, LoadingStopsAndTheStreamsStayDictionaries) {
  const LengthCase& c = GetParam();
  const OpenOutcome outcome = OpenAndWalk(c.bytes);
  ASSERT_TRUE(outcome.opened);
  EXPECT_TRUE(Contains(outcome.messages, "missing or invalid stream length"));

  UserMessages quiet;
  ViewerDocument doc;
  ASSERT_TRUE(doc.OpenMemory(c.bytes.data(), static_cast<int32_t>(c.bytes.size()), kMalformedName));
  for (int number = 5; number < 5 + c.streams; ++number) {
    SCOPED_TRACE(number);
    pdf::Object* object = doc.GetObject(number, 0);
    EXPECT_TRUE(object->IsDictionary());
    EXPECT_FALSE(object->IsStream());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, LengthReference,
    ::testing::Values(LengthCase{"Itself", SelfLengthPdf(), 1},
                      LengthCase{"EachOther", MutualLengthPdf(), 2},
                      LengthCase{"LongCycle", LengthChainPdf(3 * pdf::kMaxNestedLoads),
                                 3 * pdf::kMaxNestedLoads}),
    [](const ::testing::TestParamInfo<LengthCase>& info) { return std::string(info.param.name); });

}  // namespace

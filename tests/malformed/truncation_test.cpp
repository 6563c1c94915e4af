// The rich sample cut at every length: each cut opens (an older revision, when
// the cut leaves its end marker near the end) or fails with the damaged-file
// message, and whatever opens is walked to the end without a fault.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/malformed/malformed_files.h"
#include "tests/malformed/open_check.h"

namespace {

// The lengths are dealt out to this many tests so that ctest can run them side
// by side.
constexpr int kShards = 4;

const std::string& Sample() {
  static const std::string sample = RichSamplePdf();
  return sample;
}

class Truncation : public ::testing::TestWithParam<int> {};

TEST_P(Truncation, EveryLengthOpensOrFailsCleanly) {
  const std::string& sample = Sample();
  std::vector<size_t> unclean;
  int opened = 0;
  for (size_t length = static_cast<size_t>(GetParam()); length <= sample.size();
       length += kShards) {
    const OpenOutcome outcome = OpenAndWalk(sample.substr(0, length));
    if (outcome.opened) {
      ++opened;
    } else if (!outcome.failed_cleanly) {
      unclean.push_back(length);
    }
  }
  EXPECT_TRUE(unclean.empty()) << unclean.size() << " cuts failed without the damaged-file "
                               << "message, the first at length " << unclean.front();
  // Cuts just after the first revision's end marker open that revision.
  EXPECT_GT(opened, 0);
}

INSTANTIATE_TEST_SUITE_P(Shards, Truncation, ::testing::Range(0, kShards));

TEST(Truncation, CutAfterTheFirstRevisionOpensItsInfo) {
  const std::string& sample = Sample();
  const size_t first_end = sample.find("%%EOF\n") + 6;
  ASSERT_LT(first_end, sample.size());
  UserMessages quiet;
  ViewerDocument doc;
  ASSERT_TRUE(doc.OpenMemory(sample.data(), static_cast<int32_t>(first_end), kMalformedName));
  EXPECT_STREQ(doc.info->Get("Title")->Text(), "Malformed");
  ViewerDocument whole;
  ASSERT_TRUE(whole.OpenMemory(sample.data(), static_cast<int32_t>(sample.size()), kMalformedName));
  EXPECT_STREQ(whole.info->Get("Title")->Text(), "Malformed, updated");
}

}  // namespace

// The rich sample with one byte replaced at a time by a few chosen values. Every
// byte of the file's structure is replaced; inside stream data only every
// kStreamStride-th byte, which keeps the suite fast while each decoder still
// meets damage at many places. Each variant opens or fails cleanly and is walked.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/malformed/malformed_files.h"
#include "tests/malformed/open_check.h"
#include "tests/support/sample_images.h"

namespace {

// Prime, so the sampled bytes do not fall on the same place of every row or code.
constexpr size_t kStreamStride = 29;

struct Replacement {
  const char* name;
  char value;
};

void PrintTo(const Replacement& replacement, std::ostream* out) {
  *out << replacement.name;
}

// A byte that starts no token, a digit (offsets, lengths and counts change,
// delimiters become numbers), a literal string's start (which may swallow the
// rest of the file), and the start of a hex string or dictionary.
const Replacement kReplacements[] = {{"Nul", '\0'}, {"Digit", '9'}, {"Paren", '('}, {"Angle", '<'}};

std::vector<size_t> Positions(const std::string& sample) {
  std::vector<size_t> positions;
  size_t at = 0;
  for (const ByteRange& range : StreamDataRanges(sample)) {
    for (; at < range.begin; ++at) {
      positions.push_back(at);
    }
    for (at = range.begin; at < range.end; at += kStreamStride) {
      positions.push_back(at);
    }
    at = range.end;
  }
  for (; at < sample.size(); ++at) {
    positions.push_back(at);
  }
  return positions;
}

class ByteReplacement : public ::testing::TestWithParam<Replacement> {};

TEST_P(ByteReplacement, EveryVariantOpensOrFailsCleanly) {
  const std::string sample = RichSamplePdf();
  const std::vector<size_t> positions = Positions(sample);
  ASSERT_GT(positions.size(), 1000u);
  std::vector<size_t> unclean;
  int opened = 0;
  // Reading every picture's rows would triple the time; the truncations and the
  // fuzz target read them.
  WalkLimits limits;
  limits.show_bitmaps = false;
  std::string variant = sample;
  for (size_t at : positions) {
    if (sample[at] == GetParam().value) {
      continue;
    }
    variant[at] = GetParam().value;
    const OpenOutcome outcome = OpenAndWalk(variant, limits);
    variant[at] = sample[at];
    if (outcome.opened) {
      ++opened;
    } else if (!outcome.failed_cleanly) {
      unclean.push_back(at);
    }
  }
  EXPECT_TRUE(unclean.empty()) << unclean.size() << " variants failed without the "
                               << "damaged-file message, the first at byte " << unclean.front();
  // Most single bytes land in object bodies, which never stop an open.
  EXPECT_GT(opened, static_cast<int>(positions.size() / 2));
}

INSTANTIATE_TEST_SUITE_P(Values, ByteReplacement, ::testing::ValuesIn(kReplacements),
                         [](const ::testing::TestParamInfo<Replacement>& info) {
                           return std::string(info.param.name);
                         });

TEST(ByteReplacement, StreamDataRangesCoverEveryStream) {
  const std::string sample = RichSamplePdf();
  const std::vector<ByteRange> ranges = StreamDataRanges(sample);
  // Two content streams, the images and the indexed image's lookup stream.
  ASSERT_EQ(ranges.size(), 2 + MakeSampleImages().size() + 1);
  for (const ByteRange& range : ranges) {
    EXPECT_EQ(sample.compare(range.begin - 7, 7, "stream\n"), 0);
    EXPECT_EQ(sample.compare(range.end, 10, "\nendstream"), 0);
  }
}

}  // namespace

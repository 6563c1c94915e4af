// Modern mode on the hostile-file suite's inputs: the modern sample and the
// classic rich sample cut at many lengths, and the hostile structures, each
// opening (by repair where it must) or failing with the damaged-file message,
// and whatever opens walked to the end without a fault.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "describe/open_mode.h"
#include "describe/viewer_document.h"
#include "tests/malformed/malformed_files.h"
#include "tests/malformed/open_check.h"
#include "tests/modern/object_json.h"

namespace {

constexpr int kShards = 4;
// Every this many bytes: the cuts of a file this size at every length would
// cost minutes under the sanitizers, and neighbouring cuts take the same paths.
constexpr size_t kStride = 41;

OpenOutcome OpenModernAndWalk(const std::string& bytes) {
  OpenOutcome outcome;
  UserMessages messages;
  {
    ViewerDocument doc;
    WalkLimits limits;
    limits.max_items = 1000;
    limits.max_images = 4;
    outcome.opened = doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()),
                                    kMalformedName, OpenOptionsFor(pdf::Mode::kModern));
    if (outcome.opened) {
      // Modern mode never shows a message box for what it reads or repairs;
      // what the walk's pictures report is another matter.
      outcome.messages = messages.texts;
      outcome.counts = WalkDocument(doc, limits);
    } else {
      static const std::string damaged = DamagedMessage();
      outcome.failed_cleanly = !messages.texts.empty() && messages.texts.back() == damaged;
    }
  }
  if (!outcome.opened) {
    outcome.messages = std::move(messages.texts);
  }
  return outcome;
}

const std::string& ModernSample() {
  static const std::string bytes = ReadFileBytes(SAMPLE_MODERN_PDF);
  return bytes;
}

const std::string& RichSamplePdfOnce() {
  static const std::string bytes = RichSamplePdf();
  return bytes;
}

class ModernTruncation : public ::testing::TestWithParam<int> {};

TEST_P(ModernTruncation, EveryCutOpensOrFailsCleanly) {
  for (const std::string* file : {&ModernSample(), &RichSamplePdfOnce()}) {
    std::vector<size_t> unclean;
    int opened = 0;
    for (size_t length = static_cast<size_t>(GetParam()) * kStride / kShards + 1;
         length <= file->size(); length += kStride) {
      const OpenOutcome outcome = OpenModernAndWalk(file->substr(0, length));
      if (outcome.opened) {
        ++opened;
        if (!outcome.messages.empty()) {
          unclean.push_back(length);
        }
      } else if (!outcome.failed_cleanly) {
        unclean.push_back(length);
      }
    }
    ASSERT_TRUE(unclean.empty()) << unclean.size() << " cuts misbehaved, the first at length "
                                 << unclean.front();
    // Most cuts keep the catalog: repair opens them.
    EXPECT_GT(opened, static_cast<int>(file->size() / kStride / 2));
  }
}

INSTANTIATE_TEST_SUITE_P(Shards, ModernTruncation, ::testing::Range(0, kShards));

TEST(ModernHostileStructures, OpenOrFailCleanly) {
  const std::string files[] = {
      NestedObjectPdf("[", 100000),
      NestedTrailerPdf("<<", 100000),
      PrevLoopPdf(true),
      PrevLoopPdf(false),
      SelfLengthPdf(),
      MutualLengthPdf(),
      LengthChainPdf(1000),
      PastEndXrefPdf(),
      HugeOffsetXrefPdf(),
  };
  for (const std::string& file : files) {
    SCOPED_TRACE(file.substr(0, 200));
    const OpenOutcome outcome = OpenModernAndWalk(file);
    EXPECT_TRUE(outcome.opened || outcome.failed_cleanly);
  }
}

}  // namespace

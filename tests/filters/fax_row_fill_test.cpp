#include "filters/fax_row_fill.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

constexpr uint8_t kSentinel = 0x5A;

// Bit by bit: the plain reading of the runs, for comparison.
std::vector<uint8_t> FillSlowly(int width, const std::vector<uint32_t>& runs, size_t bytes) {
  std::vector<uint8_t> row(bytes, kSentinel);
  int x = 0;
  for (size_t i = 0; i < runs.size(); ++i) {
    for (uint32_t n = 0; n < runs[i] && x < width; ++n, ++x) {
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
      row[x / 8] = (i & 1) ? (row[x / 8] | bit) : (row[x / 8] & ~bit);
    }
  }
  for (; x < width; ++x)
    row[x / 8] &= static_cast<uint8_t>(~(0x80 >> (x % 8)));
  return row;
}

std::vector<uint8_t> Fill(int width, const std::vector<uint32_t>& runs, size_t bytes) {
  std::vector<uint8_t> row(bytes, kSentinel);
  std::vector<uint64_t> words(FaxFillWords(width), 0x5A5A5A5A5A5A5A5A);
  FaxFillRow(row.data(), width, runs.data(), static_cast<int>(runs.size()), words.data());
  return row;
}

TEST(FaxFillRow, WritesExactlyTheWidth) {
  struct Case {
    const char* name;
    int width;
    std::vector<uint32_t> runs;
    std::vector<uint8_t> expect;  // row of 4 bytes, sentinel 0x5A before
  } cases[] = {
      {"Width9AllBlack", 9, {0, 9}, {0xFF, 0xDA, 0x5A, 0x5A}},
      {"InsideOneByte", 16, {3, 5, 8}, {0x1F, 0x00, 0x5A, 0x5A}},
      {"RunPastWidthIsCut", 8, {2, 100}, {0x3F, 0x5A, 0x5A, 0x5A}},
      {"WhiteTailKeepsLowBits", 12, {4, 4, 100}, {0x0F, 0x0A, 0x5A, 0x5A}},
      {"LineShorterThanWidthIsWhite", 16, {2}, {0x00, 0x00, 0x5A, 0x5A}},
      {"EmptyRunsBetween", 16, {1, 0, 0, 2, 13}, {0x60, 0x00, 0x5A, 0x5A}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Fill(c.width, c.runs, 4), c.expect);
    EXPECT_EQ(FillSlowly(c.width, c.runs, 4), c.expect);  // the comparison itself
  }
}

// Random widths and runs, long black runs included (whole words and bytes).
TEST(FaxFillRow, AgreesWithBitByBitFilling) {
  std::mt19937 rng(3);
  for (int round = 0; round < 3000; ++round) {
    const int width = 1 + static_cast<int>(rng() % 700);
    std::vector<uint32_t> runs;
    int sum = 0;
    while (sum < width + 20) {
      const uint32_t run = rng() % 4 == 0 ? rng() % 300 : rng() % 12;
      runs.push_back(run);
      sum += static_cast<int>(run);
    }
    const size_t bytes = (width + 7) / 8 + 3;
    ASSERT_EQ(Fill(width, runs, bytes), FillSlowly(width, runs, bytes)) << round;
  }
}

}  // namespace

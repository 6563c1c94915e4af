#include "filters/fax_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/sink_capture.h"
#include "tests/support/synthetic_data.h"
#include "tests/support/tiff_oracle.h"

namespace {

// Every pixel byte starts as this, so bytes and bits the decoder must not write
// can be told from those it wrote.
constexpr uint8_t kSentinel = 0x5A;

// A 1-bit bitmap (or another depth) locked for the test's lifetime.
class Picture {
 public:
  Picture(int width, int height, int depth = 1)
      : handle_(BmiCreateDib(depth, width, height, depth == 1 ? kDibBilevel : kDibGray)) {
    bmi_ = static_cast<BITMAPINFOHEADER*>(DibLock(handle_));
    std::fill_n(BmiBits(bmi_), static_cast<size_t>(BmiRowBytes(bmi_)) * height, kSentinel);
  }
  ~Picture() {
    DibUnlock(handle_);
    DibFree(handle_);
  }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  BITMAPINFOHEADER* bmi() { return bmi_; }
  int width() const { return bmi_->biWidth; }
  int height() const { return BmiHeightAbs(bmi_); }
  const uint8_t* Row(int r) { return BmiRowPtr(bmi_, r); }
  std::vector<uint8_t> RowBytes(int r) {
    return std::vector<uint8_t>(Row(r), Row(r) + BmiRowBytes(bmi_));
  }

  // Row r as a string of '0' (white) and '1' (black), `width` pixels.
  std::string Bits(int r) {
    std::string s;
    for (int x = 0; x < width(); ++x)
      s += (Row(r)[x / 8] >> (7 - x % 8)) & 1 ? '1' : '0';
    return s;
  }

  // True when every bit past the width in row r, and every padding byte, still
  // holds the sentinel.
  bool RestUntouched(int r) {
    const uint8_t* row = Row(r);
    const int w = width();
    if (w % 8 != 0) {
      const uint8_t keep = static_cast<uint8_t>(0xFF >> (w % 8));
      if ((row[w / 8] & keep) != (kSentinel & keep))
        return false;
    }
    for (int i = (w + 7) / 8; i < BmiRowBytes(bmi_); ++i) {
      if (row[i] != kSentinel)
        return false;
    }
    return true;
  }

 private:
  HDIB handle_;
  BITMAPINFOHEADER* bmi_;
};

// Decodes from an exactly sized heap copy, so that reading past the data shows
// under the address sanitizer.
void Decode(const std::vector<uint8_t>& data, Picture& picture, int k) {
  std::vector<uint8_t> copy(data);
  EXPECT_TRUE(CcittDecode(copy.empty() ? nullptr : copy.data(), static_cast<int>(copy.size()),
                          picture.bmi(), k));
}

// Code words written as text, MSB first; spaces are ignored. The last byte is
// padded with zero bits.
std::vector<uint8_t> Bits(std::initializer_list<std::string_view> parts) {
  std::vector<uint8_t> out;
  int n = 0;
  for (std::string_view part : parts) {
    for (char c : part) {
      if (c == ' ')
        continue;
      if (n % 8 == 0)
        out.push_back(0);
      if (c == '1')
        out.back() |= static_cast<uint8_t>(0x80 >> (n % 8));
      ++n;
    }
  }
  return out;
}

std::vector<uint8_t> Repeat(std::string_view part, int times) {
  std::string s;
  for (int i = 0; i < times; ++i)
    s += part;
  return Bits({s});
}

std::string Pixels(std::initializer_list<std::pair<char, int>> runs) {
  std::string s;
  for (auto [c, n] : runs)
    s += std::string(n, c);
  return s;
}

// A few code words from ITU-T T.4, written out by hand for these streams.
constexpr std::string_view kEol = "000000000001";
constexpr std::string_view kW0 = "00110101", kW1 = "000111", kW2 = "0111", kW4 = "1011",
                           kW5 = "1100", kW8 = "10011", kW9 = "10100", kW10 = "00111",
                           kW16 = "101010", kW2560 = "000000011111";
constexpr std::string_view kB0 = "0000110111", kB1 = "010", kB2 = "11", kB4 = "011", kB6 = "0010",
                           kB10 = "0000100", kB16 = "0000010111", kB25 = "00000011000";
constexpr std::string_view kPass = "0001", kHoriz = "001", kV0 = "1", kVL3 = "0000010",
                           kExt = "0000001", kModeEol = "0000000";
// No code word starts with eight zeros and a 1.
constexpr std::string_view kNoWhiteCode = "000000001000";

bool ErrorsOnlyBadCodeWords(const std::vector<std::string>& errors) {
  return std::all_of(errors.begin(), errors.end(), [](const std::string& e) {
    return e.rfind("Bad code word (x ", 0) == 0 ||
           e.rfind("Uncompressed data (not supported) (x ", 0) == 0;
  });
}

// ---- Against libtiff's encoder -------------------------------------------------

struct OracleCase {
  std::string name;
  Bilevel image;
};

std::vector<OracleCase> OracleImages() {
  std::vector<OracleCase> cases;
  for (int width : {1, 7, 9, 31, 32, 33, 100, 1728, 1729}) {
    const std::string w = std::to_string(width);
    cases.push_back({"Noise" + w, MakeNoise(width, 24, 0.5, width)});
    cases.push_back({"Sparse" + w, MakeNoise(width, 24, 0.03, width + 1)});
    cases.push_back({"Text" + w, MakeTextPage(width, 60, width + 2)});
    cases.push_back({"White" + w, MakeBlankPage(width, 5, false)});
    cases.push_back({"Black" + w, MakeBlankPage(width, 5, true)});
    // Alternating pixels: one run per pixel, the most runs a line can have.
    Bilevel stripes = MakeBlankPage(width, 6, false);
    for (int y = 0; y < stripes.height; ++y) {
      for (int x = 0; x < width; ++x)
        stripes.Set(x, y, (x + y) % 2 == 0);
    }
    cases.push_back({"Checker" + w, stripes});
  }
  return cases;
}

struct Coding {
  const char* name;
  FaxCoding coding;
  int k;
};
constexpr Coding kCodings[] = {
    {"G31D", FaxCoding::kG3OneD, 0},
    {"G32D", FaxCoding::kG3TwoD, 1},
    {"G4", FaxCoding::kG4, -1},
};

TEST(FaxDecoder, MatchesLibtiffBitForBit) {
  for (const OracleCase& c : OracleImages()) {
    for (const Coding& coding : kCodings) {
      SCOPED_TRACE(c.name + " " + coding.name);
      const std::vector<uint8_t> raw =
          TiffRawStrip(TiffWriteFax(c.image.rows, c.image.width, c.image.height, coding.coding));
      ASSERT_FALSE(raw.empty());
      SinkCapture sinks;
      Picture picture(c.image.width, c.image.height);
      Decode(raw, picture, coding.k);
      EXPECT_TRUE(sinks.all.empty()) << sinks.all.front();
      for (int y = 0; y < c.image.height; ++y) {
        std::string want;
        for (int x = 0; x < c.image.width; ++x)
          want += c.image.Get(x, y) ? '1' : '0';
        ASSERT_EQ(picture.Bits(y), want) << "row " << y;
        ASSERT_TRUE(picture.RestUntouched(y)) << "row " << y;
      }
    }
  }
}

// The sign of K selects the coding; its size does not matter.
TEST(FaxDecoder, OnlyTheSignOfKMatters) {
  const Bilevel page = MakeTextPage(200, 40, 9);
  const struct {
    FaxCoding coding;
    int k1, k2;
  } cases[] = {{FaxCoding::kG4, -1, -5}, {FaxCoding::kG3TwoD, 1, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.k2);
    const std::vector<uint8_t> raw =
        TiffRawStrip(TiffWriteFax(page.rows, page.width, page.height, c.coding));
    Picture a(page.width, page.height), b(page.width, page.height);
    Decode(raw, a, c.k1);
    Decode(raw, b, c.k2);
    for (int y = 0; y < page.height; ++y)
      ASSERT_EQ(a.RowBytes(y), b.RowBytes(y)) << y;
    bool any_black = false;
    for (int y = 0; y < page.height; ++y)
      any_black |= a.Bits(y).find('1') != std::string::npos;
    EXPECT_TRUE(any_black);
  }
}

// ---- Hand-made streams -------------------------------------------------------------

struct StreamCase {
  const char* name;
  int width;
  int k;
  std::vector<uint8_t> data;
  std::vector<std::string> rows;  // expected pixels; "" = row left as it was
  std::vector<std::string> errors;
  std::vector<std::string> traces;
};

void PrintTo(const StreamCase& c, std::ostream* os) {
  *os << c.name;
}

class FaxStreams : public SinkTest, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(FaxStreams, DecodeAsExpected) {
  const StreamCase& c = GetParam();
  Picture picture(c.width, static_cast<int>(c.rows.size()));
  const std::vector<uint8_t> untouched = picture.RowBytes(0);
  Decode(c.data, picture, c.k);
  for (size_t y = 0; y < c.rows.size(); ++y) {
    SCOPED_TRACE(y);
    if (c.rows[y].empty()) {
      EXPECT_EQ(picture.RowBytes(static_cast<int>(y)), untouched);
    } else {
      EXPECT_EQ(picture.Bits(static_cast<int>(y)), c.rows[y]);
      EXPECT_TRUE(picture.RestUntouched(static_cast<int>(y)));
    }
  }
  EXPECT_EQ(sinks.errors, c.errors);
  EXPECT_EQ(sinks.traces, c.traces);
}

std::vector<StreamCase> StreamCases() {
  const std::string white16(16, '0');
  const std::string row_4w4b8w = Pixels({{'0', 4}, {'1', 4}, {'0', 8}});
  const std::string many_make_ups = std::string(kEol) + [] {
    std::string s;
    for (int i = 0; i < 1000; ++i)
      s += kW2560;
    return s;
  }() + std::string(kW0);
  return {
      // Nine pixels: the first byte and the top bit of the second are written.
      {"Width9", 9, 0, Bits({kEol, kW0, "000100" /* B9 */}), {"111111111"}, {}, {}},
      {"G31DTwoLines",
       16,
       0,
       Bits({kEol, kW4, kB4, kW8, kEol, kW16}),
       {row_4w4b8w, white16},
       {},
       {}},
      // An end-of-line code 10 pixels early: padded white, and the next line
      // follows it without another end-of-line code.
      {"G31DEarlyEol",
       30,
       0,
       Bits({kEol, kW10, kB10, kEol, kW5, kB25}),
       {Pixels({{'0', 10}, {'1', 10}, {'0', 10}}), Pixels({{'0', 5}, {'1', 25}})},
       {},
       {"Premature EOL (got 20, expected 30)"}},
      // Lines without end-of-line codes: the search for one runs to the end of
      // the data, row 0 is padded white and decoding stops.
      {"G3WithoutEol",
       9,
       0,
       Bits({kW9, kW9, kW9}),
       {std::string(9, '0'), "", ""},
       {},
       {"Premature EOL (got 0, expected 9)"}},
      {"G31DBadCodeWord",
       8,
       0,
       Bits({kEol, kNoWhiteCode, kEol, kW2, kB6}),
       {std::string(8, '0'), "00111111"},
       {"Bad code word (x 0)"},
       {"Premature EOL (got 0, expected 8)"}},
      {"G31DLineTooLong",
       8,
       0,
       Bits({kEol, kW4, kB10}),
       {std::string(8, '0')},
       {},
       {"Line length mismatch (got 14, expected 8)"}},
      // The data ends (on a byte boundary) inside row 0; Group 3 stops there.
      {"G31DDataEnds",
       20,
       0,
       Bits({kEol, kW4, kB4, kW8}),
       {Pixels({{'0', 4}, {'1', 4}, {'0', 12}}), "", ""},
       {},
       {"Premature EOF (x 16)", "Premature EOL (got 16, expected 20)"}},
      // The data ends inside the padding bits of the last byte, which read as an
      // end-of-line code; the search before row 1 finds no more data.
      {"G31DDataEndsInPadding",
       16,
       0,
       Bits({kEol, kW4, kB4}),
       {row_4w4b8w, white16, ""},
       {},
       {"Premature EOL (got 8, expected 16)", "Premature EOL (got 0, expected 16)"}},
      // Make-up codes far past the width cannot overflow anything.
      {"G31DEndlessMakeUp",
       16,
       0,
       Bits({many_make_ups}),
       {white16},
       {},
       {"Line length mismatch (got 2576, expected 16)"}},
      // A horizontal code where the current colour is black reads black first.
      {"G4HorizontalFromBlack",
       16,
       -1,
       Bits({kHoriz, kW4, kB4, kVL3, kHoriz, kB2, kW1}),
       {"0000111100000110"},
       {},
       {}},
      // Group 4 goes on after the end of the data and fills every row white.
      {"G4DataEnds",
       16,
       -1,
       Bits({kHoriz, kW4, kB2, kVL3}),
       {"0000110000000000", white16, white16},
       {},
       {"Premature EOF (x 13)", "Premature EOL (got 13, expected 16)", "Premature EOF (x 0)",
        "Premature EOL (got 0, expected 16)", "Premature EOF (x 0)",
        "Premature EOL (got 0, expected 16)"}},
      // The end-of-block mark ends the image; what follows it is not read.
      {"G4EndOfBlock",
       16,
       -1,
       Bits({kHoriz, kW4, kB4, kV0, kEol, kEol, kHoriz, kW0, kB16}),
       {row_4w4b8w, white16, white16},
       {},
       {"Premature EOF (x 0)", "Premature EOL (got 0, expected 16)"}},
      {"G4Uncompressed",
       16,
       -1,
       Bits({kHoriz, kW4, kB4, kV0, kExt, "111", kV0}),
       {row_4w4b8w, white16, white16},
       {"Uncompressed data (not supported) (x 0)"},
       {}},
      // Row 1 against the reference W1 B1 W14: V0 ends the white run at 1, then
      // VL3 would end the black run at -1, before it starts.
      {"G4RunEndsBeforeItStarts",
       16,
       -1,
       Bits({kHoriz, kW1, kB1, kV0, kV0, kVL3}),
       {"0100000000000000", white16},
       {"Bad code word (x 1)"},
       {"Premature EOL (got 1, expected 16)"}},
      // Pass mode: row 1 passes the black run of row 0 and stays white.
      {"G4Pass", 16, -1, Bits({kHoriz, kW4, kB4, kV0, kPass, kV0}), {row_4w4b8w, white16}, {}, {}},
      // Zero runs that never advance: the line stops at its run limit.
      {"G4TooManyRuns",
       16,
       -1,
       Repeat(std::string(kHoriz) + std::string(kW0) + std::string(kB0), 100),
       {white16},
       {"Bad code word (x 0)"},
       {"Premature EOL (got 0, expected 16)"}},
      {"G32DEolInsideLine",
       16,
       1,
       Bits({kEol, "0", kHoriz, kW4, kB4, kModeEol, "0000", "1", "1", kW0, kB16}),
       {row_4w4b8w, std::string(16, '1')},
       {},
       {}},
      {"G32DEolWithBadBits",
       16,
       1,
       Bits({kEol, "0", kHoriz, kW4, kB4, kModeEol, "0100"}),
       {row_4w4b8w, white16},
       {"Bad code word (x 8)"},
       {"Premature EOL (got 0, expected 16)"}},
      {"G32DTagBits",
       16,
       4,
       Bits({kEol, "1", kW4, kB4, kW8, kEol, "0", kV0, kV0, kV0}),
       {row_4w4b8w, row_4w4b8w},
       {},
       {}},
  };
}

INSTANTIATE_TEST_SUITE_P(Cases, FaxStreams, ::testing::ValuesIn(StreamCases()),
                         [](const ::testing::TestParamInfo<StreamCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(SinkTest, FaxUncompressedMessagesShareTheCap) {
  // Group 4, every line opening in uncompressed mode: one message per line.
  std::string stream;
  for (int i = 0; i < 8; ++i)
    stream += std::string(kExt);
  Picture picture(8, 8);
  Decode(Bits({stream}), picture, -1);
  EXPECT_EQ(sinks.errors, std::vector<std::string>(kMaxBadCodeMessages,
                                                   "Uncompressed data (not supported) (x 0)"));
  EXPECT_EQ(std::count(sinks.traces.begin(), sinks.traces.end(),
                       "Uncompressed data (not supported) (x 0)"),
            8 - kMaxBadCodeMessages);
}

TEST_F(SinkTest, FaxBadCodeWordsAfterTheFifthGoToTheTraceOnly) {
  std::string stream;
  for (int i = 0; i < 8; ++i)
    stream += std::string(kEol) + std::string(kNoWhiteCode);
  Picture picture(8, 8);
  Decode(Bits({stream}), picture, 0);
  EXPECT_EQ(sinks.errors, std::vector<std::string>(kMaxBadCodeMessages, "Bad code word (x 0)"));
  EXPECT_EQ(std::count(sinks.traces.begin(), sinks.traces.end(), "Bad code word (x 0)"),
            8 - kMaxBadCodeMessages);
  for (int y = 0; y < 8; ++y)
    EXPECT_EQ(picture.Bits(y), std::string(8, '0'));
}

TEST_F(SinkTest, FaxBitmapOfDepth8IsLeftAsCreated) {
  const Bilevel page = MakeTextPage(64, 8, 3);
  const std::vector<uint8_t> raw =
      TiffRawStrip(TiffWriteFax(page.rows, page.width, page.height, FaxCoding::kG4));
  Picture picture(64, 8, /*depth=*/8);
  const std::vector<uint8_t> before = picture.RowBytes(3);
  Decode(raw, picture, -1);
  EXPECT_EQ(sinks.errors,
            std::vector<std::string>{"Bits/sample must be 1 for Group 3/4 encoding/decoding"});
  for (int y = 0; y < 8; ++y)
    EXPECT_EQ(picture.RowBytes(y), before);
}

TEST_F(SinkTest, FaxLineWiderThanTheLimitIsRefused) {
  Picture picture(kMaxFaxLineWidth + 1, 1);
  const std::vector<uint8_t> before = picture.RowBytes(0);
  Decode(Bits({kV0}), picture, -1);
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"Out of memory"});
  EXPECT_EQ(picture.RowBytes(0), before);
}

// ---- Damaged data never reads or writes out of bounds ------------------------------

// Decodes `data` and checks what must hold whatever the data: nothing written
// past a row's width, only the decoder's own messages, at most the allowed
// number of "Bad code word" messages in the error sink.
void ExpectSoundDecode(const std::vector<uint8_t>& data, int width, int height, int k) {
  SinkCapture sinks;
  Picture picture(width, height);
  Decode(data, picture, k);
  for (int y = 0; y < height; ++y)
    ASSERT_TRUE(picture.RestUntouched(y)) << "row " << y;
  ASSERT_TRUE(ErrorsOnlyBadCodeWords(sinks.errors));
  ASSERT_LE(std::count_if(sinks.errors.begin(), sinks.errors.end(),
                          [](const std::string& e) { return e.rfind("Bad", 0) == 0; }),
            kMaxBadCodeMessages);
}

TEST(FaxDecoder, TruncatedStreamsStayInBounds) {
  const Bilevel page = MakeTextPage(300, 40, 21);
  for (const Coding& coding : kCodings) {
    SCOPED_TRACE(coding.name);
    const std::vector<uint8_t> raw =
        TiffRawStrip(TiffWriteFax(page.rows, page.width, page.height, coding.coding));
    for (size_t cut = 0; cut < raw.size(); cut += 3) {
      SCOPED_TRACE(cut);
      ExpectSoundDecode(std::vector<uint8_t>(raw.begin(), raw.begin() + cut), page.width,
                        page.height, coding.k);
    }
  }
}

TEST(FaxDecoder, RandomDataStaysInBounds) {
  std::mt19937 rng(17);
  for (int round = 0; round < 600; ++round) {
    SCOPED_TRACE(round);
    std::vector<uint8_t> data(rng() % 400);
    // Mostly zero bits now and then, so that end-of-line codes turn up too.
    const bool sparse = rng() % 2;
    for (uint8_t& b : data)
      b = static_cast<uint8_t>(sparse ? rng() & rng() & rng() : rng());
    const int width = 1 + static_cast<int>(rng() % 80);
    const int k = static_cast<int>(rng() % 3) - 1;
    ExpectSoundDecode(data, width, 1 + static_cast<int>(rng() % 20), k);
  }
}

}  // namespace

// CcittStage, modern mode's CCITTFaxDecode: every DecodeParms entry checked
// against libtiff's fax encoders and decoder (a TIFF strip is the CCITT data,
// TIFFReadScanline gives the pixels), hand-made streams for what libtiff cannot
// write (uncompressed mode, damaged rows), and hostile parameters and data.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dib/dib.h"
#include "filters/fax_decoder.h"
#include "filters/filter_chain.h"
#include "filters/filter_stage.h"
#include "tests/filters/image_fixture.h"
#include "tests/support/synthetic_data.h"
#include "tests/support/tiff_oracle.h"

namespace {

constexpr size_t kLimit = size_t{64} << 20;

// Code words written as text, most significant bit first; spaces are ignored.
// The last byte is padded with zero bits.
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

bool BitAt(const std::vector<uint8_t>& bytes, uint64_t i) {
  return (bytes[i / 8] >> (7 - i % 8)) & 1;
}

// Appends bits [from, to) of `src` to `dst`, which holds `*n` bits.
void CopyBits(const std::vector<uint8_t>& src, uint64_t from, uint64_t to,
              std::vector<uint8_t>* dst, uint64_t* n) {
  for (uint64_t i = from; i < to; ++i, ++*n) {
    if (*n % 8 == 0)
      dst->push_back(0);
    if (BitAt(src, i))
      dst->back() |= static_cast<uint8_t>(0x80 >> (*n % 8));
  }
}

// Zero bits up to the next byte boundary.
void PadToByte(uint64_t* n) {
  *n = (*n + 7) / 8 * 8;
}

std::vector<uint8_t> Inverted(std::vector<uint8_t> bytes) {
  for (uint8_t& b : bytes)
    b = static_cast<uint8_t>(~b);
  return bytes;
}

// Row `y` of packed output as '0' and '1' characters, `width` of them.
std::string RowText(const std::vector<uint8_t>& out, int width, int y) {
  const size_t stride = (static_cast<size_t>(width) + 7) / 8;
  std::string s;
  for (int x = 0; x < width; ++x)
    s += (out[y * stride + x / 8] >> (7 - x % 8)) & 1 ? '1' : '0';
  return s;
}

std::vector<uint8_t> RowsOf(const std::vector<uint8_t>& rows, int width, int first, int count) {
  const size_t stride = (static_cast<size_t>(width) + 7) / 8;
  return std::vector<uint8_t>(rows.begin() + first * stride,
                              rows.begin() + (first + count) * stride);
}

// A few code words of ITU-T T.4 and T.6, written out by hand.
constexpr std::string_view kEol = "000000000001";
constexpr std::string_view kW1 = "000111", kW2 = "0111", kW4 = "1011", kW5 = "1100", kW8 = "10011",
                           kW14 = "110100";
constexpr std::string_view kB1 = "010", kB3 = "10", kB4 = "011", kB6 = "0010";
constexpr std::string_view kHoriz = "001", kV0 = "1";
// Eight zeros and a 1 start no code word of either colour.
constexpr std::string_view kNoCode = "000000001000";

struct Decoded {
  StageResult result;
  std::vector<uint8_t> out;
};

class CcittStageTest : public ImageTest {
 protected:
  // Decodes from an exactly sized heap copy, so that reading past the data
  // shows under the address sanitizer.
  Decoded Run(const std::vector<uint8_t>& data, pdf::Object* parms, size_t limit = kLimit) {
    std::vector<uint8_t> copy(data);
    Decoded d;
    d.out = {0x12, 0x34};  // replaced, whatever the outcome
    d.result = CcittStage(std::span<const uint8_t>(copy.data(), copy.size()), parms, limit, &d.out);
    return d;
  }
  pdf::Object* True() { return Boolean(true); }
};

// ---- Against libtiff -------------------------------------------------------------

struct Picture {
  std::string name;
  Bilevel image;
};

std::vector<Picture> Pictures() {
  Bilevel checker = MakeBlankPage(33, 6, false);
  for (int y = 0; y < checker.height; ++y) {
    for (int x = 0; x < checker.width; ++x)
      checker.Set(x, y, (x + y) % 2 == 0);
  }
  return {
      {"Text203", MakeTextPage(203, 61, 17)},        // width not a multiple of 8
      {"Noise13", MakeNoise(13, 9, 0.4, 3)},         // one byte and five bits a row
      {"Text1728", MakeTextPage(1728, 40, 5)},       // the default Columns
      {"Checker33", checker},                        // a run per pixel
      {"Black40", MakeBlankPage(40, 3, true)},       // rows that begin black
      {"White2480", MakeBlankPage(2480, 4, false)},  // runs past the 1728 make-up codes
  };
}

struct OracleCase {
  const char* name;
  FaxTiffOptions tiff;
  int k;
  bool byte_align;   // EncodedByteAlign true
  bool end_of_line;  // EndOfLine true
  bool rows_given;   // Rows is the height; otherwise left out
};

// "fill": T.4 fill bits (each EOL code ends at a byte boundary); "align":
// EncodedByteAlign; "EOL": EndOfLine; "MH": Modified Huffman, TIFF's CCITT RLE
// (Group 3 one-dimensional codes, no EOL codes, every row at a byte boundary).
const OracleCase kOracleCases[] = {
    {"G4", {FaxCoding::kG4, false, false}, -1, false, false, true},
    {"G4 no Rows", {FaxCoding::kG4, false, false}, -1, false, false, false},
    {"G4 min-is-black", {FaxCoding::kG4, false, true}, -1, false, false, true},
    {"G3 1-D", {FaxCoding::kG3OneD, false, false}, 0, false, false, true},
    {"G3 1-D EOL, no Rows", {FaxCoding::kG3OneD, false, false}, 0, false, true, false},
    {"G3 1-D min-is-black", {FaxCoding::kG3OneD, false, true}, 0, false, false, false},
    {"G3 2-D", {FaxCoding::kG3TwoD, false, false}, 1, false, false, true},
    {"G3 2-D K 4 EOL, no Rows", {FaxCoding::kG3TwoD, false, false}, 4, false, true, false},
    {"G3 1-D fill, align, EOL", {FaxCoding::kG3OneD, true, false}, 0, true, true, true},
    // The EOL code before the first line says that EOL codes frame the lines.
    {"G3 1-D fill, align, no Rows", {FaxCoding::kG3OneD, true, false}, 0, true, false, false},
    {"G3 2-D fill, align", {FaxCoding::kG3TwoD, true, true}, 2, true, false, false},
    {"MH, align", {FaxCoding::kModifiedHuffman, false, false}, 0, true, false, true},
    {"MH, align, no Rows", {FaxCoding::kModifiedHuffman, false, true}, 0, true, false, false},
};

TEST_F(CcittStageTest, MatchesLibtiff) {
  for (const Picture& picture : Pictures()) {
    const Bilevel& image = picture.image;
    for (const OracleCase& c : kOracleCases) {
      SCOPED_TRACE(picture.name + ", " + c.name);
      const std::vector<uint8_t> file =
          TiffWriteFaxWith(image.rows, image.width, image.height, c.tiff);
      const std::vector<uint8_t> raw = TiffRawStrip(file);
      const std::vector<uint8_t> lines = TiffReadScanlines(file);
      ASSERT_FALSE(raw.empty());
      ASSERT_EQ(lines, image.rows);  // libtiff reads back what it wrote
      // A min-is-black TIFF's 1 bits are white, as BlackIs1 true says of a
      // PDF's (tiff2pdf writes it so); min-is-white ones are black, and
      // BlackIs1 false turns them into the 0 of black.
      const std::vector<uint8_t> expect = c.tiff.min_is_black ? lines : Inverted(lines);
      for (const bool swapped : {false, true}) {
        SCOPED_TRACE(swapped ? "BlackIs1 the other way" : "BlackIs1 as the photometry says");
        pdf::Object* parms = Dict({{"K", Number(c.k)},
                                   {"Columns", Number(image.width)},
                                   {"BlackIs1", Boolean(c.tiff.min_is_black != swapped)}});
        if (c.rows_given)
          parms->Set("Rows", Number(image.height));
        if (c.byte_align)
          parms->Set("EncodedByteAlign", True());
        if (c.end_of_line)
          parms->Set("EndOfLine", True());
        const Decoded d = Run(raw, parms);
        EXPECT_EQ(d.result.outcome, StageOutcome::kComplete) << d.result.message;
        EXPECT_EQ(d.result.message, "");
        // Whole bytes: the bits past the width are white as well.
        ASSERT_EQ(d.out, swapped ? Inverted(expect) : expect);
      }
      EXPECT_TRUE(sinks.all.empty()) << sinks.all.front();
    }
  }
}

// Without DecodeParms: K 0, 1728 columns, as many rows as there are, 0 black.
TEST_F(CcittStageTest, DefaultsAreGroup3OneDimensional1728) {
  const Bilevel page = MakeTextPage(1728, 30, 9);
  const std::vector<uint8_t> file = TiffWriteFax(page.rows, 1728, 30, FaxCoding::kG3OneD);
  for (pdf::Object* parms :
       {static_cast<pdf::Object*>(nullptr), doc_.null_object, Dict({}), Number(3)}) {
    const Decoded d = Run(TiffRawStrip(file), parms);
    EXPECT_EQ(d.result.outcome, StageOutcome::kComplete) << d.result.message;
    EXPECT_EQ(d.out, Inverted(TiffReadScanlines(file)));
  }
}

// Rows given: exactly that many rows, those the data do not hold white; Rows
// absent or 0: the rows the data hold.
TEST_F(CcittStageTest, RowsGivenOrAbsent) {
  const Bilevel page = MakeTextPage(203, 40, 4);
  const size_t stride = page.stride();
  for (const FaxCoding coding : {FaxCoding::kG4, FaxCoding::kG3OneD, FaxCoding::kG3TwoD}) {
    SCOPED_TRACE(static_cast<int>(coding));
    const std::vector<uint8_t> file = TiffWriteFax(page.rows, page.width, page.height, coding);
    const std::vector<uint8_t> raw = TiffRawStrip(file);
    const int k = coding == FaxCoding::kG4 ? -1 : coding == FaxCoding::kG3OneD ? 0 : 1;
    auto parms = [&](int rows) {
      pdf::Object* p = Dict({{"K", Number(k)}, {"Columns", Number(203)}, {"BlackIs1", True()}});
      if (rows >= 0)
        p->Set("Rows", Number(rows));
      return p;
    };
    for (const int rows : {-1, 0, 40}) {
      const Decoded d = Run(raw, parms(rows));
      EXPECT_EQ(d.result.outcome, StageOutcome::kComplete) << rows;
      EXPECT_EQ(d.out, page.rows) << rows;
    }
    const Decoded fewer = Run(raw, parms(25));
    EXPECT_EQ(fewer.result.outcome, StageOutcome::kComplete);
    EXPECT_EQ(fewer.out, RowsOf(page.rows, 203, 0, 25));

    const Decoded more = Run(raw, parms(43));
    EXPECT_EQ(more.result.outcome, StageOutcome::kTruncated);
    EXPECT_EQ(more.result.message, "the data hold 40 of the 43 rows; the rest are white");
    ASSERT_EQ(more.out.size(), 43 * stride);
    EXPECT_EQ(RowsOf(more.out, 203, 0, 40), page.rows);
    EXPECT_EQ(RowsOf(more.out, 203, 40, 3), std::vector<uint8_t>(3 * stride, 0));
  }
}

// libtiff writes Group 4 rows back to back; the same codes with each row moved
// to the next byte boundary are Group 4 with EncodedByteAlign. The row ends come
// from the decoder (BitsLeft), and the rows decoded from the moved codes are
// checked against libtiff's.
TEST_F(CcittStageTest, G4RowsAtByteBoundaries) {
  const Bilevel page = MakeTextPage(203, 50, 12);
  const std::vector<uint8_t> file = TiffWriteFax(page.rows, 203, 50, FaxCoding::kG4);
  const std::vector<uint8_t> raw = TiffRawStrip(file);
  const std::vector<uint8_t> lines = TiffReadScanlines(file);

  FaxDecodeOptions options;
  options.k = -1;
  options.report = false;
  CcittDecoder decoder(raw.data(), static_cast<int>(raw.size()), options);
  ASSERT_TRUE(decoder.Start(203));
  std::vector<uint64_t> ends;
  std::vector<uint8_t> row(page.stride());
  for (int y = 0; y < 50; ++y) {
    ASSERT_EQ(decoder.NextRow(row.data()).end, FaxRowEnd::kRow);
    ends.push_back(raw.size() * 8 - decoder.BitsLeft());
  }
  int unaligned = 0;
  for (const uint64_t end : ends)
    unaligned += end % 8 != 0;
  ASSERT_GT(unaligned, 25);  // most rows end inside a byte

  const std::vector<uint8_t> eofb = Bits({kEol, kEol});
  for (const bool eofb_aligned : {true, false}) {
    SCOPED_TRACE(eofb_aligned ? "EOFB at a boundary" : "EOFB right after the last row");
    std::vector<uint8_t> moved;
    uint64_t n = 0;
    uint64_t from = 0;
    for (size_t y = 0; y < ends.size(); ++y) {
      PadToByte(&n);
      CopyBits(raw, from, ends[y], &moved, &n);
      from = ends[y];
    }
    if (eofb_aligned)
      PadToByte(&n);
    moved.resize((n + 7) / 8);
    CopyBits(eofb, 0, 24, &moved, &n);
    moved.resize((n + 7) / 8);
    const Decoded d = Run(moved, Dict({{"K", Number(-1)},
                                       {"Columns", Number(203)},
                                       {"EncodedByteAlign", True()},
                                       {"BlackIs1", True()}}));
    EXPECT_EQ(d.result.outcome, StageOutcome::kComplete) << d.result.message;
    EXPECT_EQ(d.out, lines);
  }
  // The moved codes read without EncodedByteAlign are not the picture.
  std::vector<uint8_t> moved;
  uint64_t n = 0;
  CopyBits(raw, 0, ends[0], &moved, &n);
  PadToByte(&n);
  CopyBits(raw, ends[0], ends[1], &moved, &n);
  const Decoded d = Run(moved, Dict({{"K", Number(-1)}, {"Columns", Number(203)}}));
  EXPECT_TRUE(d.result.outcome != StageOutcome::kComplete ||
              d.out != Inverted(RowsOf(lines, 203, 0, 2)));
}

// EndOfBlock true (the default) ends at EOFB; false reads on after it. A mark
// before Rows rows leaves the rest white.
TEST_F(CcittStageTest, EndOfBlock) {
  // Row: W4 B4 W8, then V0 for a second identical row; EOFB; then a third
  // row of the same codes.
  const std::vector<uint8_t> data =
      Bits({kHoriz, kW4, kB4, kV0, kV0, kV0, kV0, kEol, kEol, kV0, kV0, kV0});
  const std::string row = "0000111100000000";
  auto parms = [&](bool end_of_block, int rows) {
    pdf::Object* p = Dict({{"K", Number(-1)},
                           {"Columns", Number(16)},
                           {"BlackIs1", True()},
                           {"EndOfBlock", Boolean(end_of_block)}});
    if (rows > 0)
      p->Set("Rows", Number(rows));
    return p;
  };
  Decoded d = Run(data, parms(true, 0));
  EXPECT_EQ(d.result.outcome, StageOutcome::kComplete);
  ASSERT_EQ(d.out.size(), 4u);
  EXPECT_EQ(RowText(d.out, 16, 0), row);
  EXPECT_EQ(RowText(d.out, 16, 1), row);

  d = Run(data, parms(true, 3));
  EXPECT_EQ(d.result.outcome, StageOutcome::kTruncated);
  EXPECT_EQ(d.result.message, "the data hold 2 of the 3 rows; the rest are white");
  ASSERT_EQ(d.out.size(), 6u);
  EXPECT_EQ(RowText(d.out, 16, 2), std::string(16, '0'));

  // EndOfBlock false: the EOL codes are skipped and the row after them read.
  d = Run(data, parms(false, 3));
  EXPECT_EQ(d.result.outcome, StageOutcome::kComplete) << d.result.message;
  ASSERT_EQ(d.out.size(), 6u);
  EXPECT_EQ(RowText(d.out, 16, 2), row);

  // RTC (six EOL codes) ends Group 3 data; with K > 0 each carries a tag bit.
  const std::vector<uint8_t> g3 =
      Bits({kEol, kW4, kB4, kW8, kEol, kEol, kEol, kEol, kEol, kEol, kEol, kW4, kB4, kW8});
  d = Run(g3, Dict({{"Columns", Number(16)}, {"BlackIs1", True()}}));
  EXPECT_EQ(d.result.outcome, StageOutcome::kComplete);
  EXPECT_EQ(d.out.size(), 2u);
  std::string rtc_2d;
  for (int i = 0; i < 6; ++i)
    rtc_2d += std::string(kEol) + "1";
  const std::vector<uint8_t> g32d =
      Bits({kEol, "1", kW4, kB4, kW8, kEol, "0", kV0, kV0, kV0, rtc_2d, kEol, "0", kV0, kV0, kV0});
  d = Run(g32d, Dict({{"K", Number(2)}, {"Columns", Number(16)}, {"BlackIs1", True()}}));
  EXPECT_EQ(d.result.outcome, StageOutcome::kComplete);
  ASSERT_EQ(d.out.size(), 4u);
  EXPECT_EQ(RowText(d.out, 16, 1), row);
  d = Run(g32d, Dict({{"K", Number(2)},
                      {"Columns", Number(16)},
                      {"BlackIs1", True()},
                      {"EndOfBlock", Boolean(false)}}));
  EXPECT_EQ(d.result.outcome, StageOutcome::kComplete);
  ASSERT_EQ(d.out.size(), 6u);
  EXPECT_EQ(RowText(d.out, 16, 2), row);
}

// ---- Uncompressed mode (T.4 table 5, T.6 section 2.2.6) ---------------------------
//
// Entrance: 0000001 111 in a two-dimensional line (the extension code with the
// value 111), 000000001111 where a one-dimensional line's run code would come.
// Inside, each code is n zeros and a 1:
//   n = 0 to 4   n white pixels, then one black pixel   (1, 01, 001, 0001, 00001)
//   n = 5        five white pixels                      (000001)
//   n = 6 to 10  exit after n - 6 white pixels; the next bit T is the colour
//                of the next run, 0 white, 1 black      (0000001T .. 00000000001T)

// Group 4, 16 pixels a row.
//   row 0: 0000001 111   uncompressed mode
//          01            white, black          pixels 0-1
//          1             black                 pixel 2
//          000001        five white            pixels 3-7
//          0001          three white, black    pixels 8-11
//          00000001 0    exit after one white (pixel 12), the next run white
//          1             V0: the white run ends where the reference line (all
//                        white) changes, at 16: pixels 13-15
//   row 1: 0000001 111   uncompressed mode
//          00001         four white, black     pixels 0-4
//          0000001 1     exit after no white, the next run black
//          001 10 10011  horizontal: black 3 (pixels 5-7, after the black pixel
//                        4 of the same run), white 8 (pixels 8-15)
//   EOFB
const std::vector<uint8_t>& UncompressedG4() {
  static const std::vector<uint8_t> data = Bits({
      "0000001 111", "01", "1", "000001", "0001", "00000001 0", kV0,  // row 0
      "0000001 111", "00001", "0000001 1", kHoriz, kB3, kW8,          // row 1
      kEol, kEol,                                                     // EOFB
  });
  return data;
}

TEST_F(CcittStageTest, UncompressedModeInGroup4) {
  const Decoded d = Run(UncompressedG4(),
                        Dict({{"K", Number(-1)}, {"Columns", Number(16)}, {"BlackIs1", True()}}));
  EXPECT_EQ(d.result.outcome, StageOutcome::kComplete) << d.result.message;
  ASSERT_EQ(d.out.size(), 4u);
  EXPECT_EQ(RowText(d.out, 16, 0), "0110000000010000");
  EXPECT_EQ(RowText(d.out, 16, 1), "0000111100000000");
  EXPECT_TRUE(sinks.all.empty());
}

// Group 3 one-dimensional, 12 pixels:
//   EOL
//   000000001111   uncompressed mode where the first white run code would be
//   001            two white, black        pixels 0-2
//   1              black                   pixel 3
//   0000001 1      exit after no white, the next run black
//   10             black run 3             pixels 4-6 (the run goes on from pixel 2)
//   1100           white run 5             pixels 7-11
TEST_F(CcittStageTest, UncompressedModeInGroup3OneDimensional) {
  const std::vector<uint8_t> data = Bits({kEol, "000000001111", "001", "1", "0000001 1", kB3, kW5});
  const Decoded d = Run(data, Dict({{"Columns", Number(12)}, {"BlackIs1", True()}}));
  EXPECT_EQ(d.result.outcome, StageOutcome::kComplete) << d.result.message;
  ASSERT_EQ(d.out.size(), 2u);
  EXPECT_EQ(RowText(d.out, 12, 0), "001111100000");
}

TEST_F(CcittStageTest, UncompressedModeDamaged) {
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    StageOutcome outcome;
    std::string message;
  };
  const Case cases[] = {
      // Eleven zeros inside uncompressed mode are no code.
      {"no exit code", Bits({"0000001 111", "01", "00000000000 1"}), StageOutcome::kUnreadable,
       "row 0 is damaged (a bad code word at x 2): 1 damaged rows, more than "
       "DamagedRowsBeforeError 0; 0 rows decoded"},
      // An extension code with a value other than 111.
      {"other extension", Bits({"0000001 110", "1"}), StageOutcome::kUnreadable,
       "row 0 is damaged (a bad code word at x 0): 1 damaged rows, more than "
       "DamagedRowsBeforeError 0; 0 rows decoded"},
      // The data end before the exit code.
      {"data end", Bits({"0000001 111", "1", "1"}), StageOutcome::kTruncated,
       "the data end inside row 0"},
      // Uncompressed pixels past the width.
      {"too long", Bits({"0000001 111", "00001", "00001", "00001", "00001", "0000001 0"}),
       StageOutcome::kUnreadable,
       "row 0 is damaged (the codes give 20 pixels, not 16): 1 damaged rows, more than "
       "DamagedRowsBeforeError 0; 0 rows decoded"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Decoded d = Run(c.data, Dict({{"K", Number(-1)}, {"Columns", Number(16)}}));
    EXPECT_EQ(d.result.outcome, c.outcome);
    EXPECT_EQ(d.result.message, c.message);
  }
  EXPECT_TRUE(sinks.all.empty());
}

// Classic mode keeps its message and white rest of the line.
TEST_F(CcittStageTest, ClassicModeStillReportsUncompressedData) {
  HDIB handle = BmiCreateDib(1, 16, 1, kDibBilevel);
  auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(handle));
  std::fill_n(BmiRowPtr(bmi, 0), BmiRowBytes(bmi), uint8_t{0xFF});
  const std::vector<uint8_t>& data = UncompressedG4();
  EXPECT_TRUE(CcittDecode(data.data(), static_cast<int>(data.size()), bmi, -1));
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"Uncompressed data (not supported) (x 0)"});
  EXPECT_EQ(BmiRowPtr(bmi, 0)[0], 0);
  EXPECT_EQ(BmiRowPtr(bmi, 0)[1], 0);
  DibUnlock(handle);
  DibFree(handle);
}

// ---- Damaged rows -----------------------------------------------------------------
//
// The rule: a row is damaged when a bit pattern is no code word or its codes
// give another number of pixels than Columns. Up to DamagedRowsBeforeError
// of them are replaced by the row before when that one was good, by white
// otherwise, and decoding goes on (after the next EOL code where EOL codes frame
// the lines); the next damaged row stops decoding with the rows before it.

// Bit positions just past each EOL code of Group 3 data (T.4 makes sure no
// run of codes holds eleven zeros).
std::vector<uint64_t> LineStarts(const std::vector<uint8_t>& data) {
  std::vector<uint64_t> starts;
  int zeros = 0;
  for (uint64_t i = 0; i < data.size() * 8; ++i) {
    if (BitAt(data, i)) {
      if (zeros >= 11)
        starts.push_back(i + 1);
      zeros = 0;
    } else {
      ++zeros;
    }
  }
  return starts;
}

TEST_F(CcittStageTest, DamagedRowInLibtiffData) {
  const Bilevel page = MakeTextPage(203, 30, 8);
  const std::vector<uint8_t> file = TiffWriteFax(page.rows, 203, 30, FaxCoding::kG3OneD);
  std::vector<uint8_t> raw = TiffRawStrip(file);
  const std::vector<uint8_t> lines = TiffReadScanlines(file);
  const std::vector<uint64_t> starts = LineStarts(raw);
  ASSERT_EQ(starts.size(), 30u);
  ASSERT_NE(RowsOf(lines, 203, 14, 1), RowsOf(lines, 203, 15, 1));
  // Row 15 begins with eight zeros and a 1, where its first white run code was.
  for (uint64_t i = starts[15]; i < starts[15] + 9; ++i) {
    const uint8_t bit = static_cast<uint8_t>(0x80 >> (i % 8));
    raw[i / 8] = static_cast<uint8_t>(i == starts[15] + 8 ? raw[i / 8] | bit : raw[i / 8] & ~bit);
  }
  const size_t stride = page.stride();
  for (const bool end_of_line : {true, false}) {
    SCOPED_TRACE(end_of_line ? "EndOfLine true" : "EndOfLine absent (EOL codes found)");
    auto parms = [&](int damaged_rows, bool rows) {
      pdf::Object* p = Dict({{"Columns", Number(203)},
                             {"BlackIs1", True()},
                             {"DamagedRowsBeforeError", Number(damaged_rows)}});
      if (end_of_line)
        p->Set("EndOfLine", True());
      if (rows)
        p->Set("Rows", Number(30));
      return p;
    };
    // Tolerated: row 15 repeats row 14, every other row is libtiff's.
    for (const bool rows : {false, true}) {
      const Decoded d = Run(raw, parms(1, rows));
      EXPECT_EQ(d.result.outcome, StageOutcome::kDamaged);
      EXPECT_EQ(d.result.message,
                "1 damaged rows replaced by the row before or white (the first: row 15, a bad "
                "code word at x 0)");
      ASSERT_EQ(d.out.size(), 30 * stride);
      EXPECT_EQ(RowsOf(d.out, 203, 0, 15), RowsOf(lines, 203, 0, 15));
      EXPECT_EQ(RowsOf(d.out, 203, 15, 1), RowsOf(lines, 203, 14, 1));
      EXPECT_EQ(RowsOf(d.out, 203, 16, 14), RowsOf(lines, 203, 16, 14));
    }
    // Not tolerated (the default 0): the 15 rows before it.
    for (const bool rows : {false, true}) {
      const Decoded d = Run(raw, parms(0, rows));
      EXPECT_EQ(d.result.outcome, StageOutcome::kDamaged);
      EXPECT_EQ(d.result.message,
                "row 15 is damaged (a bad code word at x 0): 1 damaged rows, more than "
                "DamagedRowsBeforeError 0; 15 rows decoded");
      EXPECT_EQ(d.out, RowsOf(lines, 203, 0, 15));
    }
  }
  EXPECT_TRUE(sinks.all.empty());
}

// Group 3 one-dimensional, 16 pixels, every line after an EOL code.
TEST_F(CcittStageTest, DamagedRowsBeforeError) {
  const std::string r0 = "0000111100000000", r1 = "0011111100000000", r3 = "0000000011110000",
                    r4 = "0100000000000000";
  const std::string line0 =
      std::string(kEol) + std::string(kW4) + std::string(kB4) + std::string(kW8);
  const std::string line1 =
      std::string(kEol) + std::string(kW2) + std::string(kB6) + std::string(kW8);
  const std::string bad = std::string(kEol) + std::string(kW4) + std::string(kNoCode);
  const std::string line3 =
      std::string(kEol) + std::string(kW8) + std::string(kB4) + std::string(kW4);
  const std::string line4 =
      std::string(kEol) + std::string(kW1) + std::string(kB1) + std::string(kW14);
  // A row that ends early at the next EOL code is damaged too.
  const std::string short_line = std::string(kEol) + std::string(kW4) + std::string(kB4);
  const std::string white(16, '0');
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    int damaged_rows;
    StageOutcome outcome;
    std::string message;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"none tolerated",
       {line0, line1, bad, line3, line4},
       0,
       StageOutcome::kDamaged,
       "row 2 is damaged (a bad code word at x 4): 1 damaged rows, more than "
       "DamagedRowsBeforeError 0; 2 rows decoded",
       {r0, r1}},
      {"one tolerated",
       {line0, line1, bad, line3, line4},
       1,
       StageOutcome::kDamaged,
       "1 damaged rows replaced by the row before or white (the first: row 2, a bad code word "
       "at x 4)",
       {r0, r1, r1, r3, r4}},
      {"two in a row: the second white",
       {line0, line1, bad, short_line, line4},
       2,
       StageOutcome::kDamaged,
       "2 damaged rows replaced by the row before or white (the first: row 2, a bad code word "
       "at x 4)",
       {r0, r1, r1, white, r4}},
      {"the third stops",
       {line0, bad, line3, short_line, bad, line4},
       2,
       StageOutcome::kDamaged,
       "row 4 is damaged (a bad code word at x 4): 3 damaged rows, more than "
       "DamagedRowsBeforeError 2; 4 rows decoded; 2 damaged rows replaced by the row before or "
       "white (the first: row 1, a bad code word at x 4)",
       {r0, r0, r3, r3}},
      {"the first row: white",
       {bad, line1},
       1,
       StageOutcome::kDamaged,
       "1 damaged rows replaced by the row before or white (the first: row 0, a bad code word "
       "at x 4)",
       {white, r1}},
      {"the first row, none tolerated",
       {bad, line1},
       0,
       StageOutcome::kUnreadable,
       "row 0 is damaged (a bad code word at x 4): 1 damaged rows, more than "
       "DamagedRowsBeforeError 0; 0 rows decoded",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string all;
    for (const std::string& line : c.lines)
      all += line;
    const Decoded d = Run(Bits({all}), Dict({{"Columns", Number(16)},
                                             {"BlackIs1", True()},
                                             {"EndOfLine", True()},
                                             {"DamagedRowsBeforeError", Number(c.damaged_rows)}}));
    EXPECT_EQ(d.result.outcome, c.outcome);
    EXPECT_EQ(d.result.message, c.message);
    ASSERT_EQ(d.out.size(), c.rows.size() * 2);
    for (size_t y = 0; y < c.rows.size(); ++y)
      EXPECT_EQ(RowText(d.out, 16, static_cast<int>(y)), c.rows[y]) << y;
  }
}

// Group 4 has no EOL codes to find the next row by: decoding goes on where the
// damage stopped it, and a damaged row that read nothing ends it.
TEST_F(CcittStageTest, DamagedGroup4RowEndsTheData) {
  const std::vector<uint8_t> data =
      Bits({kHoriz, kW4, kB4, kV0, "0000001 000", kV0, kV0, kV0, kV0});
  const Decoded d = Run(data, Dict({{"K", Number(-1)},
                                    {"Columns", Number(16)},
                                    {"BlackIs1", True()},
                                    {"DamagedRowsBeforeError", Number(1000000)}}));
  EXPECT_EQ(d.result.outcome, StageOutcome::kDamaged);
  EXPECT_EQ(d.result.message,
            "row 1 is damaged (a bad code word at x 0) and nothing after it decodes; 2 rows "
            "decoded; 1 damaged rows replaced by the row before or white (the first: row 1, a "
            "bad code word at x 0)");
  ASSERT_EQ(d.out.size(), 4u);
  EXPECT_EQ(RowText(d.out, 16, 0), "0000111100000000");
  EXPECT_EQ(RowText(d.out, 16, 1), "0000111100000000");
}

// ---- Hostile parameters and data --------------------------------------------------

TEST_F(CcittStageTest, BadParameters) {
  struct Case {
    const char* name;
    pdf::Object* parms;
    std::string message;
  };
  const Case cases[] = {
      {"Columns 0", Dict({{"Columns", Number(0)}}), "Columns 0 is not within 1 to 1048576"},
      {"Columns -5", Dict({{"Columns", Number(-5)}}), "Columns -5 is not within 1 to 1048576"},
      {"Columns past the widest line", Dict({{"Columns", Number(kMaxFaxLineWidth + 1)}}),
       "Columns 1048577 is not within 1 to 1048576"},
      {"Columns 1e12", Dict({{"Columns", Number(1e12)}}),
       "Columns 2147483647 is not within 1 to 1048576"},
      {"Columns a name", Dict({{"Columns", Name("Wide")}}), "Columns is not a number (Wide)"},
      {"Rows -1", Dict({{"Rows", Number(-1)}}), "Rows -1 is negative"},
      {"K a string", Dict({{"K", String("x")}}), "K is not a number (x)"},
      {"BlackIs1 a number", Dict({{"BlackIs1", Number(1)}}), "BlackIs1 is not true or false (1)"},
      {"DamagedRowsBeforeError -2", Dict({{"DamagedRowsBeforeError", Number(-2)}}),
       "DamagedRowsBeforeError -2 is negative"},
  };
  const std::vector<uint8_t> data = Bits({kEol, kW4, kB4, kW8});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Decoded d = Run(data, c.parms);
    EXPECT_EQ(d.result.outcome, StageOutcome::kBadParameters);
    EXPECT_EQ(d.result.message, c.message);
    EXPECT_TRUE(d.out.empty());
  }
}

TEST_F(CcittStageTest, RowsPastTheLimit) {
  Decoded d = Run(Bits({kV0}), Dict({{"K", Number(-1)}, {"Rows", Number(1e9)}}));
  EXPECT_EQ(d.result.outcome, StageOutcome::kOverLimit);
  EXPECT_EQ(d.result.message, "Rows 1000000000 of 216 bytes are more than 67108864 bytes");
  EXPECT_TRUE(d.out.empty());
  d = Run(Bits({kV0}), Dict({{"K", Number(-1)},
                             {"Columns", Number(kMaxFaxLineWidth)},
                             {"Rows", Number(2147483647)}}));
  EXPECT_EQ(d.result.outcome, StageOutcome::kOverLimit);
  EXPECT_EQ(d.result.message, "Rows 2147483647 of 131072 bytes are more than 67108864 bytes");
  EXPECT_TRUE(d.out.empty());

  // Rows absent: one V0 code (one bit) is a white row of Group 4, so 4096
  // bytes of 1 bits are 32768 rows; the limit stops them.
  const std::vector<uint8_t> ones(4096, 0xFF);
  d = Run(ones, Dict({{"K", Number(-1)}, {"Columns", Number(8)}}), 1000);
  EXPECT_EQ(d.result.outcome, StageOutcome::kOverLimit);
  EXPECT_EQ(d.result.message, "the rows decode to more than 1000 bytes (1000 rows of 1 bytes)");
  EXPECT_EQ(d.out.size(), 1000u);
  d = Run(ones, Dict({{"K", Number(-1)}, {"Columns", Number(8)}}), 32768);
  EXPECT_EQ(d.result.outcome, StageOutcome::kComplete);
  EXPECT_EQ(d.out, std::vector<uint8_t>(32768, 0xFF));  // white, 1 with BlackIs1 false
  // A limit below one row.
  d = Run(Bits({kV0}), Dict({{"K", Number(-1)}, {"Columns", Number(64)}}), 7);
  EXPECT_EQ(d.result.outcome, StageOutcome::kOverLimit);
  EXPECT_TRUE(d.out.empty());
}

TEST_F(CcittStageTest, DataThatHoldNoRows) {
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    pdf::Object* parms;
    std::string message;
  };
  std::string eols;
  for (int i = 0; i < 2000; ++i)
    eols += kEol;
  const Case cases[] = {
      {"zero length", {}, nullptr, "the data hold no rows"},
      {"zero length, Rows given", {}, Dict({{"Rows", Number(10)}}), "the data hold no rows"},
      {"zero bits only", std::vector<uint8_t>(100000, 0), Dict({{"K", Number(-1)}}),
       "the data hold no rows"},
      {"EOFB only", Bits({kEol, kEol}), Dict({{"K", Number(-1)}, {"Rows", Number(4)}}),
       "the data end (end-of-block mark) before the first row"},
      {"EOL codes only, EndOfBlock false", Bits({eols}), Dict({{"EndOfBlock", Boolean(false)}}),
       "the data hold no rows"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Decoded d = Run(c.data, c.parms);
    EXPECT_EQ(d.result.outcome, StageOutcome::kUnreadable);
    EXPECT_EQ(d.result.message, c.message);
    EXPECT_TRUE(d.out.empty());
  }
}

TEST_F(CcittStageTest, TruncatedData) {
  const Bilevel page = MakeTextPage(203, 40, 6);
  const std::vector<uint8_t> file = TiffWriteFax(page.rows, 203, 40, FaxCoding::kG4);
  const std::vector<uint8_t> raw = TiffRawStrip(file);
  const std::vector<uint8_t> cut(raw.begin(), raw.begin() + raw.size() / 2);
  const Decoded d = Run(cut, Dict({{"K", Number(-1)},
                                   {"Columns", Number(203)},
                                   {"Rows", Number(40)},
                                   {"BlackIs1", True()}}));
  EXPECT_EQ(d.result.outcome, StageOutcome::kTruncated);
  EXPECT_EQ(d.result.message.rfind("the data end inside row ", 0), 0u) << d.result.message;
  ASSERT_EQ(d.out.size(), 40 * page.stride());
  // The rows before the cut are libtiff's; after it white.
  const int row = std::stoi(d.result.message.substr(24));
  EXPECT_GT(row, 5);
  EXPECT_EQ(RowsOf(d.out, 203, 0, row), RowsOf(page.rows, 203, 0, row));
  EXPECT_EQ(RowsOf(d.out, 203, row + 1, 40 - row - 1),
            std::vector<uint8_t>((40 - row - 1) * page.stride(), 0));
}

// Text is no fax data: its bits read as codes until a row comes out the wrong
// length, and by default the first damaged row ends decoding.
TEST_F(CcittStageTest, TextIsNoFaxData) {
  const std::string text = "This is not fax data, only text.";
  const std::vector<uint8_t> data(text.begin(), text.end());
  Decoded d = Run(data, Dict({{"Columns", Number(64)}}));
  EXPECT_EQ(d.result.outcome, StageOutcome::kUnreadable);
  EXPECT_EQ(d.result.message,
            "row 0 is damaged (the codes give 66 pixels, not 64): 1 damaged rows, more than "
            "DamagedRowsBeforeError 0; 0 rows decoded");
  EXPECT_TRUE(d.out.empty());
  // Tolerating damaged rows, with EOL codes to look for after one: none is
  // found, and the one row is white.
  d = Run(data, Dict({{"Columns", Number(64)},
                      {"EndOfLine", True()},
                      {"DamagedRowsBeforeError", Number(3)}}));
  EXPECT_EQ(d.result.outcome, StageOutcome::kDamaged);
  EXPECT_EQ(d.result.message,
            "1 damaged rows replaced by the row before or white (the first: row 0, the codes "
            "give 66 pixels, not 64)");
  EXPECT_EQ(d.out, std::vector<uint8_t>(8, 0xFF));
  EXPECT_TRUE(sinks.all.empty());
}

TEST_F(CcittStageTest, RandomDataStaysInBounds) {
  std::mt19937 rng(29);
  for (int round = 0; round < 400; ++round) {
    SCOPED_TRACE(round);
    std::vector<uint8_t> data(rng() % 600);
    const bool sparse = rng() % 2;  // mostly zero bits, so EOL codes turn up too
    for (uint8_t& b : data)
      b = static_cast<uint8_t>(sparse ? rng() & rng() & rng() : rng());
    const int columns = 1 + static_cast<int>(rng() % 300);
    const int rows = rng() % 3 == 0 ? 0 : static_cast<int>(rng() % 60);
    const size_t limit = rng() % 2 ? kLimit : 1 + rng() % 4000;
    pdf::Object* parms = Dict({{"K", Number(static_cast<int>(rng() % 5) - 2)},
                               {"Columns", Number(columns)},
                               {"Rows", Number(rows)},
                               {"EncodedByteAlign", Boolean(rng() % 2)},
                               {"EndOfLine", Boolean(rng() % 2)},
                               {"EndOfBlock", Boolean(rng() % 2)},
                               {"BlackIs1", Boolean(rng() % 2)},
                               {"DamagedRowsBeforeError", Number(static_cast<int>(rng() % 4))}});
    const Decoded d = Run(data, parms, limit);
    const size_t stride = (static_cast<size_t>(columns) + 7) / 8;
    ASSERT_LE(d.out.size(), limit);
    ASSERT_EQ(d.out.size() % stride, 0u);
    ASSERT_EQ(d.result.outcome == StageOutcome::kComplete, d.result.message.empty())
        << d.result.message;
    if (rows > 0 && (d.result.outcome == StageOutcome::kComplete ||
                     d.result.outcome == StageOutcome::kTruncated)) {
      ASSERT_EQ(d.out.size(), rows * stride);
    }
  }
  EXPECT_TRUE(sinks.all.empty());
}

// ---- In the filter chain -------------------------------------------------------

TEST_F(CcittStageTest, FilterChainDecodesAndWarns) {
  const Bilevel page = MakeTextPage(100, 20, 2);
  const std::vector<uint8_t> raw = TiffRawStrip(TiffWriteFax(page.rows, 100, 20, FaxCoding::kG4));
  auto stream = [&](const std::vector<uint8_t>& data, pdf::Object* parms) {
    pdf::Dictionary* s = Stream(std::string(data.begin(), data.end()));
    s->Set("Filter", Name("CCITTFaxDecode"));
    s->Set("DecodeParms", parms);
    return s;
  };
  std::vector<uint8_t> out;
  std::string error;
  EXPECT_TRUE(DecodeStreamFully(
      stream(raw, Dict({{"K", Number(-1)}, {"Columns", Number(100)}, {"BlackIs1", True()}})),
      kLimit, &out, &error));
  EXPECT_EQ(error, "");
  EXPECT_EQ(out, page.rows);

  // Truncated data only warn.
  const std::vector<uint8_t> cut(raw.begin(), raw.begin() + raw.size() / 2);
  EXPECT_TRUE(DecodeStreamFully(
      stream(cut, Dict({{"K", Number(-1)}, {"Columns", Number(100)}, {"Rows", Number(20)}})),
      kLimit, &out, &error));
  EXPECT_EQ(error.rfind("CCITTFaxDecode: the data ", 0), 0u) << error;
  EXPECT_NE(error.find(" of the 20 rows; the rest are white"), std::string::npos) << error;
  EXPECT_EQ(out.size(), 20u * page.stride());

  // Parameters it cannot use, and rows past the limit, fail.
  EXPECT_FALSE(
      DecodeStreamFully(stream(raw, Dict({{"Columns", Number(0)}})), kLimit, &out, &error));
  EXPECT_EQ(error, "CCITTFaxDecode: Columns 0 is not within 1 to 1048576");
  EXPECT_FALSE(DecodeStreamFully(
      stream(raw, Dict({{"K", Number(-1)}, {"Columns", Number(100)}, {"Rows", Number(20)}})), 100,
      &out, &error));
  EXPECT_EQ(error, "CCITTFaxDecode: Rows 20 of 13 bytes are more than 100 bytes");
}

}  // namespace

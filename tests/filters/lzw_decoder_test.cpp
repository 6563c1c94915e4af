#include "filters/lzw_decoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/lzw_encoder.h"
#include "tests/support/sink_capture.h"
#include "tests/support/synthetic_data.h"
#include "tests/support/tiff_oracle.h"

namespace {

constexpr const char* kInvalid = "LZWDecode: Invalid LZW stream";
constexpr const char* kWrongLength = "LZWDecode: Wrong length of decoded string.";
constexpr const char* kLoop = "LZWDecode: Bogus encoding, loop in the code table.";

struct Decoded {
  int result = 0;
  std::vector<uint8_t> bytes;  // the first `result` bytes of the output
};

// Decodes from an exactly sized heap copy so that a read past the input shows
// under the address sanitizer.
Decoded Decode(const std::vector<uint8_t>& data, int capacity = 1 << 20) {
  std::vector<uint8_t> input(data);
  std::vector<uint8_t> out(static_cast<size_t>(capacity));
  LzwDecoder decoder;
  Decoded d;
  d.result = decoder.Decode(input.data(), static_cast<int>(input.size()), out.data(), capacity);
  if (d.result > 0)
    d.bytes.assign(out.begin(), out.begin() + d.result);
  return d;
}

std::vector<uint8_t> Bytes(const std::string& s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}

// The decoding steps exactly as the format describes them, walking the prefix
// links of every string. The decoder under test copies strings from earlier
// output instead; both must agree byte for byte and message for message.
int ReferenceDecode(const std::vector<uint8_t>& data, uint8_t* out, int capacity) {
  struct E {
    int prefix;
    int length;
    uint8_t last, first;
  };
  std::vector<E> t(4096, E{-1, 0, 0, 0});
  for (int i = 0; i < 256; ++i)
    t[i] = E{-1, 1, uint8_t(i), uint8_t(i)};
  size_t bit = 0;
  auto read = [&](int width, int* code) {
    if (bit + width > data.size() * 8)
      return false;
    *code = 0;
    for (int k = 0; k < width; ++k, ++bit)
      *code = (*code << 1) | ((data[bit / 8] >> (7 - bit % 8)) & 1);
    return true;
  };
  int next = 258, width = 9, prev = -1, o = 0;
  for (;;) {
    int code;
    if (o == capacity || !read(width, &code) || code == 257)
      return o;
    if (code == 256) {
      next = 258, width = 9, prev = -1;
      continue;
    }
    if (code > next) {
      ErrorMessage("%s", kInvalid);
      return 0;
    }
    if (prev >= 0 && next < 4096) {
      const E e{prev, (t[prev].length + 1) & 0xFFFF, code < next ? t[code].first : t[prev].first,
                t[prev].first};
      t[next++] = e;
      width = next >= 2047 ? 12 : next >= 1023 ? 11 : next >= 511 ? 10 : 9;
    }
    if (code < 256) {
      out[o++] = uint8_t(code);
    } else {
      const int len = t[code].length;
      if (len == 0) {
        ErrorMessage("%s", kWrongLength);
        return 0;
      }
      int p = code, i = len;
      for (; i > 0 && p >= 0; --i, p = t[p].prefix) {
        if (o + i - 1 < capacity)
          out[o + i - 1] = t[p].last;
      }
      if (i != 0 || p >= 0) {
        ErrorMessage("%s", kLoop);
        return o;
      }
      if (len > capacity - o)
        return capacity;
      o += len;
    }
    prev = code;
  }
}

// ---- Hand-made code sequences ---------------------------------------------------

struct CodeCase {
  const char* name;
  std::vector<int> codes;
  std::string expect;  // decoded bytes
  int result;          // -1: the size of `expect`
  const char* error;   // nullptr: no message
};

void PrintTo(const CodeCase& c, std::ostream* os) {
  *os << c.name;
}

class LzwCodeSequences : public SinkTest, public ::testing::WithParamInterface<CodeCase> {};

TEST_P(LzwCodeSequences, DecodesAsExpected) {
  const CodeCase& c = GetParam();
  LzwCodeWriter writer;
  for (int code : c.codes)
    writer.Put(code);
  const Decoded d = Decode(writer.Bytes());
  const int want = c.result < 0 ? static_cast<int>(c.expect.size()) : c.result;
  EXPECT_EQ(d.result, want);
  EXPECT_EQ(std::string(d.bytes.begin(), d.bytes.end()), c.expect.substr(0, d.bytes.size()));
  if (c.error == nullptr) {
    EXPECT_TRUE(sinks.errors.empty()) << sinks.errors.front();
  } else {
    EXPECT_EQ(sinks.errors, std::vector<std::string>{c.error});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LzwCodeSequences,
    ::testing::Values(
        CodeCase{"TwoBytes", {256, 65, 66, 257}, "AB", -1, nullptr},
        CodeCase{"NoLeadingClear", {65, 66, 257}, "AB", -1, nullptr},
        CodeCase{"EntryUse", {256, 65, 66, 258, 259, 257}, "ABABBA", -1, nullptr},
        CodeCase{"FirstCodeNeverDefined", {256, 258, 257}, "", 0, kWrongLength},
        // 258 is the next free code: the previous string and its own first byte.
        CodeCase{"CodeEqualsNextFree", {256, 65, 258, 257}, "AAA", -1, nullptr},
        CodeCase{"CodeEqualsNextFreeLonger", {256, 65, 66, 258, 260, 257}, "ABABABA", -1, nullptr},
        CodeCase{"CodeTwoAboveNextFree", {256, 65, 66, 261, 257}, "", 0, kInvalid},
        CodeCase{"CodeJustAboveNextFree", {256, 65, 66, 260}, "", 0, kInvalid},
        // After the clear, 258 is defined afresh as "CD".
        CodeCase{
            "ClearInTheMiddle", {256, 65, 66, 258, 256, 67, 68, 258, 257}, "ABABCDCD", -1, nullptr},
        // Right after a clear the old 258 ("AB") is still in the table.
        CodeCase{"StaleEntryAfterClear", {256, 65, 66, 256, 258, 67, 257}, "ABABC", -1, nullptr},
        // ... and the next definition makes 258 its own prefix: its links never end.
        CodeCase{"LoopInTheTable", {256, 65, 66, 256, 258, 65, 258, 257}, "ABABA", 5, kLoop},
        CodeCase{"NoEndCode", {256, 72, 105}, "Hi", -1, nullptr},
        CodeCase{"OnlyEndCode", {257, 65}, "", 0, nullptr}),
    [](const ::testing::TestParamInfo<CodeCase>& info) { return info.param.name; });

TEST(LzwDecoder, EmptyInputOrNoRoomWritesNothing) {
  std::vector<uint8_t> data = LzwCodeWriter().Put({256, 65, 257}).Bytes();
  uint8_t out[4] = {9, 9, 9, 9};
  LzwDecoder decoder;
  EXPECT_EQ(decoder.Decode(data.data(), 0, out, 4), 0);
  EXPECT_EQ(decoder.Decode(nullptr, 5, out, 4), 0);
  EXPECT_EQ(decoder.Decode(data.data(), static_cast<int>(data.size()), out, 0), 0);
  EXPECT_EQ(decoder.Decode(data.data(), static_cast<int>(data.size()), nullptr, 4), 0);
  EXPECT_EQ(out[0], 9);
}

// The 254th code after a reset defines entry 510 and is still 9 bits wide; the
// 255th is read with 10 bits. Likewise at 1022 -> 11 and 2046 -> 12 bits.
TEST_F(SinkTest, LzwCodeWidthGrowsOneCodeEarly) {
  for (int grow_at : {511, 1023, 2047}) {
    SCOPED_TRACE(grow_at);
    LzwCodeWriter writer;
    writer.Put(kLzwClear);
    std::string expect;
    int codes = 0;
    while (writer.next_free() < grow_at) {
      const int byte = 'a' + codes % 7;
      writer.Put(byte);
      expect += static_cast<char>(byte);
      ++codes;
    }
    EXPECT_EQ(codes, grow_at - 257);
    // The next code is the entry defined last but one: (its two bytes).
    const int entry = grow_at - 2;
    EXPECT_EQ(writer.width(), grow_at == 511 ? 10 : grow_at == 1023 ? 11 : 12);
    writer.Put(entry).Put(kLzwEnd);
    const int k = entry - 258;  // entry = bytes k and k+1 of the single-byte codes
    expect += expect.substr(k, 2);
    const Decoded d = Decode(writer.Bytes());
    EXPECT_EQ(std::string(d.bytes.begin(), d.bytes.end()), expect);

    // The same codes with the last one a bit narrower must not decode the same.
    LzwCodeWriter late;
    late.Put(kLzwClear);
    for (int i = 0; i < codes; ++i)
      late.Put('a' + i % 7);
    late.PutWidth(entry, late.width() - 1).PutWidth(kLzwEnd, late.width() - 1);
    EXPECT_NE(Decode(late.Bytes()).bytes, d.bytes);
  }
}

TEST(LzwDecoder, ClearResetsWidthToNineBits) {
  LzwCodeWriter writer;
  writer.Put(kLzwClear);
  std::string expect;
  for (int i = 0; i < 600; ++i) {  // well into 10-bit codes
    writer.Put('A' + i % 3);
    expect += static_cast<char>('A' + i % 3);
  }
  ASSERT_EQ(writer.width(), 10);
  writer.Put(kLzwClear);
  ASSERT_EQ(writer.width(), 9);
  writer.Put({'x', 'y', 258, kLzwEnd});
  expect += "xyxy";
  const Decoded d = Decode(writer.Bytes());
  EXPECT_EQ(std::string(d.bytes.begin(), d.bytes.end()), expect);
}

// ---- Against libtiff's encoder ----------------------------------------------------

struct DataCase {
  const char* name;
  std::vector<uint8_t> data;
};

std::vector<DataCase> OracleData() {
  std::vector<uint8_t> zeros(100000, 0);
  std::vector<uint8_t> random(65536);
  std::mt19937 rng(7);
  for (uint8_t& b : random)
    b = static_cast<uint8_t>(rng());
  std::vector<uint8_t> ramp(70000);
  for (size_t i = 0; i < ramp.size(); ++i)
    ramp[i] = static_cast<uint8_t>((i / 3) ^ (i >> 9));
  return {
      {"OneByte", {42}},
      {"ShortText", Bytes("BT /F1 12 Tf 72 712 Td (Hello, world) Tj ET\n")},
      {"Text64KiB", MakeContentText(65536, 1)},
      {"Text1MiB", MakeContentText(1 << 20, 2)},
      {"Random64KiB", random},  // fills the table quickly: many clear codes
      {"Zeros", zeros},         // long strings, each code the next free one
      {"Ramp", ramp},
  };
}

TEST(LzwDecoder, MatchesLibtiffStrips) {
  for (const DataCase& c : OracleData()) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> raw = TiffRawStrip(TiffWriteLzw(c.data.data(), c.data.size()));
    ASSERT_FALSE(raw.empty());
    SinkCapture sinks;
    const Decoded d = Decode(raw, static_cast<int>(c.data.size()) + 100);
    EXPECT_EQ(d.result, static_cast<int>(c.data.size()));
    EXPECT_TRUE(d.bytes == c.data);
    EXPECT_TRUE(sinks.errors.empty());
  }
}

TEST(LzwDecoder, MatchesOwnEncoderWithFullTableOrExtraClears) {
  const std::vector<uint8_t> text = MakeContentText(300000, 3);
  struct Case {
    const char* name;
    LzwEncodeOptions options;
  } cases[] = {
      {"ClearWhenFull", {}},
      // A full table defines nothing more and the codes stay 12 bits wide.
      {"FullTableWithoutClear", {.clear_when_full = false}},
      {"ClearAfter1000Bytes", {.clear_after = 1000}},
      {"NoLeadingClearNoEnd", {.leading_clear = false, .end_code = false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Decoded d = Decode(LzwEncode(text, c.options), static_cast<int>(text.size()));
    EXPECT_EQ(d.result, static_cast<int>(text.size()));
    EXPECT_TRUE(d.bytes == text);
  }
}

// ---- Room in the output and the end of the input ------------------------------------

TEST(LzwDecoder, StopsAtCapacityWithTheLeadingPartOfAString) {
  // Long strings, so most capacities end inside one.
  std::vector<uint8_t> plain(20000);
  for (size_t i = 0; i < plain.size(); ++i)
    plain[i] = static_cast<uint8_t>("abcab"[i % 5]);
  const std::vector<uint8_t> data = LzwEncode(plain);
  constexpr uint8_t kCanary = 0xA5;
  for (int capacity : {1, 2, 3, 5, 8, 13, 100, 257, 1000, 4095, 19999, 20000}) {
    SCOPED_TRACE(capacity);
    std::vector<uint8_t> out(capacity + 16, kCanary);
    LzwDecoder decoder;
    const int n = decoder.Decode(data.data(), static_cast<int>(data.size()), out.data(), capacity);
    EXPECT_EQ(n, capacity);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + capacity, plain.begin()));
    for (size_t i = capacity; i < out.size(); ++i)
      ASSERT_EQ(out[i], kCanary) << i;
  }
}

TEST(LzwDecoder, InputEndingEarlyGivesTheBytesSoFar) {
  const std::vector<uint8_t> plain = MakeContentText(5000, 4);
  const std::vector<uint8_t> data = LzwEncode(plain);
  size_t last = 0;
  for (size_t cut = 0; cut < data.size(); cut += 7) {
    const Decoded d = Decode(std::vector<uint8_t>(data.begin(), data.begin() + cut), 8000);
    ASSERT_GE(d.bytes.size(), last);
    ASSERT_TRUE(std::equal(d.bytes.begin(), d.bytes.end(), plain.begin())) << cut;
    last = d.bytes.size();
  }
}

// ---- The optimised decoder against the plain algorithm ----------------------------

// Random code sequences (small alphabet, references to defined entries, codes
// equal to the next free one, codes out of range, clears followed by the stale
// entry 258, missing end codes) with random capacities.
TEST(LzwDecoder, AgreesWithThePlainAlgorithmOnRandomCodes) {
  std::mt19937 rng(11);
  int failures_seen = 0;
  for (int round = 0; round < 3000; ++round) {
    LzwCodeWriter writer;
    const int count = 1 + static_cast<int>(rng() % 1500);
    for (int i = 0; i < count; ++i) {
      const int next = writer.next_free();
      const unsigned pick = rng() % 1000;
      int code;
      if (pick < 5) {
        code = kLzwClear;
      } else if (pick < 7) {
        code = next + 1 + static_cast<int>(rng() % 3);  // out of range
      } else if (pick < 100) {
        code = std::min(next, 4095);
      } else if (pick < 500 && next > 258) {
        code = 258 + static_cast<int>(rng() % (std::min(next, 4096) - 258));
      } else {
        code = 'a' + static_cast<int>(rng() % 3);
      }
      if (code > 4095)
        code = 4095;
      writer.Put(code);
      if (code == kLzwClear && rng() % 3 == 0)
        writer.Put(258);
    }
    if (rng() % 2)
      writer.Put(kLzwEnd);
    const std::vector<uint8_t> data = writer.Bytes();
    const int capacity = rng() % 4 == 0 ? 1 + static_cast<int>(rng() % 300) : 1 << 20;

    std::vector<uint8_t> expect(capacity);
    std::vector<std::string> expect_errors;
    int want;
    {
      SinkCapture sinks;
      want = ReferenceDecode(data, expect.data(), capacity);
      expect_errors = sinks.errors;
    }
    SinkCapture sinks;
    const Decoded got = Decode(data, capacity);
    ASSERT_EQ(got.result, want) << "round " << round;
    ASSERT_TRUE(std::equal(got.bytes.begin(), got.bytes.end(), expect.begin())) << round;
    ASSERT_EQ(sinks.errors, expect_errors) << round;
    failures_seen += !expect_errors.empty();
  }
  EXPECT_GT(failures_seen, 100);  // the sequences did reach the failure paths
}

}  // namespace

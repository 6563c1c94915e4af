// JBIG2Decode against the pictures it was written from and against the
// jbig2dec command-line tool decoding the same segments as a standalone file;
// and the hostile streams it must refuse or cut short.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "filters/filter_chain.h"
#include "filters/filter_stage.h"
#include "tests/filters/image_fixture.h"
#include "tests/support/jbig2_writer.h"
#include "tests/support/synthetic_data.h"

namespace {

constexpr size_t kLimit = size_t{16} << 20;

// The filter's output for 1 = black rows: 0 = black, bits past the width white.
std::vector<uint8_t> FilterRows(const std::vector<uint8_t>& rows, int width, int height) {
  const size_t stride = static_cast<size_t>(width + 7) / 8;
  std::vector<uint8_t> out(rows.begin(), rows.begin() + stride * height);
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<uint8_t>(~out[i]);
    if (width % 8 != 0 && i % stride == stride - 1)
      out[i] |= static_cast<uint8_t>(0xFF >> (width % 8));
  }
  return out;
}
std::vector<uint8_t> FilterRows(const Bilevel& picture) {
  return FilterRows(picture.rows, picture.width, picture.height);
}

// Rows from `first_white` down made white, as a page missing its later regions shows.
Bilevel WhiteFrom(Bilevel picture, int first_white) {
  for (int y = first_white; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x)
      picture.Set(x, y, false);
  return picture;
}

Bilevel Checker(int width, int height, int square) {
  Bilevel picture = MakeBlankPage(width, height, false);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      picture.Set(x, y, (x / square + y / square) % 2 == 1);
  return picture;
}

// The page the jbig2dec tool decodes from the standalone file of these
// segments, as the filter's output; empty when it fails.
std::vector<uint8_t> ToolDecode(std::span<const uint8_t> globals, std::span<const uint8_t> page) {
  char dir[] = "/tmp/quorvel-jbig2-XXXXXX";
  if (mkdtemp(dir) == nullptr)
    return {};
  const std::string in = std::string(dir) + "/in.jb2";
  const std::string out = std::string(dir) + "/out.pbm";
  const std::vector<uint8_t> file = Jbig2File(globals, page);
  std::ofstream(in, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  const std::string command =
      std::string(JBIG2DEC_EXE) + " -q -t pbm -o '" + out + "' '" + in + "' >/dev/null 2>&1";
  std::vector<uint8_t> rows;
  if (std::system(command.c_str()) == 0) {
    std::ifstream pbm(out, std::ios::binary);
    std::string magic;
    int width = 0;
    int height = 0;
    pbm >> magic >> width >> height;
    pbm.get();  // the one white space before the rows
    if (magic == "P4" && width > 0 && height > 0) {
      std::vector<uint8_t> raw(static_cast<size_t>(width + 7) / 8 * height);
      pbm.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
      if (pbm)
        rows = FilterRows(raw, width, height);
    }
  }
  std::system(("rm -rf '" + std::string(dir) + "'").c_str());
  return rows;
}

class Jbig2Test : public ImageTest {
 protected:
  struct Result {
    StageResult stage;
    std::vector<uint8_t> out;
  };
  Result Decode(const std::vector<uint8_t>& data, pdf::Object* parms = nullptr,
                size_t limit = kLimit) {
    Result r;
    r.out = {1, 2, 3};  // stale contents the stage must replace
    r.stage = Jbig2Stage(data, parms, limit, &r.out);
    return r;
  }
  pdf::Object* GlobalsParms(const std::vector<uint8_t>& globals) {
    return Dict({{"JBIG2Globals", Stream(AsString(globals))}});
  }
};

TEST_F(Jbig2Test, GenericRegionsDecodeAsWrittenAndAsTheTool) {
  struct Case {
    const char* name;
    Bilevel picture;
    Jbig2Coding coding;
    int stripes;
  };
  const Case cases[] = {
      {"noise, MMR", MakeNoise(200, 150, 0.4, 1), Jbig2Coding::kMmr, 1},
      {"noise, arithmetic", MakeNoise(200, 150, 0.4, 2), Jbig2Coding::kArithmetic, 1},
      {"all black, MMR", MakeBlankPage(64, 40, true), Jbig2Coding::kMmr, 1},
      {"all black, arithmetic", MakeBlankPage(64, 40, true), Jbig2Coding::kArithmetic, 1},
      {"all white, arithmetic", MakeBlankPage(48, 30, false), Jbig2Coding::kArithmetic, 1},
      {"checker, MMR", Checker(97, 61, 3), Jbig2Coding::kMmr, 1},
      {"checker, arithmetic", Checker(97, 61, 1), Jbig2Coding::kArithmetic, 1},
      {"13 wide, MMR", MakeNoise(13, 9, 0.5, 3), Jbig2Coding::kMmr, 1},
      {"13 wide, arithmetic", MakeNoise(13, 9, 0.5, 4), Jbig2Coding::kArithmetic, 1},
      {"one pixel", MakeBlankPage(1, 1, true), Jbig2Coding::kArithmetic, 1},
      {"text page in stripes, MMR", MakeTextPage(333, 120, 5), Jbig2Coding::kMmr, 4},
      {"text page in stripes, arithmetic", MakeTextPage(333, 120, 6), Jbig2Coding::kArithmetic, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> data = Jbig2EmbeddedPage(c.picture, c.coding, c.stripes);
    const Result r = Decode(data);
    EXPECT_EQ(r.stage.outcome, StageOutcome::kComplete) << r.stage.message;
    EXPECT_EQ(r.stage.message, "");
    EXPECT_EQ(r.out, FilterRows(c.picture));
    EXPECT_EQ(r.out, ToolDecode({}, data));
  }
  EXPECT_TRUE(sinks.all.empty());
}

TEST_F(Jbig2Test, GlobalsHoldTheSymbolsOfTheTextRegion) {
  const std::vector<Bilevel> symbols = {MakeNoise(5, 7, 0.5, 11), Checker(8, 7, 1),
                                        MakeBlankPage(6, 7, true), MakeNoise(11, 7, 0.6, 12)};
  const std::vector<Jbig2Glyph> glyphs = {{0, 2, 1},  {1, 8, 1},  {1, 17, 1}, {3, 30, 1},
                                          {2, 1, 10}, {0, 9, 10}, {3, 15, 12}};
  Bilevel expected = MakeBlankPage(50, 22, false);
  for (const Jbig2Glyph& g : glyphs) {
    const Bilevel& symbol = symbols[static_cast<size_t>(g.id)];
    for (int y = 0; y < symbol.height; ++y)
      for (int x = 0; x < symbol.width; ++x)
        if (symbol.Get(x, y))
          expected.Set(g.x + x, g.y + y, true);
  }
  Jbig2Stream globals;
  const uint32_t dictionary = globals.SymbolDictionary(symbols);
  Jbig2Stream page(1);
  page.PageInformation(50, 22);
  page.TextRegion(dictionary, symbols, 50, 22, glyphs);
  page.EndOfPage();

  const std::vector<uint8_t> tool = ToolDecode(globals.bytes(), page.bytes());
  EXPECT_EQ(tool, FilterRows(expected));
  struct Case {
    const char* name;
    bool through_chain;
  };
  for (const Case& c : {Case{"the stage", false}, Case{"the filter chain", true}}) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> out;
    if (c.through_chain) {
      pdf::Dictionary* stream = Stream(AsString(page.bytes()));
      stream->Set("Filter", Name("JBIG2Decode"));
      stream->Set("DecodeParms", GlobalsParms(globals.bytes()));
      std::string error;
      EXPECT_TRUE(DecodeStreamFully(stream, kLimit, &out, &error));
      EXPECT_EQ(error, "");
    } else {
      const Result r = Decode(page.bytes(), GlobalsParms(globals.bytes()));
      EXPECT_EQ(r.stage.outcome, StageOutcome::kComplete) << r.stage.message;
      out = r.out;
    }
    EXPECT_EQ(out, FilterRows(expected));
  }
}

TEST_F(Jbig2Test, JBIG2GlobalsEntries) {
  const Bilevel picture = MakeNoise(40, 20, 0.5, 21);
  const std::vector<uint8_t> data = Jbig2EmbeddedPage(picture, Jbig2Coding::kArithmetic);
  // A symbol dictionary two bytes long: jbig2dec gives up on it.
  Jbig2Stream short_dictionary;
  short_dictionary.Segment(0, 0, std::vector<uint8_t>{0, 0});
  pdf::Dictionary* self_coded = Stream("");
  self_coded->Set("Filter", Array({Name("FlateDecode"), Name("JBIG2Decode")}));
  pdf::Dictionary* bad_flate = Stream("not deflated");
  bad_flate->Set("Filter", Name("FlateDecode"));
  struct Case {
    const char* name;
    pdf::Object* parms;
    StageOutcome outcome;
    const char* message;  // contained in the stage's message
  };
  const Case cases[] = {
      {"no parameters", nullptr, StageOutcome::kComplete, ""},
      {"no JBIG2Globals", Dict({}), StageOutcome::kComplete, ""},
      {"empty globals", GlobalsParms({}), StageOutcome::kComplete, ""},
      {"globals of a symbol dictionary nobody uses", GlobalsParms([] {
         Jbig2Stream s;
         s.SymbolDictionary({MakeBlankPage(3, 3, true), MakeBlankPage(4, 3, false)});
         return s.bytes();
       }()),
       StageOutcome::kComplete, ""},
      {"globals not a stream", Dict({{"JBIG2Globals", Number(5)}}), StageOutcome::kBadParameters,
       "JBIG2Globals is not a stream"},
      {"globals jbig2dec rejects", GlobalsParms(short_dictionary.bytes()),
       StageOutcome::kBadParameters, "JBIG2Globals: segment 0: "},
      {"globals whose dictionary runs on without symbols", GlobalsParms([] {
         Jbig2Stream s;
         s.EmptyHeightClasses(2, 500);
         return s.bytes();
       }()),
       StageOutcome::kBadParameters,
       "JBIG2Globals: segment 0: more height classes than the dictionary has symbols"},
      {"globals JBIG2-coded themselves", Dict({{"JBIG2Globals", self_coded}}),
       StageOutcome::kBadParameters, "JBIG2Decode-encoded themselves"},
      {"globals whose filter fails", Dict({{"JBIG2Globals", bad_flate}}),
       StageOutcome::kBadParameters, "JBIG2Globals: FlateDecode: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Decode(data, c.parms);
    EXPECT_EQ(r.stage.outcome, c.outcome);
    EXPECT_NE(r.stage.message.find(c.message), std::string::npos) << r.stage.message;
    if (c.outcome == StageOutcome::kComplete) {
      EXPECT_EQ(r.stage.message, "");
      EXPECT_EQ(r.out, FilterRows(picture));
    } else {
      EXPECT_TRUE(r.out.empty());
    }
  }
}

// Cut, damaged and oversized streams: what the stage keeps and what it says.
TEST_F(Jbig2Test, HostileStreams) {
  const Bilevel picture = MakeTextPage(160, 80, 31);
  const std::vector<uint8_t> four = Jbig2EmbeddedPage(picture, Jbig2Coding::kArithmetic, 4);
  // The writer is deterministic: the same segments give the same bytes, so a
  // prefix of `four` is a stream cut there. The end of page takes 11 bytes.
  Jbig2Stream page_info;
  page_info.PageInformation(160, 80);
  const size_t after_page_info = page_info.bytes().size();
  const std::vector<uint8_t> without_end(four.begin(), four.end() - 11);
  // Rows [20 i, 20 i + 20) of the picture, as a region of the page.
  const auto add_stripe = [&](Jbig2Stream* s, int i) {
    Bilevel part = MakeBlankPage(160, 20, false);
    std::copy_n(picture.rows.begin() + i * 20 * picture.stride(), 20 * picture.stride(),
                part.rows.begin());
    s->GenericRegion(part, 0, static_cast<uint32_t>(i * 20), Jbig2Coding::kArithmetic);
  };
  std::vector<uint8_t> second_stripe_cut;  // page info, two stripes, part of the third
  {
    Jbig2Stream s;
    s.PageInformation(160, 80);
    add_stripe(&s, 0);
    add_stripe(&s, 1);
    second_stripe_cut = s.bytes();
    second_stripe_cut.insert(second_stripe_cut.end(), four.begin() + second_stripe_cut.size(),
                             four.begin() + second_stripe_cut.size() + 40);
  }
  std::vector<uint8_t> short_region;  // a stripe, a region segment too short, two stripes
  {
    Jbig2Stream s;
    s.PageInformation(160, 80);
    add_stripe(&s, 0);
    s.Segment(38, 1, std::vector<uint8_t>(10, 0));
    add_stripe(&s, 2);
    add_stripe(&s, 3);
    s.EndOfPage();
    short_region = s.bytes();
  }
  std::vector<uint8_t> huge_page;
  {
    Jbig2Stream s;
    s.PageInformation(0x80000000u, 0x80000000u);
    s.EndOfPage();
    huge_page = s.bytes();
  }
  std::vector<uint8_t> huge_symbol;  // a small page, a symbol of 100000 by 100000
  {
    MqEncoder encoder(2 * 512);
    encoder.EncodeInteger(0, 100000);    // height class
    encoder.EncodeInteger(512, 100000);  // width
    std::vector<uint8_t> dictionary = {0,    0, 3, 0xFF, 0xFD, 0xFF, 2, 0xFE, 0xFE,
                                       0xFE, 0, 0, 0,    1,    0,    0, 0,    1};
    const std::vector<uint8_t> coded = encoder.Finish();
    dictionary.insert(dictionary.end(), coded.begin(), coded.end());
    Jbig2Stream s;
    s.PageInformation(64, 64);
    s.Segment(0, 1, dictionary);
    s.EndOfPage();
    huge_symbol = s.bytes();
  }
  std::vector<uint8_t> many_instances;  // a text region of 2^20 + 1 symbols, none defined
  {
    std::vector<uint8_t> region = {0, 0, 0, 64, 0,    0, 0,    64, 0, 0, 0, 0,    0,   0,
                                   0, 0, 0, 0,  0x10, 0, 0x10, 0,  1, 0, 0, 0xFF, 0xAC};
    Jbig2Stream s;
    s.PageInformation(64, 64);
    s.Segment(6, 1, region);
    s.EndOfPage();
    many_instances = s.bytes();
  }
  std::vector<uint8_t> many_symbols;  // a Huffman dictionary of 2^20 + 1 new symbols
  {
    const std::vector<uint8_t> dictionary = {0, 1, 0, 0, 0, 1, 0, 0x10, 0, 1};
    Jbig2Stream s;
    s.PageInformation(64, 64);
    s.Segment(0, 1, dictionary);
    s.EndOfPage();
    many_symbols = s.bytes();
  }
  // The same dictionary cut short: jbig2dec decodes what came once the page
  // is completed, so its count must be checked all the same.
  std::vector<uint8_t> many_symbols_cut;
  {
    std::vector<uint8_t> dictionary = {0, 1, 0, 0, 0, 1, 0, 0x10, 0, 1};
    dictionary.resize(200);
    Jbig2Stream s;
    s.PageInformation(64, 64);
    s.Segment(0, 1, dictionary);
    many_symbols_cut = s.bytes();
    many_symbols_cut.resize(many_symbols_cut.size() - 190);
  }
  std::vector<uint8_t> empty_classes;  // a dictionary's loop with no end
  {
    Jbig2Stream s;
    s.PageInformation(64, 64);
    s.EmptyHeightClasses(1, 1000);
    s.EndOfPage();
    empty_classes = s.bytes();
  }
  std::vector<uint8_t> huge_region;  // a generic region of 100000 by 100000 on a small page
  {
    std::vector<uint8_t> region(26, 0);
    for (size_t at : {size_t{0}, size_t{4}}) {
      region[at + 1] = 0x01;  // 100000 = 0x000186A0
      region[at + 2] = 0x86;
      region[at + 3] = 0xA0;
    }
    Jbig2Stream s;
    s.PageInformation(64, 64);
    s.Segment(38, 1, region);
    s.EndOfPage();
    huge_region = s.bytes();
  }
  std::vector<uint8_t> garbage(300);
  for (size_t i = 0; i < garbage.size(); ++i)
    garbage[i] = static_cast<uint8_t>((i * 7919) >> 3);
  const std::vector<uint8_t> page_info_only(four.begin(),
                                            four.begin() + static_cast<ptrdiff_t>(after_page_info));

  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    size_t limit;
    StageOutcome outcome;
    const char* message;
    std::vector<uint8_t> out;  // expected output
  };
  const Case cases[] = {
      {"end of page missing", without_end, kLimit, StageOutcome::kTruncated,
       "the data end before the end of the page", FilterRows(picture)},
      {"cut inside the third stripe", second_stripe_cut, kLimit, StageOutcome::kTruncated,
       "the data end inside segment 3", FilterRows(WhiteFrom(picture, 40))},
      {"page information only", page_info_only, kLimit, StageOutcome::kTruncated,
       "before the end of the page", FilterRows(WhiteFrom(picture, 0))},
      {"a region segment too short", short_region, kLimit, StageOutcome::kDamaged,
       "damaged data (segment 2: ", FilterRows(WhiteFrom(picture, 20))},
      {"garbage", garbage, kLimit, StageOutcome::kUnreadable, "", {}},
      {"empty", {}, kLimit, StageOutcome::kUnreadable, "the data are empty", {}},
      {"a page of 2^31 by 2^31",
       huge_page,
       SIZE_MAX,
       StageOutcome::kUnreadable,
       "2147483648 by 2147483648 pixels, more than 16777216 on a side",
       {}},
      {"a text region of too many symbols",
       many_instances,
       kLimit,
       StageOutcome::kUnreadable,
       "segment 1 places 1048577 symbols, more than 1048576",
       {}},
      {"a dictionary of too many symbols",
       many_symbols,
       kLimit,
       StageOutcome::kUnreadable,
       "segment 1 declares 1048577 symbols, more than 1048576",
       {}},
      {"a cut dictionary of too many symbols",
       many_symbols_cut,
       kLimit,
       StageOutcome::kUnreadable,
       "segment 1 declares 1048577 symbols, more than 1048576",
       {}},
      {"height classes without symbols",
       empty_classes,
       kLimit,
       StageOutcome::kUnreadable,
       "segment 1: more height classes than the dictionary has symbols",
       {}},
      {"a region larger than any page the limit allows",
       huge_region,
       kLimit,
       StageOutcome::kOverLimit,
       "segment 1 declares a region of 100000 by 100000 pixels",
       {}},
      {"a page beyond the limit",
       four,
       160 / 8 * 80 - 1,
       StageOutcome::kOverLimit,
       "a page of 160 by 80 pixels, more than 1599 bytes",
       {}},
      {"a page just within the limit", four, 160 / 8 * 80, StageOutcome::kComplete, "",
       FilterRows(picture)},
      {"a symbol beyond the memory budget",
       huge_symbol,
       64 / 8 * 64,
       StageOutcome::kOverLimit,
       "decoding needs more than",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Decode(c.data, nullptr, c.limit);
    EXPECT_EQ(r.stage.outcome, c.outcome) << r.stage.message;
    EXPECT_NE(r.stage.message.find(c.message), std::string::npos) << r.stage.message;
    EXPECT_EQ(r.stage.message.empty(), c.outcome == StageOutcome::kComplete) << r.stage.message;
    EXPECT_EQ(r.out, c.out);
  }
  EXPECT_TRUE(sinks.all.empty());
}

// In a filter chain a page cut short is kept with a warning; one over the
// limit fails the stream.
TEST_F(Jbig2Test, ChainWarnsOrFails) {
  const Bilevel picture = MakeNoise(30, 10, 0.5, 41);
  const std::vector<uint8_t> whole = Jbig2EmbeddedPage(picture, Jbig2Coding::kMmr);
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    size_t limit;
    bool ok;
    const char* error;
  };
  const Case cases[] = {
      {"whole", whole, kLimit, true, ""},
      {"end of page missing", std::vector<uint8_t>(whole.begin(), whole.end() - 11), kLimit, true,
       "JBIG2Decode: the data end before the end of the page"},
      {"over the limit", whole, 10, false, "JBIG2Decode: segment 0 declares a page of 30 by 10"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pdf::Dictionary* stream = Stream(AsString(c.data));
    stream->Set("Filter", Name("JBIG2Decode"));
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_EQ(DecodeStreamFully(stream, c.limit, &out, &error), c.ok);
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    EXPECT_EQ(out, c.ok ? FilterRows(picture) : std::vector<uint8_t>{});
  }
}

}  // namespace

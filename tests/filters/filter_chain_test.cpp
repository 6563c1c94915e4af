#include "filters/filter_chain.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "jpeg/jpeg_samples.h"
#include "tests/support/jpeg_encoder.h"

#include "tests/filters/image_fixture.h"
#include "tests/support/lzw_encoder.h"
#include "tests/support/png_oracle.h"
#include "tests/support/synthetic_data.h"
#include "tests/support/tiff_oracle.h"
#include "tests/support/zlib_encoder.h"

namespace {

constexpr size_t kLimit = size_t{64} << 20;

std::string Text(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// `zeros` zero bytes deflated by zlib a megabyte at a time, so the test never
// holds them all.
std::string DeflatedZeros(size_t zeros) {
  z_stream z{};
  EXPECT_EQ(deflateInit(&z, 9), Z_OK);
  const std::vector<uint8_t> block(size_t{1} << 20, 0);
  std::string out;
  std::vector<uint8_t> chunk(1 << 16);
  for (size_t left = zeros;;) {
    const size_t n = std::min(left, block.size());
    left -= n;
    z.next_in = const_cast<Bytef*>(block.data());
    z.avail_in = static_cast<uInt>(n);
    const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
    int status;
    do {
      z.next_out = chunk.data();
      z.avail_out = static_cast<uInt>(chunk.size());
      status = deflate(&z, flush);
      out.append(reinterpret_cast<char*>(chunk.data()), chunk.size() - z.avail_out);
    } while (z.avail_out == 0);
    if (status == Z_STREAM_END || left == 0)
      break;
  }
  deflateEnd(&z);
  return out;
}

class FilterChainTest : public ImageTest {
 protected:
  struct Result {
    bool ok = false;
    std::string out;
    std::string error;
  };

  // A stream of `raw` with the given Filter and DecodeParms (null: left out).
  pdf::Dictionary* Make(const std::string& raw, pdf::Object* filter, pdf::Object* parms = nullptr) {
    pdf::Dictionary* stream = Stream(raw);
    if (filter != nullptr)
      stream->Set("Filter", filter);
    if (parms != nullptr)
      stream->Set("DecodeParms", parms);
    return stream;
  }

  Result Decode(pdf::Dictionary* stream, size_t limit = kLimit) {
    std::vector<uint8_t> out = {'s', 't', 'a', 'l', 'e'};
    Result r;
    r.error = "stale";
    r.ok = DecodeStreamFully(stream, limit, &out, &r.error);
    r.out = Text(out);
    return r;
  }

  pdf::Object* Null() { return doc_.null_object; }
};

TEST_F(FilterChainTest, FilterAsNameOrArrayOfStages) {
  const std::string text = Text(MakeContentText(20000, 1));
  const std::string once = Deflate(text);
  const std::string twice = Deflate(once);
  struct Case {
    const char* name;
    std::string raw;
    pdf::Object* filter;
    pdf::Object* parms;
  };
  const Case cases[] = {
      {"no filter", text, nullptr, nullptr},
      {"empty array", text, Array({}), nullptr},
      {"a name", once, Name("FlateDecode"), nullptr},
      {"a one-element array", once, Array({Name("FlateDecode")}), nullptr},
      {"two stages", twice, Array({Name("FlateDecode"), Name("FlateDecode")}), nullptr},
      {"two stages, parameters all null", twice, Array({Name("FlateDecode"), Name("FlateDecode")}),
       Array({Null(), Null()})},
      {"parameters array shorter than the filters", twice,
       Array({Name("FlateDecode"), Name("FlateDecode")}), Array({})},
      {"LZW then Flate", Deflate(AsString(LzwEncode(MakeContentText(20000, 1)))),
       Array({Name("FlateDecode"), Name("LZWDecode")}), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Decode(Make(c.raw, c.filter, c.parms));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.out, text);
  }
  EXPECT_TRUE(sinks.all.empty());
}

// Each stage takes the parameters at its own position; a null entry means none.
TEST_F(FilterChainTest, DecodeParmsGoWithTheirStage) {
  PngImage image{40, 12, 8, PNG_COLOR_TYPE_RGB, {}};
  image.rows = Pattern(PngRowBytes(image) * image.height, 5);
  const std::string idat = AsString(PngIdatStream(image, PNG_ALL_FILTERS));
  ASSERT_FALSE(idat.empty());
  auto png_parms = [&] {
    return Dict({{"Predictor", Number(15)}, {"Colors", Number(3)}, {"Columns", Number(40)}});
  };
  const std::string expect = AsString(image.rows);
  struct Case {
    const char* name;
    std::string raw;
    pdf::Object* filter;
    pdf::Object* parms;
    bool ok;
    std::string error;
  };
  const Case cases[] = {
      {"a dictionary for a name", idat, Name("FlateDecode"), png_parms(), true, ""},
      {"a one-element array for a name", idat, Name("FlateDecode"), Array({png_parms()}), true, ""},
      {"a dictionary for a one-element array", idat, Array({Name("FlateDecode")}), png_parms(),
       true, ""},
      {"null, then the predictor", Deflate(idat), Array({Name("FlateDecode"), Name("FlateDecode")}),
       Array({Null(), png_parms()}), true, ""},
      {"the predictor on the wrong stage", Deflate(idat),
       Array({Name("FlateDecode"), Name("FlateDecode")}), Array({png_parms(), Null()}), false,
       "FlateDecode: damaged data after 0 bytes (incorrect header check)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Decode(Make(c.raw, c.filter, c.parms));
    EXPECT_EQ(r.ok, c.ok);
    EXPECT_EQ(r.error, c.error);
    if (c.ok) {
      EXPECT_EQ(r.out, expect);
    }
  }
  // One dictionary for two filters could be meant for either: it is not used.
  const Result r =
      Decode(Make(Deflate(Deflate("abc")), Array({Name("FlateDecode"), Name("FlateDecode")}),
                  Dict({{"Predictor", Number(7)}})));
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.out, "abc");
  EXPECT_EQ(r.error, "DecodeParms is one dictionary for 2 filters; not used");
}

TEST_F(FilterChainTest, OutputBeyondTheLimitFails) {
  constexpr size_t kMiB = size_t{1} << 20;
  const std::string bomb = DeflatedZeros(64 * kMiB);
  ASSERT_LT(bomb.size(), 100 * 1024u);
  const std::string lzw_bomb = AsString(LzwEncode(std::vector<uint8_t>(4 * kMiB, 0)));
  const std::string raw(1000, 'r');
  const std::string text = Text(MakeContentText(300000, 2));
  struct Case {
    const char* name;
    std::string raw;
    pdf::Object* filter;
    size_t limit;
    std::string error;  // empty: decoded whole
  };
  const Case cases[] = {
      {"Flate bomb", bomb, Name("FlateDecode"), kMiB,
       "FlateDecode: the data inflate to more than 1048576 bytes"},
      {"LZW bomb", lzw_bomb, Name("LZWDecode"), kMiB,
       "LZWDecode: the data decode to more than 1048576 bytes"},
      {"bomb in the second stage", Deflate(bomb), Array({Name("FlateDecode"), Name("FlateDecode")}),
       kMiB, "FlateDecode: the data inflate to more than 1048576 bytes"},
      {"raw data one byte over", raw, nullptr, 999, "the data hold more than 999 bytes"},
      {"raw data at the limit", raw, nullptr, 1000, ""},
      {"Flate one byte over", Deflate(text), Name("FlateDecode"), text.size() - 1,
       "FlateDecode: the data inflate to more than 299999 bytes"},
      {"Flate at the limit", Deflate(text), Name("FlateDecode"), text.size(), ""},
      {"LZW one byte over", AsString(LzwEncode(MakeContentText(300000, 2))), Name("LZWDecode"),
       text.size() - 1, "LZWDecode: the data decode to more than 299999 bytes"},
      {"LZW at the limit", AsString(LzwEncode(MakeContentText(300000, 2))), Name("LZWDecode"),
       text.size(), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> out;
    std::string error;
    const bool ok = DecodeStreamFully(Make(c.raw, c.filter), c.limit, &out, &error);
    EXPECT_EQ(ok, c.error.empty());
    EXPECT_EQ(error, c.error);
    // The buffer never grew past one byte beyond the limit.
    EXPECT_LE(out.capacity(), c.limit + 1);
    if (c.error.empty()) {
      EXPECT_EQ(out.size(), c.limit);
    } else if (c.filter != nullptr && c.filter->IsArray()) {
      EXPECT_EQ(Text(out), bomb);  // what the first stage gave
    } else {
      EXPECT_TRUE(out.empty());
    }
  }
}

TEST_F(FilterChainTest, DamagedOrShortDataKeepWhatDecoded) {
  const std::string text = Text(MakeContentText(100000, 3));
  const std::string packed = Deflate(text);
  std::string bad_check = packed;
  bad_check[bad_check.size() - 1] ^= 0x55;  // the Adler-32 of the whole
  const std::string lzw = AsString(LzwEncode(MakeContentText(100000, 3)));
  LzwEncodeOptions no_end;
  no_end.end_code = false;
  // "ABC", then a code beyond the entries defined so far.
  const std::string lzw_bad_code =
      AsString(LzwCodeWriter().Put({kLzwClear, 'A', 'B', 'C', 300, kLzwEnd}).Bytes());

  struct Case {
    const char* name;
    std::string raw;
    const char* filter;
    bool ok;
    bool prefix;  // the output is a non-empty leading part of the text, with a warning
    std::string error;
  };
  const Case cases[] = {
      {"Flate cut in half", packed.substr(0, packed.size() / 2), "FlateDecode", true, true, ""},
      {"Flate with a wrong check value", bad_check, "FlateDecode", true, false,
       "FlateDecode: damaged data after 100000 bytes (incorrect data check)"},
      {"not zlib at all", "plain words", "FlateDecode", false, false,
       "FlateDecode: damaged data after 0 bytes (incorrect header check)"},
      {"Flate without data", "", "FlateDecode", true, false,
       "FlateDecode: the data end before the compressed stream does, after 0 bytes"},
      {"LZW without an end code", AsString(LzwEncode(MakeContentText(100000, 3), no_end)),
       "LZWDecode", true, false,
       "LZWDecode: the data end without an end-of-data code, after 100000 bytes"},
      {"LZW cut in half", lzw.substr(0, lzw.size() / 2), "LZWDecode", true, true, ""},
      {"LZW with a code beyond the table", lzw_bad_code, "LZWDecode", true, false,
       "LZWDecode: a code beyond the table after 3 bytes"},
      {"LZW starting with a code beyond the table", std::string("\xFF\xFF\xFF", 3), "LZWDecode",
       false, false, "LZWDecode: a code beyond the table after 0 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Decode(Make(c.raw, Name(c.filter)));
    EXPECT_EQ(r.ok, c.ok);
    if (c.prefix) {
      EXPECT_GT(r.out.size(), 0u);
      EXPECT_LT(r.out.size(), text.size());
      EXPECT_TRUE(r.out == text.substr(0, r.out.size()));
      EXPECT_EQ(r.error.find(std::string(c.filter) + ": "), 0u) << r.error;
    } else {
      EXPECT_EQ(r.error, c.error);
      if (c.ok && r.out.size() == text.size()) {
        EXPECT_TRUE(r.out == text);
      }
    }
  }
  EXPECT_EQ(Decode(Make(lzw_bad_code, Name("LZWDecode"))).out, "ABC");
  EXPECT_TRUE(sinks.all.empty());
}

TEST_F(FilterChainTest, UnusableFiltersFailAndKeepTheEarlierStages) {
  std::vector<pdf::Object*> many;
  for (int i = 0; i < 33; ++i)
    many.push_back(Name("FlateDecode"));
  auto* too_many = new pdf::Array(&doc_);
  for (pdf::Object* item : many)
    too_many->Append(item);
  const std::string inner = "the bytes of the first stage";
  struct Case {
    const char* name;
    std::string raw;
    pdf::Object* filter;
    pdf::Object* parms;
    std::string error;
    std::string out;
  };
  const Case cases[] = {
      {"unknown single filter", "x", Name("MadeUpDecode"), nullptr,
       "unsupported filter: MadeUpDecode", ""},
      {"unknown second stage", Deflate(inner), Array({Name("FlateDecode"), Name("NoSuchDecode")}),
       nullptr, "unsupported filter: NoSuchDecode", inner},
      {"abbreviations belong to inline images", Deflate(inner), Name("Fl"), nullptr,
       "unsupported filter: Fl", ""},
      {"a number in the array", "x", Array({Number(3)}), nullptr, "unsupported filter: 3", ""},
      {"a number as Filter", "x", Number(3), nullptr, "Filter is neither a name nor an array (3)",
       ""},
      {"33 stages", "x", too_many, nullptr, "Filter lists 33 filters, more than 32", ""},
      {"a bad predictor", Deflate(inner), Name("FlateDecode"), Dict({{"Predictor", Number(7)}}),
       "FlateDecode: Predictor 7 is not a predictor", ""},
      {"a bad EarlyChange", AsString(LzwEncode(MakeContentText(100, 4))), Name("LZWDecode"),
       Dict({{"EarlyChange", Number(2)}}), "LZWDecode: EarlyChange 2 is neither 0 nor 1", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Decode(Make(c.raw, c.filter, c.parms));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, c.error);
    EXPECT_EQ(r.out, c.out);
  }
  const Result not_stream = Decode(static_cast<pdf::Dictionary*>(Dict({})));
  EXPECT_FALSE(not_stream.ok);
  EXPECT_EQ(not_stream.error, "not a stream");
  EXPECT_TRUE(sinks.all.empty());
}

TEST_F(FilterChainTest, LzwEarlyChangeDecidesWhenCodesWiden) {
  // Long enough for the table to pass 511, 1023 and 2047 entries, and to fill.
  const std::vector<uint8_t> text = MakeContentText(60000, 6);
  LzwEncodeOptions late;
  late.early_change = false;
  const std::string early_codes = AsString(LzwEncode(text));
  const std::string late_codes = AsString(LzwEncode(text, late));
  ASSERT_NE(early_codes, late_codes);
  const std::string libtiff_codes = AsString(TiffRawStrip(TiffWriteLzw(text.data(), text.size())));
  ASSERT_FALSE(libtiff_codes.empty());
  struct Case {
    const char* name;
    std::string raw;
    pdf::Object* parms;
    bool same;
  };
  const Case cases[] = {
      {"early codes, default", early_codes, nullptr, true},
      {"early codes, EarlyChange 1", early_codes, Dict({{"EarlyChange", Number(1)}}), true},
      {"libtiff codes, default", libtiff_codes, nullptr, true},
      {"late codes, EarlyChange 0", late_codes, Dict({{"EarlyChange", Number(0)}}), true},
      {"late codes read early", late_codes, nullptr, false},
      {"early codes read late", early_codes, Dict({{"EarlyChange", Number(0)}}), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Decode(Make(c.raw, Name("LZWDecode"), c.parms));
    if (c.same) {
      EXPECT_TRUE(r.ok);
      EXPECT_EQ(r.error, "");
      EXPECT_EQ(r.out, Text(text));
    } else {
      EXPECT_NE(r.out, Text(text));
      EXPECT_NE(r.error, "");
    }
  }
}

TEST_F(FilterChainTest, LzwWithPngPredictor) {
  PngImage image{50, 20, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {}};
  image.rows = Pattern(PngRowBytes(image) * image.height, 9);
  const std::vector<uint8_t> idat = PngIdatStream(image, PNG_ALL_FILTERS);
  // The filtered rows as zlib gives them back, then coded again with LZW.
  std::vector<uint8_t> filtered((PngRowBytes(image) + 1) * image.height);
  uLongf size = filtered.size();
  ASSERT_EQ(uncompress(filtered.data(), &size, idat.data(), idat.size()), Z_OK);
  const Result r = Decode(
      Make(AsString(LzwEncode(filtered)), Name("LZWDecode"),
           Dict({{"Predictor", Number(12)}, {"Colors", Number(2)}, {"Columns", Number(50)}})));
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.out, AsString(image.rows));
}

}  // namespace

namespace {

// ASCII85 as the PDF reference describes it: groups of four bytes in five
// digits from '!', "z" for four zeros, a short last group, "~>".
std::string Ascii85(const std::vector<uint8_t>& bytes) {
  std::string text;
  for (size_t i = 0; i < bytes.size(); i += 4) {
    const size_t n = std::min<size_t>(4, bytes.size() - i);
    uint32_t group = 0;
    for (size_t k = 0; k < 4; ++k) {
      group = group << 8 | (k < n ? bytes[i + k] : 0);
    }
    if (n == 4 && group == 0) {
      text += 'z';
      continue;
    }
    char digits[5];
    for (int k = 4; k >= 0; --k) {
      digits[k] = static_cast<char>('!' + group % 85);
      group /= 85;
    }
    text.append(digits, n + 1);
  }
  return text + "~>";
}

// A gray picture as opj_compress writes it losslessly into a codestream.
std::vector<uint8_t> GrayCodestream(const std::vector<uint8_t>& pixels, int width, int height) {
  const std::string pgm = testing::TempDir() + "filter_chain_jpx.pgm";
  const std::string j2k = testing::TempDir() + "filter_chain_jpx.j2k";
  std::ofstream(pgm, std::ios::binary) << "P5\n"
                                       << width << " " << height << "\n255\n"
                                       << std::string(pixels.begin(), pixels.end());
  const std::string command =
      std::string(OPJ_COMPRESS_EXE) + " -i " + pgm + " -o " + j2k + " -n 3 >/dev/null 2>&1";
  std::vector<uint8_t> file;
  if (std::system(command.c_str()) == 0) {
    std::ifstream in(j2k, std::ios::binary);
    file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::remove(pgm.c_str());
  std::remove(j2k.c_str());
  return file;
}

}  // namespace

// Image filters as stages: the samples their decoders give, and data cut short
// only warn. JPEG samples are those DecodeJpegSamples gives (checked against
// libjpeg-turbo in its own test); JPEG 2000 ones the picture opj_compress coded.
TEST_F(FilterChainTest, ImageFiltersGiveTheirSamples) {
  constexpr int kWidth = 40;
  constexpr int kHeight = 34;
  const std::vector<uint8_t> gray = Pattern(kWidth * kHeight, 9);
  std::vector<uint8_t> rgb;
  for (int i = 0; i < kWidth * kHeight; ++i) {
    rgb.insert(rgb.end(), {static_cast<uint8_t>(i % kWidth * 6), static_cast<uint8_t>(i / 7),
                           static_cast<uint8_t>(200 - i % kWidth * 4)});
  }
  JpegEncodeOptions o;
  o.jfif = false;  // no marker says YCbCr: ColorTransform decides
  o.quality = 90;
  const std::vector<uint8_t> jpeg = EncodeJpeg(kWidth, kHeight, rgb, o);
  ASSERT_FALSE(jpeg.empty());
  auto samples = [&](const std::vector<uint8_t>& data, int transform) {
    JpegSamples s;
    std::string ignored;
    DecodeJpegSamples(data, transform, 1, kLimit, &s, &ignored);
    return Text(s.samples);
  };
  auto warning = [&](const std::vector<uint8_t>& data) {
    JpegSamples s;
    std::string text;
    DecodeJpegSamples(data, -1, 1, kLimit, &s, &text);
    return "DCTDecode: " + text;
  };
  const std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + jpeg.size() * 4 / 5);
  const std::vector<uint8_t> j2k = GrayCodestream(gray, kWidth, kHeight);
  ASSERT_FALSE(j2k.empty());
  const size_t rgb_bytes = rgb.size();
  struct Case {
    const char* name;
    std::string raw;
    pdf::Object* filter;
    pdf::Object* parms;
    size_t limit;
    bool ok;
    std::string out;  // when ok
    std::string error;
  };
  const Case cases[] = {
      {"ASCII85 then DCT", Ascii85(jpeg), Array({Name("ASCII85Decode"), Name("DCTDecode")}),
       nullptr, kLimit, true, samples(jpeg, -1), ""},
      {"ColorTransform 0", AsString(jpeg), Name("DCTDecode"), Dict({{"ColorTransform", Number(0)}}),
       kLimit, true, samples(jpeg, 0), ""},
      {"ColorTransform 2", AsString(jpeg), Name("DCTDecode"), Dict({{"ColorTransform", Number(2)}}),
       kLimit, false, "", "DCTDecode: ColorTransform 2 is neither 0 nor 1"},
      {"JPEG cut short", AsString(cut), Name("DCTDecode"), nullptr, kLimit, true, samples(cut, -1),
       warning(cut)},
      {"JPEG samples at the limit", AsString(jpeg), Name("DCTDecode"), nullptr, rgb_bytes, true,
       samples(jpeg, -1), ""},
      {"JPEG samples over the limit", AsString(jpeg), Name("DCTDecode"), nullptr, rgb_bytes - 1,
       false, "", "DCTDecode: the 40x34 picture's samples would take more than 4079 bytes"},
      {"not JPEG", "%PDF", Name("DCTDecode"), nullptr, kLimit, false, "",
       "DCTDecode: Not a JPEG file: starts with 0x25 0x50"},
      {"JPEG 2000 gray", AsString(j2k), Name("JPXDecode"), nullptr, kLimit, true, Text(gray), ""},
      {"JPEG 2000 over the limit", AsString(j2k), Name("JPXDecode"), nullptr, gray.size() - 1,
       false, "", "JPXDecode: the 40x34 picture's samples would take more than 1359 bytes"},
      {"JPEG 2000 that is not", "%PDF-1.7", Name("JPXDecode"), nullptr, kLimit, false, "",
       "JPXDecode: neither a JP2 file nor a JPEG 2000 codestream"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Decode(Make(c.raw, c.filter, c.parms), c.limit);
    EXPECT_EQ(r.ok, c.ok);
    EXPECT_EQ(r.error, c.error);
    if (c.ok) {
      EXPECT_EQ(r.out.size(), c.out.size());
      EXPECT_TRUE(r.out == c.out);
    }
  }
}

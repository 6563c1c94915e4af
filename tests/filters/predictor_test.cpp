#include "filters/predictor.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "filters/filter_chain.h"
#include "filters/predicted_inflate.h"
#include "tests/filters/image_fixture.h"
#include "tests/support/png_oracle.h"
#include "tests/support/tiff_predictor_oracle.h"
#include "tests/support/zlib_encoder.h"

namespace {

constexpr size_t kLimit = size_t{64} << 20;

// Rows that are smooth in places and noisy in others, so that every PNG filter
// type wins somewhere and a wrong neighbour shows.
std::vector<uint8_t> Picture(size_t row_bytes, int height, uint32_t seed) {
  std::vector<uint8_t> rows = Pattern(row_bytes * static_cast<size_t>(height), seed);
  for (int y = 0; y < height; ++y) {
    if (y % 3 == 0)
      continue;  // a noisy row
    for (size_t x = 0; x < row_bytes; ++x) {
      uint8_t& b = rows[static_cast<size_t>(y) * row_bytes + x];
      b = static_cast<uint8_t>(x * 3 + static_cast<size_t>(y) * 5 + (b & 3));
    }
  }
  return rows;
}

// The decompressed IDAT data: every row's filter type byte, then its bytes.
std::vector<uint8_t> Inflated(const std::vector<uint8_t>& zlib_data, size_t size) {
  std::vector<uint8_t> out(size);
  uLongf n = size;
  if (uncompress(out.data(), &n, zlib_data.data(), zlib_data.size()) != Z_OK)
    return {};
  out.resize(n);
  return out;
}

std::vector<int> FilterTypes(const std::vector<uint8_t>& filtered, size_t row_bytes) {
  std::vector<int> types;
  for (size_t at = 0; at < filtered.size(); at += row_bytes + 1)
    types.push_back(filtered[at]);
  return types;
}

std::vector<uint8_t> DeflateBytes(const std::vector<uint8_t>& data) {
  const std::string packed = Deflate(data);
  return std::vector<uint8_t>(packed.begin(), packed.end());
}

// Horizontal differencing of 1, 2 or 4-bit samples, written from the TIFF
// description (libtiff does not difference samples below 8 bits).
std::vector<uint8_t> DifferencePacked(const std::vector<uint8_t>& rows, size_t row_bytes,
                                      int samples_per_row, int colors, int bits) {
  std::vector<uint8_t> out(rows.size(), 0);
  const int mask = (1 << bits) - 1;
  auto get = [&](const std::vector<uint8_t>& v, size_t row, int s) {
    const size_t bit = static_cast<size_t>(s) * bits;
    return (v[row * row_bytes + bit / 8] >> (8 - bits - bit % 8)) & mask;
  };
  for (size_t row = 0; row < rows.size() / row_bytes; ++row) {
    for (int s = 0; s < samples_per_row; ++s) {
      const int left = s >= colors ? get(rows, row, s - colors) : 0;
      const int diff = (get(rows, row, s) - left) & mask;
      const size_t bit = static_cast<size_t>(s) * bits;
      out[row * row_bytes + bit / 8] |= static_cast<uint8_t>(diff << (8 - bits - bit % 8));
    }
  }
  return out;
}

// Packed rows leave the bits past the last sample at zero, as both encoders
// expect.
void ClearRowPadding(std::vector<uint8_t>* rows, size_t row_bytes, size_t used_bits) {
  if (used_bits % 8 == 0)
    return;
  const auto keep = static_cast<uint8_t>(0xFF << (8 - used_bits % 8));
  for (size_t at = row_bytes - 1; at < rows->size(); at += row_bytes)
    (*rows)[at] &= keep;
}

class PredictorOracleTest : public ImageTest {
 protected:
  pdf::Dictionary* FlateStream(const std::vector<uint8_t>& data, int predictor, int colors,
                               int bits, int columns) {
    pdf::Dictionary* stream = Stream(AsString(data));
    stream->Set("Filter", Name("FlateDecode"));
    stream->Set("DecodeParms", Dict({{"Predictor", Number(predictor)},
                                     {"Colors", Number(colors)},
                                     {"BitsPerComponent", Number(bits)},
                                     {"Columns", Number(columns)}}));
    return stream;
  }
};

struct OracleCase {
  std::string name;
  std::vector<uint8_t> flate;  // what the independent encoder wrote
  int predictor, colors, bits, columns;
  std::vector<uint8_t> rows;  // the samples it was given
};

std::vector<OracleCase> PngCases() {
  struct Format {
    const char* name;
    int color_type, colors, bits;
  };
  const Format formats[] = {
      {"gray 8", PNG_COLOR_TYPE_GRAY, 1, 8},      {"RGB 8", PNG_COLOR_TYPE_RGB, 3, 8},
      {"RGBA 8", PNG_COLOR_TYPE_RGB_ALPHA, 4, 8}, {"gray 16", PNG_COLOR_TYPE_GRAY, 1, 16},
      {"RGB 16", PNG_COLOR_TYPE_RGB, 3, 16},      {"RGBA 16", PNG_COLOR_TYPE_RGB_ALPHA, 4, 16},
      {"gray 1", PNG_COLOR_TYPE_GRAY, 1, 1},      {"gray 2", PNG_COLOR_TYPE_GRAY, 1, 2},
      {"gray 4", PNG_COLOR_TYPE_GRAY, 1, 4},
  };
  struct Filter {
    const char* name;
    int flag;
    int type;  // the row type byte it gives; -1 for libpng's choice
  };
  const Filter filters[] = {
      {"None", PNG_FILTER_NONE, 0},   {"Sub", PNG_FILTER_SUB, 1},     {"Up", PNG_FILTER_UP, 2},
      {"Average", PNG_FILTER_AVG, 3}, {"Paeth", PNG_FILTER_PAETH, 4}, {"all", PNG_ALL_FILTERS, -1},
  };
  std::vector<OracleCase> cases;
  uint32_t seed = 1;
  for (const Format& f : formats) {
    for (const Filter& filter : filters) {
      PngImage image;
      image.width = 37;  // not a whole number of bytes at 1, 2 and 4 bits
      image.height = 19;
      image.bit_depth = f.bits;
      image.color_type = f.color_type;
      const size_t row_bytes = PngRowBytes(image);
      image.rows = Picture(row_bytes, image.height, seed++);
      ClearRowPadding(&image.rows, row_bytes, static_cast<size_t>(image.width) * f.bits);
      const std::vector<uint8_t> idat = PngIdatStream(image, filter.flag);
      // The oracle must really have used the filter asked for.
      const std::vector<int> types = FilterTypes(
          Inflated(idat, (row_bytes + 1) * static_cast<size_t>(image.height)), row_bytes);
      EXPECT_EQ(types.size(), static_cast<size_t>(image.height)) << f.name << " " << filter.name;
      if (filter.type >= 0) {
        EXPECT_NE(std::count(types.begin(), types.end(), filter.type), 0)
            << f.name << " " << filter.name;
      }
      cases.push_back({std::string("PNG ") + f.name + " " + filter.name, idat,
                       /*predictor=*/15, f.colors, f.bits, image.width, image.rows});
    }
  }
  // Predictor 10 to 14 name a single type, but each row's own type byte decides.
  PngImage image{23, 11, 8, PNG_COLOR_TYPE_RGB, {}};
  image.rows = Picture(PngRowBytes(image), image.height, 99);
  cases.push_back({"PNG Predictor 10 with mixed row types", PngIdatStream(image, PNG_ALL_FILTERS),
                   /*predictor=*/10, 3, 8, image.width, image.rows});
  // Noise of this size stays large when compressed: its rows are undone by a
  // second thread while zlib still inflates.
  for (int filter : {PNG_FILTER_PAETH, PNG_ALL_FILTERS}) {
    PngImage big{640, 160, 8, PNG_COLOR_TYPE_RGB, {}};
    big.rows = Pattern(PngRowBytes(big) * static_cast<size_t>(big.height), 7 + filter);
    const std::vector<uint8_t> idat = PngIdatStream(big, filter);
    EXPECT_GE(idat.size(), kOverlapMinimumInput);
    cases.push_back(
        {"PNG RGB 640x160 noise, overlapped", idat, /*predictor=*/15, 3, 8, big.width, big.rows});
  }
  return cases;
}

std::vector<OracleCase> TiffCases() {
  struct Format {
    const char* name;
    int colors, bits;
  };
  const Format libtiff_formats[] = {
      {"gray 8", 1, 8}, {"RGB 8", 3, 8}, {"RGBA 8", 4, 8}, {"gray 16", 1, 16}, {"RGB 16", 3, 16},
  };
  std::vector<OracleCase> cases;
  constexpr int kWidth = 29;
  constexpr int kHeight = 13;
  uint32_t seed = 100;
  for (const Format& f : libtiff_formats) {
    const size_t row_bytes = static_cast<size_t>(kWidth) * f.colors * f.bits / 8;
    const std::vector<uint8_t> rows = Picture(row_bytes, kHeight, seed++);
    cases.push_back({std::string("TIFF libtiff ") + f.name,
                     TiffDeflatePredictorStrip(rows, kWidth, kHeight, f.bits, f.colors),
                     /*predictor=*/2, f.colors, f.bits, kWidth, rows});
  }
  const Format packed_formats[] = {
      {"gray 1", 1, 1}, {"gray 2", 1, 2}, {"gray 4", 1, 4}, {"RGB 2", 3, 2}, {"RGB 4", 3, 4},
  };
  for (const Format& f : packed_formats) {
    const size_t bits_per_row = static_cast<size_t>(kWidth) * f.colors * f.bits;
    const size_t row_bytes = (bits_per_row + 7) / 8;
    std::vector<uint8_t> rows = Picture(row_bytes, kHeight, seed++);
    ClearRowPadding(&rows, row_bytes, bits_per_row);
    const std::vector<uint8_t> diff =
        DifferencePacked(rows, row_bytes, kWidth * f.colors, f.colors, f.bits);
    cases.push_back({std::string("TIFF packed ") + f.name, DeflateBytes(diff), /*predictor=*/2,
                     f.colors, f.bits, kWidth, rows});
  }
  return cases;
}

TEST_F(PredictorOracleTest, FlateWithPredictorGivesTheEncodersSamples) {
  std::vector<OracleCase> cases = PngCases();
  for (OracleCase& c : TiffCases())
    cases.push_back(std::move(c));
  for (const OracleCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.flate.empty());
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(DecodeStreamFully(FlateStream(c.flate, c.predictor, c.colors, c.bits, c.columns),
                                  kLimit, &out, &error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(out, c.rows);
  }
  EXPECT_TRUE(sinks.all.empty());
}

// Data that stop inside a row give the rows before it and the part of that row
// that is there, undone like the rest.
TEST_F(PredictorOracleTest, LastPartialRowIsUndoneAsFarAsItGoes) {
  PngImage image{31, 9, 8, PNG_COLOR_TYPE_RGB, {}};
  const size_t row_bytes = PngRowBytes(image);
  image.rows = Picture(row_bytes, image.height, 7);
  const std::vector<uint8_t> png_filtered =
      Inflated(PngIdatStream(image, PNG_FILTER_PAETH), (row_bytes + 1) * image.height);
  std::vector<uint8_t> tiff_rows = Picture(row_bytes, image.height, 8);
  const std::vector<uint8_t> tiff_filtered =
      Inflated(TiffDeflatePredictorStrip(tiff_rows, image.width, image.height, 8, 3),
               row_bytes * image.height);
  ASSERT_FALSE(png_filtered.empty());
  ASSERT_FALSE(tiff_filtered.empty());
  struct Case {
    const char* name;
    std::vector<uint8_t> filtered;
    size_t keep;  // bytes of the filtered data left
    int predictor;
    std::vector<uint8_t> expect;
  };
  const size_t png_keep = 4 * (row_bytes + 1) + 1 + 40;  // four rows, a type byte, 40 bytes
  const size_t tiff_keep = 5 * row_bytes + 17;
  const Case cases[] = {
      {"PNG Paeth", png_filtered, png_keep, 15,
       std::vector<uint8_t>(image.rows.begin(), image.rows.begin() + 4 * row_bytes + 40)},
      {"PNG type byte only", png_filtered, 4 * (row_bytes + 1) + 1, 15,
       std::vector<uint8_t>(image.rows.begin(), image.rows.begin() + 4 * row_bytes)},
      {"TIFF", tiff_filtered, tiff_keep, 2,
       std::vector<uint8_t>(tiff_rows.begin(), tiff_rows.begin() + tiff_keep)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> data(c.filtered.begin(), c.filtered.begin() + c.keep);
    std::string error = "stale";
    ASSERT_TRUE(UndoPredictor({c.predictor, 3, 8, image.width}, &data, &error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(data, c.expect);
  }
}

TEST_F(PredictorOracleTest, UnknownRowTypeKeepsTheRowAndWarns) {
  PngImage image{16, 6, 8, PNG_COLOR_TYPE_GRAY, {}};
  image.rows = Picture(16, image.height, 3);
  std::vector<uint8_t> filtered = Inflated(PngIdatStream(image, PNG_FILTER_NONE), 17 * 6);
  ASSERT_EQ(filtered.size(), 17u * 6);
  filtered[2 * 17] = 7;
  filtered[4 * 17] = 200;
  std::vector<uint8_t> out;
  std::string error;
  EXPECT_TRUE(
      DecodeStreamFully(FlateStream(DeflateBytes(filtered), 12, 1, 8, 16), kLimit, &out, &error));
  EXPECT_EQ(out, image.rows);
  EXPECT_EQ(error,
            "FlateDecode: 2 row(s) with an unknown PNG filter type kept as they are (first: row 2, "
            "type 7)");
}

TEST(PredictorParams, UnusableParametersAreRefusedWithTheReason) {
  struct Case {
    const char* name;
    PredictorParams params;
    const char* error;  // empty: accepted
  };
  const Case cases[] = {
      {"no predictor ignores the other entries", {1, 0, 3, 0}, ""},
      {"Predictor 7", {7, 1, 8, 1}, "Predictor 7 is not a predictor"},
      {"Predictor 0", {0, 1, 8, 1}, "Predictor 0 is not a predictor"},
      {"Predictor 16", {16, 1, 8, 1}, "Predictor 16 is not a predictor"},
      {"Colors 0", {2, 0, 8, 1}, "Colors 0 is not within 1 to 32"},
      {"Colors 33", {12, 33, 8, 1}, "Colors 33 is not within 1 to 32"},
      {"Colors 32", {12, 32, 8, 1}, ""},
      {"BitsPerComponent 3", {2, 1, 3, 1}, "BitsPerComponent 3 is not 1, 2, 4, 8 or 16"},
      {"BitsPerComponent 32", {15, 1, 32, 1}, "BitsPerComponent 32 is not 1, 2, 4, 8 or 16"},
      {"Columns 0", {15, 1, 8, 0}, "Columns 0 is less than 1"},
      {"Columns -5", {2, 1, 8, -5}, "Columns -5 is less than 1"},
      {"a row beyond a gigabyte",
       {15, 32, 16, 2147483647},
       "Columns 2147483647 make rows of 137438953408 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> original = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<uint8_t> data = original;
    std::string error = "stale";
    EXPECT_EQ(UndoPredictor(c.params, &data, &error), c.error[0] == '\0');
    EXPECT_EQ(error, c.error);
    if (c.error[0] != '\0') {
      EXPECT_EQ(data, original);
    }
  }
}

}  // namespace

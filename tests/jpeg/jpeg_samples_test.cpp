#include "jpeg/jpeg_samples.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/jpeg_encoder.h"

namespace {

// Odd sizes, so partial blocks are exercised.
constexpr int kWidth = 37;
constexpr int kHeight = 43;
constexpr size_t kLimit = size_t{64} << 20;

// A picture with edges as well as gradients, so every coefficient matters.
std::vector<uint8_t> Picture(int components) {
  std::vector<uint8_t> s;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const int values[4] = {x * 6, y * 5, (x / 4 + y / 5) % 2 * 200 + 20, (x + y) * 3};
      for (int c = 0; c < components; ++c) {
        s.push_back(static_cast<uint8_t>(values[c]));
      }
    }
  }
  return s;
}

struct Oracle {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> samples;
};

// libjpeg-turbo's own decoder through TurboJPEG: default (accurate) DCT and
// smooth upsampling, as libjpeg's defaults. `format` TJPF_GRAY, TJPF_RGB or
// TJPF_CMYK (Adobe inks left as stored); `yuv`: the raw planes of a 4:4:4
// picture, interleaved, i.e. the samples with no colour transform.
Oracle TurboDecode(const std::vector<uint8_t>& file, int format, int scale_denom = 1,
                   bool yuv = false) {
  Oracle o;
  tjhandle tj = tjInitDecompress();
  int width = 0, height = 0, subsamp = 0, space = 0;
  if (tjDecompressHeader3(tj, file.data(), file.size(), &width, &height, &subsamp, &space) != 0) {
    tjDestroy(tj);
    return o;
  }
  const tjscalingfactor factor{1, scale_denom};
  o.width = TJSCALED(width, factor);
  o.height = TJSCALED(height, factor);
  const size_t pixels = static_cast<size_t>(o.width) * o.height;
  int status;
  if (yuv) {
    std::vector<uint8_t> planes(pixels * 3);
    unsigned char* dst[3] = {planes.data(), planes.data() + pixels, planes.data() + 2 * pixels};
    status =
        tjDecompressToYUVPlanes(tj, file.data(), file.size(), dst, o.width, nullptr, o.height, 0);
    for (size_t i = 0; i < pixels; ++i) {
      for (size_t c = 0; c < 3; ++c) {
        o.samples.push_back(planes[c * pixels + i]);
      }
    }
  } else {
    o.samples.resize(pixels * tjPixelSize[format]);
    status = tjDecompress2(tj, file.data(), file.size(), o.samples.data(), o.width, 0, o.height,
                           format, 0);
  }
  // Data cut short only warn; the samples are what libjpeg made of them.
  if (status != 0 && tjGetErrorCode(tj) != TJERR_WARNING) {
    o.samples.clear();
  }
  tjDestroy(tj);
  return o;
}

std::vector<uint8_t> Encode(J_COLOR_SPACE input, J_COLOR_SPACE stored, bool adobe, bool jfif,
                            bool progressive = false, bool full_chroma = true) {
  JpegEncodeOptions o;
  o.input = input;
  o.stored = stored;
  o.adobe_marker = adobe;
  o.jfif = jfif;
  o.progressive = progressive;
  o.full_chroma = full_chroma;
  o.quality = 90;
  const int components = input == JCS_GRAYSCALE ? 1 : input == JCS_CMYK ? 4 : 3;
  return EncodeJpeg(kWidth, kHeight, Picture(components), o);
}

// An Adobe CMYK JPEG as ImageMagick writes it (inverted inks, transform 0).
std::vector<uint8_t> ImageMagickCmyk() {
  const std::string path = testing::TempDir() + "jpeg_samples_cmyk.jpg";
  const std::string command =
      std::string(CONVERT_EXE) + " -size 29x21 gradient:red-blue -colorspace CMYK " + path;
  if (std::system(command.c_str()) != 0) {
    return {};
  }
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(path.c_str());
  return file;
}

TEST(DecodeJpegSamples, MatchesLibjpegTurbo) {
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    int color_transform;
    int scale_denom;
    int format;  // of the oracle
    bool raw_ycc;
    bool adobe_marker;
  };
  const Case cases[] = {
      {"gray", Encode(JCS_GRAYSCALE, JCS_UNKNOWN, true, true), -1, 1, TJPF_GRAY, false, false},
      {"YCbCr, as the data say", Encode(JCS_RGB, JCS_UNKNOWN, true, true), -1, 1, TJPF_RGB, false,
       false},
      {"YCbCr, ColorTransform 1", Encode(JCS_RGB, JCS_UNKNOWN, true, true), 1, 1, TJPF_RGB, false,
       false},
      {"YCbCr without JFIF, ColorTransform 0: no transform",
       Encode(JCS_RGB, JCS_UNKNOWN, false, false), 0, 1, TJPF_RGB, true, false},
      {"RGB with Adobe transform 0 wins over ColorTransform 1",
       Encode(JCS_RGB, JCS_RGB, true, true), 1, 1, TJPF_RGB, false, true},
      {"RGB without marker, ColorTransform 0", Encode(JCS_RGB, JCS_RGB, false, false), 0, 1,
       TJPF_RGB, false, false},
      {"progressive YCbCr", Encode(JCS_RGB, JCS_UNKNOWN, true, true, true), -1, 1, TJPF_RGB, false,
       false},
      {"YCbCr 4:2:0", Encode(JCS_RGB, JCS_UNKNOWN, true, true, false, false), -1, 1, TJPF_RGB,
       false, false},
      {"YCbCr 4:2:0 at 1/2", Encode(JCS_RGB, JCS_UNKNOWN, true, true, false, false), -1, 2,
       TJPF_RGB, false, false},
      {"YCbCr 4:2:0 at 1/4", Encode(JCS_RGB, JCS_UNKNOWN, true, true, false, false), -1, 4,
       TJPF_RGB, false, false},
      {"gray at 1/8", Encode(JCS_GRAYSCALE, JCS_UNKNOWN, true, true), -1, 8, TJPF_GRAY, false,
       false},
      {"CMYK with Adobe marker", Encode(JCS_CMYK, JCS_CMYK, true, false), -1, 1, TJPF_CMYK, false,
       true},
      {"CMYK without marker", Encode(JCS_CMYK, JCS_CMYK, false, false), -1, 1, TJPF_CMYK, false,
       false},
      {"YCCK with Adobe transform 2 wins over ColorTransform 0",
       Encode(JCS_CMYK, JCS_YCCK, true, false), 0, 1, TJPF_CMYK, false, true},
      {"YCCK at 1/2", Encode(JCS_CMYK, JCS_YCCK, true, false), -1, 2, TJPF_CMYK, false, true},
      {"ImageMagick's Adobe CMYK", ImageMagickCmyk(), -1, 1, TJPF_CMYK, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.file.empty());
    const Oracle want = TurboDecode(c.file, c.format, c.scale_denom, c.raw_ycc);
    ASSERT_FALSE(want.samples.empty());
    JpegSamples got;
    std::string error = "stale";
    JpegOutcome outcome = JpegOutcome::kUnreadable;
    ASSERT_TRUE(DecodeJpegSamples(c.file, c.color_transform, c.scale_denom, kLimit, &got, &error,
                                  &outcome));
    EXPECT_EQ(error, "");
    EXPECT_EQ(outcome, JpegOutcome::kComplete);
    EXPECT_EQ(got.width, want.width);
    EXPECT_EQ(got.height, want.height);
    EXPECT_EQ(got.components, tjPixelSize[c.format]);
    EXPECT_EQ(got.adobe_marker, c.adobe_marker);
    EXPECT_TRUE(got.samples == want.samples);
  }
}

// Data cut inside the coded data: the rows before the cut as the whole file
// decodes them, white after, and a warning.
TEST(DecodeJpegSamples, DataCutShortKeepTheRowsBefore) {
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    double keep;  // share of the file kept
    int format;
    uint8_t white;
  };
  const std::vector<uint8_t> rgb = Encode(JCS_RGB, JCS_UNKNOWN, true, true);
  const std::vector<uint8_t> gray = Encode(JCS_GRAYSCALE, JCS_UNKNOWN, true, true);
  const std::vector<uint8_t> cmyk = Encode(JCS_CMYK, JCS_CMYK, false, false);
  const std::vector<uint8_t> adobe = Encode(JCS_CMYK, JCS_CMYK, true, false);
  const Case cases[] = {
      {"RGB at two thirds", rgb, 0.66, TJPF_RGB, 255},
      {"gray at three quarters", gray, 0.75, TJPF_GRAY, 255},
      {"CMYK inks: none", cmyk, 0.7, TJPF_CMYK, 0},
      {"Adobe CMYK's inverted inks: 255", adobe, 0.7, TJPF_CMYK, 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Oracle whole = TurboDecode(c.file, c.format);
    ASSERT_FALSE(whole.samples.empty());
    const std::vector<uint8_t> cut(c.file.begin(),
                                   c.file.begin() + static_cast<long>(c.file.size() * c.keep));
    JpegSamples got;
    std::string error;
    JpegOutcome outcome = JpegOutcome::kUnreadable;
    ASSERT_TRUE(DecodeJpegSamples(cut, -1, 1, kLimit, &got, &error, &outcome));
    EXPECT_EQ(outcome, JpegOutcome::kEndedEarly);
    EXPECT_NE(error.find("the data end early"), std::string::npos) << error;
    ASSERT_EQ(got.samples.size(), whole.samples.size());
    const size_t stride = static_cast<size_t>(got.width) * got.components;
    size_t rows = 0;
    while (rows < static_cast<size_t>(got.height) &&
           std::equal(got.samples.begin() + rows * stride,
                      got.samples.begin() + (rows + 1) * stride,
                      whole.samples.begin() + rows * stride)) {
      ++rows;
    }
    EXPECT_GT(rows, 0u);
    EXPECT_LT(rows, static_cast<size_t>(got.height));
    EXPECT_EQ(error, "the data end early: " + std::to_string(rows) + " of " +
                         std::to_string(got.height) + " rows decoded");
    EXPECT_TRUE(std::all_of(got.samples.begin() + rows * stride, got.samples.end(),
                            [&](uint8_t v) { return v == c.white; }));
  }
}

// Where the last marker `code` starts; 0 when there is none.
size_t LastMarker(const std::vector<uint8_t>& file, uint8_t code) {
  size_t at = 0;
  for (size_t i = 0; i + 1 < file.size(); ++i) {
    if (file[i] == 0xFF && file[i + 1] == code) {
      at = i;
    }
  }
  return at;
}

// A progressive picture cut after its first scan is whole, only coarser: as
// libjpeg-turbo decodes the data up to the cut, or up to the marker segment
// the cut falls in.
TEST(DecodeJpegSamples, ProgressiveDataCutInALaterScan) {
  const std::vector<uint8_t> file = Encode(JCS_RGB, JCS_UNKNOWN, true, true, true);
  const size_t last_scan = LastMarker(file, 0xDA);
  const size_t last_table = LastMarker(file, 0xC4);
  ASSERT_GT(last_scan, 0u);
  ASSERT_GT(last_table, 0u);
  auto first = [&](size_t size) { return std::vector<uint8_t>(file.begin(), file.begin() + size); };
  struct Case {
    const char* name;
    std::vector<uint8_t> cut;
    std::vector<uint8_t> oracle_input;
  };
  const Case cases[] = {
      {"in the last scan's coded data", first((last_scan + file.size()) / 2),
       first((last_scan + file.size()) / 2)},
      {"in the last scan's header", first(last_scan + 6), first(last_scan)},
      {"in a table", first(last_table + 9), first(last_table)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Oracle want = TurboDecode(c.oracle_input, TJPF_RGB);
    ASSERT_FALSE(want.samples.empty());
    JpegSamples got;
    std::string error;
    JpegOutcome outcome = JpegOutcome::kUnreadable;
    ASSERT_TRUE(DecodeJpegSamples(c.cut, -1, 1, kLimit, &got, &error, &outcome));
    EXPECT_EQ(outcome, JpegOutcome::kEndedEarly);
    EXPECT_NE(error.find("the data end"), std::string::npos) << error;
    EXPECT_TRUE(got.samples == want.samples);
  }
}

// Tables and picture written as two JPEG streams one after the other, as a
// TIFF's JPEG tables come out of some converters: the same picture.
TEST(DecodeJpegSamples, TablesBeforeASecondStartOfImage) {
  const std::vector<uint8_t> whole = JpegEncode(Picture(3).data(), kWidth, kHeight, 3);
  ASSERT_FALSE(whole.empty());
  JpegSamples want;
  std::string error;
  ASSERT_TRUE(DecodeJpegSamples(whole, -1, 1, kLimit, &want, &error)) << error;
  // The frame header (SOF0) is where the picture proper starts.
  size_t frame = 2;
  while (frame + 4 < whole.size() && !(whole[frame] == 0xFF && whole[frame + 1] == 0xC0)) {
    frame += 2 + (static_cast<size_t>(whole[frame + 2]) << 8 | whole[frame + 3]);
  }
  ASSERT_LT(frame + 4, whole.size());
  const std::vector<uint8_t> separators[] = {{0xFF, 0xD8}, {0xFF, 0xD9, 0xFF, 0xD8}};
  for (const std::vector<uint8_t>& separator : separators) {
    std::vector<uint8_t> split(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(frame));
    split.insert(split.end(), separator.begin(), separator.end());
    split.insert(split.end(), whole.begin() + static_cast<ptrdiff_t>(frame), whole.end());
    JpegSamples got;
    ASSERT_TRUE(DecodeJpegSamples(split, -1, 1, kLimit, &got, &error)) << error;
    EXPECT_EQ(got.samples, want.samples);
  }
}

TEST(DecodeJpegSamples, RefusesWhatCannotBeDecoded) {
  const std::vector<uint8_t> rgb = Encode(JCS_RGB, JCS_UNKNOWN, true, true);
  std::vector<uint8_t> bad_frame = rgb;
  // The SOF0 marker's precision byte: 8 becomes 7, which libjpeg refuses.
  for (size_t i = 0; i + 4 < bad_frame.size(); ++i) {
    if (bad_frame[i] == 0xFF && bad_frame[i + 1] == 0xC0) {
      bad_frame[i + 4] = 7;
      break;
    }
  }
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    size_t limit;
    int scale_denom;
    JpegOutcome outcome;
    std::string error;
  };
  const size_t exact = static_cast<size_t>(kWidth) * kHeight * 3;
  const Case cases[] = {
      {"no data", {}, kLimit, 1, JpegOutcome::kUnreadable, "no data"},
      {"not JPEG",
       {'%', 'P', 'D', 'F', '-', '1', '.', '7'},
       kLimit,
       1,
       JpegOutcome::kUnreadable,
       "Not a JPEG file: starts with 0x25 0x50"},
      {"cut in the header", std::vector<uint8_t>(rgb.begin(), rgb.begin() + 30), kLimit, 1,
       JpegOutcome::kUnreadable, "JPEG datastream contains no image (the data end early)"},
      {"precision 7", bad_frame, kLimit, 1, JpegOutcome::kUnreadable,
       "Unsupported JPEG data precision 7"},
      {"a byte over the limit", rgb, exact - 1, 1, JpegOutcome::kOverLimit,
       "the 37x43 picture's samples would take more than 4772 bytes"},
      {"scale 1/3", rgb, kLimit, 3, JpegOutcome::kUnreadable,
       "scale 1/3 is not 1, 1/2, 1/4 or 1/8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JpegSamples got;
    got.width = 5;
    std::string error;
    JpegOutcome outcome = JpegOutcome::kComplete;
    EXPECT_FALSE(DecodeJpegSamples(c.file, -1, c.scale_denom, c.limit, &got, &error, &outcome));
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(got.width, 0);
    EXPECT_TRUE(got.samples.empty());
  }
  // Exactly at the limit is fine.
  JpegSamples got;
  std::string error;
  EXPECT_TRUE(DecodeJpegSamples(rgb, -1, 1, exact, &got, &error));
}

}  // namespace

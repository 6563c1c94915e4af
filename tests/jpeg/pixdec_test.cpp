#include "jpeg/pixdec.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "dib/dib.h"
#include "tests/support/jpeg_encoder.h"

namespace {

// Odd sizes, so partial blocks and row padding are both exercised.
constexpr int kWidth = 37;
constexpr int kHeight = 23;
// Largest difference allowed between a sample and its decoded value at quality 100.
constexpr int kTolerance = 4;

// Smooth test pictures, one byte per sample, top row first.
std::vector<uint8_t> Picture(int components) {
  std::vector<uint8_t> s;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const int values[4] = {x * 6, y * 10, 220 - x * 3 - y * 2, (x + y) * 3};
      for (int c = 0; c < components; ++c) {
        s.push_back(static_cast<uint8_t>(values[c]));
      }
    }
  }
  return s;
}

class Decoded {
 public:
  explicit Decoded(const std::vector<uint8_t>& file)
      : handle_(PIXDEC_DibFromBuffer(file.data(), static_cast<int>(file.size()))) {
    if (handle_ != nullptr) {
      bmi_ = static_cast<BITMAPINFOHEADER*>(DibLock(handle_));
    }
  }
  ~Decoded() {
    if (handle_ != nullptr) {
      DibUnlock(handle_);
      DibFree(handle_);
    }
  }
  BITMAPINFOHEADER* bmi() const { return bmi_; }
  HDIB handle() const { return handle_; }

 private:
  HDIB handle_ = nullptr;
  BITMAPINFOHEADER* bmi_ = nullptr;
};

// Largest difference between the bitmap's samples (in memory order, `order`
// mapping them to the picture's components) and the picture's.
int MaxDifference(BITMAPINFOHEADER* bmi, const std::vector<uint8_t>& picture, int components,
                  const std::vector<int>& order, bool inverted = false) {
  int worst = 0;
  for (int y = 0; y < kHeight; ++y) {
    const uint8_t* row = BmiRowPtr(bmi, y);
    for (int x = 0; x < kWidth; ++x) {
      for (int c = 0; c < components; ++c) {
        int want = picture[(static_cast<size_t>(y) * kWidth + x) * components + order[c]];
        if (inverted) {
          want = 255 - want;
        }
        worst = std::max(worst, std::abs(row[x * components + c] - want));
      }
    }
  }
  return worst;
}

TEST(PixdecDibFromBuffer, GrayBecomesEightBitWithGrayTable) {
  const std::vector<uint8_t> picture = Picture(1);
  JpegEncodeOptions o;
  o.input = JCS_GRAYSCALE;
  Decoded d(EncodeJpeg(kWidth, kHeight, picture, o));
  ASSERT_NE(d.bmi(), nullptr);
  EXPECT_EQ(d.bmi()->biBitCount, 8);
  EXPECT_EQ(d.bmi()->biWidth, kWidth);
  EXPECT_EQ(d.bmi()->biHeight, kHeight);
  EXPECT_EQ(d.bmi()->biCompression, BI_RGB);
  EXPECT_EQ(BmiColorClass(d.bmi()), kDibGray);
  EXPECT_EQ(BmiColorTable(d.bmi())[200].rgbGreen, 200);
  EXPECT_LE(MaxDifference(d.bmi(), picture, 1, {0}), kTolerance);
}

TEST(PixdecDibFromBuffer, ColourBecomesBlueGreenRed) {
  const struct {
    const char* name;
    J_COLOR_SPACE stored;
    bool progressive;
  } cases[] = {
      {"ycbcr baseline", JCS_UNKNOWN, false},
      {"ycbcr progressive", JCS_UNKNOWN, true},
      {"rgb stored", JCS_RGB, false},
  };
  const std::vector<uint8_t> picture = Picture(3);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    JpegEncodeOptions o;
    o.stored = c.stored;
    o.progressive = c.progressive;
    Decoded d(EncodeJpeg(kWidth, kHeight, picture, o));
    ASSERT_NE(d.bmi(), nullptr);
    EXPECT_EQ(d.bmi()->biBitCount, 24);
    EXPECT_EQ(BmiColorClass(d.bmi()), kDibRgb);
    EXPECT_LE(MaxDifference(d.bmi(), picture, 3, {2, 1, 0}), kTolerance);
  }
}

TEST(PixdecDibFromBuffer, CmykIsMarkedAndAdobeInversionTurnedBack) {
  const std::vector<uint8_t> inks = Picture(4);
  std::vector<uint8_t> inverted(inks);
  for (uint8_t& v : inverted) {
    v = static_cast<uint8_t>(255 - v);
  }
  const struct {
    const char* name;
    J_COLOR_SPACE stored;
    bool adobe;
    const std::vector<uint8_t>* written;
  } cases[] = {
      // Producers that write the Adobe marker store 255 minus each ink.
      {"adobe cmyk", JCS_CMYK, true, &inverted},
      {"adobe ycck", JCS_YCCK, true, &inverted},
      {"plain cmyk", JCS_CMYK, false, &inks},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    JpegEncodeOptions o;
    o.input = JCS_CMYK;
    o.stored = c.stored;
    o.adobe_marker = c.adobe;
    Decoded d(EncodeJpeg(kWidth, kHeight, *c.written, o));
    ASSERT_NE(d.bmi(), nullptr);
    EXPECT_EQ(d.bmi()->biBitCount, 32);
    EXPECT_EQ(d.bmi()->biCompression, BI_CMYK);
    EXPECT_EQ(BmiColorClass(d.bmi()), kDibCmyk4);
    EXPECT_LE(MaxDifference(d.bmi(), inks, 4, {0, 1, 2, 3}), kTolerance);
  }
}

TEST(PixdecDibFromBuffer, JfifDensityBecomesResolution) {
  const struct {
    const char* name;
    bool jfif;
    int unit, x, y;
    int expect_x, expect_y;
  } cases[] = {
      {"dots per inch", true, 1, 300, 150, 11811, 5906},
      {"dots per cm", true, 2, 118, 40, 11800, 4000},
      {"aspect only", true, 0, 1, 1, 0, 0},
      {"no jfif", false, 1, 300, 300, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    JpegEncodeOptions o;
    o.input = JCS_GRAYSCALE;
    o.jfif = c.jfif;
    o.density_unit = c.unit;
    o.x_density = c.x;
    o.y_density = c.y;
    Decoded d(EncodeJpeg(kWidth, kHeight, Picture(1), o));
    ASSERT_NE(d.bmi(), nullptr);
    EXPECT_EQ(d.bmi()->biXPelsPerMeter, c.expect_x);
    EXPECT_EQ(d.bmi()->biYPelsPerMeter, c.expect_y);
  }
}

TEST(PixdecDibFromBuffer, FileWithoutEndMarkerStillDecodes) {
  std::vector<uint8_t> file = EncodeJpeg(kWidth, kHeight, Picture(3), JpegEncodeOptions{});
  ASSERT_EQ(file[file.size() - 2], 0xFF);
  ASSERT_EQ(file[file.size() - 1], 0xD9);
  file.resize(file.size() - 2);
  Decoded d(file);
  ASSERT_NE(d.bmi(), nullptr);
  EXPECT_LE(MaxDifference(d.bmi(), Picture(3), 3, {2, 1, 0}), kTolerance);
}

TEST(PixdecDibFromBuffer, EveryTruncationFails) {
  for (bool progressive : {false, true}) {
    JpegEncodeOptions o;
    o.progressive = progressive;
    o.quality = 90;
    const std::vector<uint8_t> file = EncodeJpeg(16, 16, Picture(3), o);
    const int live = DibLiveCount();
    int decoded = 0;
    for (size_t n = 1; n + 2 < file.size(); ++n) {
      HDIB h = PIXDEC_DibFromBuffer(file.data(), static_cast<int>(n));
      if (h != nullptr) {
        ++decoded;
        DibFree(h);
      }
    }
    EXPECT_EQ(decoded, 0) << "progressive=" << progressive;
    EXPECT_EQ(DibLiveCount(), live);
  }
}

TEST(PixdecDibFromBuffer, GarbageFails) {
  std::vector<uint8_t> noise(4096);
  uint32_t state = 12345;
  for (uint8_t& b : noise) {
    state = state * 1103515245 + 12345;
    b = static_cast<uint8_t>(state >> 24);
  }
  std::vector<uint8_t> bad_body = EncodeJpeg(kWidth, kHeight, Picture(3), JpegEncodeOptions{});
  std::fill(bad_body.begin() + 2, bad_body.begin() + 40, 0x55);  // headers overwritten
  std::vector<uint8_t> soi_only = {0xFF, 0xD8};
  std::vector<uint8_t> eoi_only = {0xFF, 0xD8, 0xFF, 0xD9};
  for (const std::vector<uint8_t>* data : {&noise, &bad_body, &soi_only, &eoi_only}) {
    EXPECT_EQ(PIXDEC_DibFromBuffer(data->data(), static_cast<int>(data->size())), nullptr);
  }
  EXPECT_EQ(PIXDEC_DibFromBuffer(nullptr, 100), nullptr);
  EXPECT_EQ(PIXDEC_DibFromBuffer(noise.data(), 0), nullptr);
  EXPECT_EQ(PIXDEC_DibFromBuffer(noise.data(), -5), nullptr);
}

TEST(PixdecDibFromBuffer, HugeDeclaredSizeFailsWithoutDecoding) {
  // A valid small file whose frame header claims 65000 x 65000 pixels.
  std::vector<uint8_t> file = EncodeJpeg(16, 16, Picture(3), JpegEncodeOptions{});
  for (size_t i = 0; i + 8 < file.size(); ++i) {
    if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) {
      file[i + 5] = 0xFD;  // height 0xFDE8
      file[i + 6] = 0xE8;
      file[i + 7] = 0xFD;  // width
      file[i + 8] = 0xE8;
      break;
    }
  }
  const int live = DibLiveCount();
  EXPECT_EQ(PIXDEC_DibFromBuffer(file.data(), static_cast<int>(file.size())), nullptr);
  EXPECT_EQ(DibLiveCount(), live);
}

}  // namespace

#include "dib/draw/dib_draw.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QRegion>

#include <string>
#include <vector>

#include "dib/dib.h"
#include "dib/dib_trace.h"

namespace {

constexpr QRgb kBackground = 0xFF123456;

// Builds a bitmap from top-down rows of raw bytes.
HDIB MakeDib(int depth, int kind, int width, const std::vector<std::vector<uint8_t>>& rows) {
  HDIB h = BmiCreateDib(depth, width, static_cast<int>(rows.size()), kind);
  auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(h));
  for (size_t r = 0; r < rows.size(); ++r) {
    uint8_t* p = BmiRowPtr(bmi, static_cast<int>(r));
    std::fill(p, p + BmiRowBytes(bmi), 0);
    std::copy(rows[r].begin(), rows[r].end(), p);
  }
  DibUnlock(h);
  return h;
}

struct Canvas {
  QImage image{16, 12, QImage::Format_RGB32};
  Canvas() { image.fill(kBackground); }
  QRgb At(int x, int y) const { return image.pixel(x, y) | 0xFF000000; }
  int CountChanged() const {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        n += At(x, y) != kBackground;
      }
    }
    return n;
  }
};

void Draw(Canvas& canvas, HDIB h, int left, int top, int width, int height, int sx = 0,
          int sy = 0) {
  QPainter painter(&canvas.image);
  DIB_DrawToDC(h, &painter, left, top, width, height, sx, sy);
}

TEST(DibDrawToDC, OwnSizeFormats) {
  struct Case {
    const char* name;
    HDIB dib;
    std::vector<QRgb> top, bottom;  // two pixels per row
  };
  const Case cases[] = {
      {"bgr24",
       MakeDib(24, kDibRgb, 2, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 10, 20, 30}}),
       {qRgb(255, 0, 0), qRgb(0, 255, 0)},
       {qRgb(0, 0, 255), qRgb(30, 20, 10)}},
      {"bgrx32",
       MakeDib(32, kDibRgb, 2, {{0, 0, 255, 0, 1, 2, 3, 0}, {9, 9, 9, 0, 0, 0, 0, 0}}),
       {qRgb(255, 0, 0), qRgb(3, 2, 1)},
       {qRgb(9, 9, 9), qRgb(0, 0, 0)}},
      {"bilevel",
       MakeDib(1, kDibBilevel, 2, {{0x80}, {0x40}}),
       {qRgb(255, 255, 255), qRgb(0, 0, 0)},
       {qRgb(0, 0, 0), qRgb(255, 255, 255)}},
      {"gray8",
       MakeDib(8, kDibGray, 2, {{17, 200}, {0, 255}}),
       {qRgb(17, 17, 17), qRgb(200, 200, 200)},
       {qRgb(0, 0, 0), qRgb(255, 255, 255)}},
      {"palette8",
       MakeDib(8, kDibPalette, 2, {{249, 252}, {7, 255}}),
       {qRgb(255, 0, 0), qRgb(0, 0, 255)},
       {qRgb(192, 192, 192), qRgb(255, 255, 255)}},
      {"palette4 converted",
       MakeDib(4, kDibPalette, 2, {{0x9C}, {0x1F}}),
       {qRgb(255, 0, 0), qRgb(0, 0, 255)},
       {qRgb(128, 0, 0), qRgb(255, 255, 255)}},
      {"cmyk32 converted",
       MakeDib(32, kDibCmyk4, 2, {{255, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 255, 0, 0, 200, 0}}),
       {qRgb(0, 255, 255), qRgb(255, 255, 255)},
       {qRgb(0, 0, 0), qRgb(255, 255, 55)}},
      {"gray16 converted",
       MakeDib(16, kDibGray, 2, {{0x80, 0x7F, 0xFF, 0x00}, {0x00, 0xFF, 0x40, 0x40}}),
       {qRgb(128, 128, 128), qRgb(255, 255, 255)},
       {qRgb(0, 0, 0), qRgb(64, 64, 64)}},
      {"rgb48 converted",
       MakeDib(48, kDibRgb, 2, {{0, 0, 0, 0, 0xFF, 0, 0x10, 1, 0x20, 2, 0x30, 3}, {}}),
       {qRgb(255, 0, 0), qRgb(0x30, 0x20, 0x10)},
       {qRgb(0, 0, 0), qRgb(0, 0, 0)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(c.dib, nullptr);
    const int live = DibLiveCount();
    Canvas canvas;
    Draw(canvas, c.dib, 3, 4, 2, 2);
    EXPECT_EQ(canvas.At(3, 4), c.top[0]);
    EXPECT_EQ(canvas.At(4, 4), c.top[1]);
    EXPECT_EQ(canvas.At(3, 5), c.bottom[0]);
    EXPECT_EQ(canvas.At(4, 5), c.bottom[1]);
    EXPECT_EQ(canvas.CountChanged() <= 4, true);
    EXPECT_EQ(canvas.At(2, 4), kBackground);
    EXPECT_EQ(canvas.At(5, 5), kBackground);
    EXPECT_EQ(canvas.At(3, 6), kBackground);
    EXPECT_EQ(DibLiveCount(), live);  // conversions are freed again
    EXPECT_EQ(DibLockCount(c.dib), 0);
    DibFree(c.dib);
  }
}

TEST(DibDrawToDC, StretchesToTheRectangle) {
  HDIB dib = MakeDib(24, kDibRgb, 2, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}});
  Canvas canvas;
  Draw(canvas, dib, 0, 0, 4, 4);
  const QRgb expect[2][2] = {{qRgb(255, 0, 0), qRgb(0, 255, 0)},
                             {qRgb(0, 0, 255), qRgb(255, 255, 255)}};
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(canvas.At(x, y), expect[y / 2][x / 2]) << x << "," << y;
    }
  }
  EXPECT_EQ(canvas.CountChanged(), 16);
  DibFree(dib);
}

TEST(DibDrawToDC, FollowsThePainterTransform) {
  HDIB dib = MakeDib(8, kDibGray, 1, {{10}, {20}, {30}});
  Canvas canvas;
  {
    QPainter painter(&canvas.image);
    painter.translate(5, -2);  // as a scrolled view does
    DIB_DrawToDC(dib, &painter, 1, 3, 1, 3, 0, 0);
  }
  EXPECT_EQ(canvas.At(6, 1), qRgb(10, 10, 10));
  EXPECT_EQ(canvas.At(6, 2), qRgb(20, 20, 20));
  EXPECT_EQ(canvas.At(6, 3), qRgb(30, 30, 30));
  EXPECT_EQ(canvas.CountChanged(), 3);
  DibFree(dib);
}

TEST(DibDrawToDC, SourceOriginSkipsRowsAndColumns) {
  HDIB dib = MakeDib(8, kDibGray, 3, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
  Canvas canvas;
  Draw(canvas, dib, 0, 0, 3, 3, 1, 1);
  EXPECT_EQ(canvas.At(0, 0), qRgb(5, 5, 5));
  EXPECT_EQ(canvas.At(1, 0), qRgb(6, 6, 6));
  EXPECT_EQ(canvas.At(0, 1), qRgb(8, 8, 8));
  EXPECT_EQ(canvas.At(1, 1), qRgb(9, 9, 9));
  DibFree(dib);
}

TEST(DibDrawToDC, BilevelAtHalfSizeIsAveragedToGray) {
  // 4 x 2 bilevel: left block all white, right block half white.
  HDIB dib = MakeDib(1, kDibBilevel, 4, {{0xE0}, {0xE0}});
  Canvas canvas;
  Draw(canvas, dib, 0, 0, 2, 1);
  EXPECT_EQ(canvas.At(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(canvas.At(1, 0), qRgb(128, 128, 128));
  EXPECT_EQ(canvas.CountChanged(), 2);
  // Just over half size keeps dropping pixels instead: only black or white.
  Canvas larger;
  Draw(larger, dib, 0, 0, 3, 2);
  for (int x = 0; x < 3; ++x) {
    const QRgb p = larger.At(x, 0);
    EXPECT_TRUE(p == qRgb(0, 0, 0) || p == qRgb(255, 255, 255)) << x;
  }
  DibFree(dib);
}

TEST(DibDrawToDC, NothingForEmptyNullOrInvisible) {
  HDIB empty_w = BmiCreateDib(24, -5, 3, kDibRgb);
  HDIB empty_h = BmiCreateDib(8, 3, 0, kDibGray);
  HDIB dib = MakeDib(24, kDibRgb, 1, {{1, 2, 3}});
  Canvas canvas;
  Draw(canvas, empty_w, 0, 0, 4, 4);
  Draw(canvas, empty_h, 0, 0, 4, 4);
  Draw(canvas, nullptr, 0, 0, 4, 4);
  Draw(canvas, dib, 0, 0, 0, 4);
  Draw(canvas, dib, 0, 0, 4, -1);
  Draw(canvas, dib, 100, 100, 4, 4);
  DIB_DrawToDC(dib, nullptr, 0, 0, 4, 4, 0, 0);
  EXPECT_EQ(canvas.CountChanged(), 0);
  DibFree(empty_w);
  DibFree(empty_h);
  DibFree(dib);
}

TEST(DibDrawToDC, DrawsIntoARecording) {
  // A recording has no extent yet; it still takes the picture, and replays it
  // after the bitmap is gone.
  HDIB dib = MakeDib(24, kDibRgb, 2, {{0, 0, 255, 0, 255, 0}});
  QPicture picture;
  {
    QPainter recorder(&picture);
    DIB_DrawToDC(dib, &recorder, 1, 1, 2, 1, 0, 0);
  }
  DibFree(dib);
  Canvas canvas;
  {
    QPainter painter(&canvas.image);
    painter.drawPicture(0, 0, picture);
  }
  EXPECT_EQ(canvas.At(1, 1), qRgb(255, 0, 0));
  EXPECT_EQ(canvas.At(2, 1), qRgb(0, 255, 0));
}

// The visibility test runs before any work: a picture outside the clip or the
// device is not reduced to gray (no trace of it), a visible one is.
class DrawTrace : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = ::testing::TempDir() + "dibdrawXXXXXX";
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    dir_ = templ;
    path_ = dir_ + "/pipe";
    ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0);
    reader_ = open(path_.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader_, 0);
    DibTraceConfigure(path_.c_str(), nullptr);
  }
  void TearDown() override {
    DibTraceConfigure(nullptr, nullptr);
    close(reader_);
    unlink(path_.c_str());
    rmdir(dir_.c_str());
  }
  std::string ReadAll() {
    std::string out;
    char buf[1024];
    ssize_t n;
    while ((n = read(reader_, buf, sizeof(buf))) > 0) {
      out.append(buf, static_cast<size_t>(n));
    }
    return out;
  }
  std::string dir_, path_;
  int reader_ = -1;
};

TEST_F(DrawTrace, InvisibleRectangleDoesNoWork) {
  HDIB dib = MakeDib(1, kDibBilevel, 8, {{0xFF}, {0xFF}, {0xFF}, {0xFF}});
  Canvas canvas;
  {
    QPainter painter(&canvas.image);
    painter.setClipRect(QRect(0, 0, 4, 4));
    DIB_DrawToDC(dib, &painter, 8, 0, 4, 2, 0, 0);  // inside the device, outside the clip
    DIB_DrawToDC(dib, &painter, -20, -20, 4, 2, 0, 0);
  }
  EXPECT_EQ(ReadAll().find("Scale to gray"), std::string::npos);
  EXPECT_EQ(canvas.CountChanged(), 0);
  Draw(canvas, dib, 8, 0, 4, 2);
  const std::string traced = ReadAll();
  EXPECT_NE(traced.find("DIB_ScaleToGray: ["), std::string::npos) << traced;
  EXPECT_NE(traced.find("Scale to gray 1/2\n"), std::string::npos) << traced;
  EXPECT_EQ(canvas.At(8, 0), qRgb(255, 255, 255));
  DibFree(dib);
}

}  // namespace

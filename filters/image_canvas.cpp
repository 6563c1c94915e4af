#include "filters/image_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "filters/image_bounds.h"
#include "pdf/prefault.h"

int ReductionStep(int64_t width, int64_t height, size_t max_pixels) {
  if (max_pixels == 0)
    max_pixels = 1;
  const double ratio = static_cast<double>(width) * height / static_cast<double>(max_pixels);
  int64_t step = ratio <= 1 ? 1 : static_cast<int64_t>(std::floor(std::sqrt(ratio)));
  step = std::max<int64_t>(step, 1);
  // The square root is close; the ceilings of the divisions decide.
  while (static_cast<size_t>((width + step - 1) / step) *
             static_cast<size_t>((height + step - 1) / step) >
         max_pixels) {
    ++step;
  }
  return static_cast<int>(std::min<int64_t>(step, kMaxImageSide));
}

void ApplyAlphaPlane(ImageCanvas* canvas, const std::vector<uint8_t>& plane, int plane_width,
                     int plane_height) {
  if (plane_width <= 0 || plane_height <= 0 ||
      plane.size() < static_cast<size_t>(plane_width) * plane_height) {
    return;
  }
  const int width = canvas->width();
  const int height = canvas->height();
  const bool had_alpha = !canvas->alpha.empty();
  if (!had_alpha)
    canvas->alpha.assign(static_cast<size_t>(width) * height, 255);
  // Nearest plane pixel for every canvas column, computed once.
  std::vector<int> columns(width);
  for (int x = 0; x < width; ++x)
    columns[x] = static_cast<int>(static_cast<int64_t>(x) * plane_width / width);
  for (int y = 0; y < height; ++y) {
    const int py = static_cast<int>(static_cast<int64_t>(y) * plane_height / height);
    const uint8_t* source = plane.data() + static_cast<size_t>(py) * plane_width;
    uint8_t* alpha = canvas->AlphaRow(y);
    for (int x = 0; x < width; ++x) {
      const uint8_t a = source[columns[x]];
      alpha[x] = had_alpha ? static_cast<uint8_t>((alpha[x] * a + 127) / 255) : a;
    }
  }
}

ImageCanvas::~ImageCanvas() {
  if (dib_ != nullptr) {
    DibUnlock(dib_);
    DibFree(dib_);
  }
}

bool ImageCanvas::Create(int width, int height) {
  dib_ = BmiCreateDib(24, width, height, kDibRgb);
  if (dib_ == nullptr)
    return false;
  bmi_ = static_cast<BITMAPINFOHEADER*>(DibLock(dib_));
  width_ = width;
  height_ = height;
  // The rows are written next: one call faults their pages in.
  pdf::PrefaultWrite(BmiBits(bmi_), static_cast<size_t>(BmiRowBytes(bmi_)) * height);
  return true;
}

void ImageCanvas::FillWhite(int from) {
  for (int y = std::max(from, 0); y < height_; ++y)
    std::memset(Row(y), 255, static_cast<size_t>(width_) * 3);
}

HDIB ImageCanvas::Finish() {
  if (dib_ == nullptr)
    return nullptr;
  const bool transparent = !alpha.empty();
  for (int y = 0; y < height_; ++y) {
    uint8_t* px = Row(y);
    const uint8_t* a = transparent ? AlphaRow(y) : nullptr;
    for (int x = 0; x < width_; ++x, px += 3) {
      if (a == nullptr || a[x] == 255) {
        std::swap(px[0], px[2]);
        continue;
      }
      // Light and white squares, as image editors show transparency.
      const int back = ((x / kCheckerSquare + y / kCheckerSquare) & 1) != 0 ? 204 : 255;
      const int opacity = a[x];
      const uint8_t r = px[0];
      const uint8_t g = px[1];
      const uint8_t b = px[2];
      px[0] = static_cast<uint8_t>((b * opacity + back * (255 - opacity) + 127) / 255);
      px[1] = static_cast<uint8_t>((g * opacity + back * (255 - opacity) + 127) / 255);
      px[2] = static_cast<uint8_t>((r * opacity + back * (255 - opacity) + 127) / 255);
    }
  }
  DibUnlock(dib_);
  HDIB dib = dib_;
  dib_ = nullptr;
  bmi_ = nullptr;
  return dib;
}

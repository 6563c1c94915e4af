#include "filters/image_canvas.h"

#include <algorithm>
#include <cmath>

#include "filters/image_bounds.h"

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
  const bool had_alpha = !canvas->alpha.empty();
  if (!had_alpha)
    canvas->alpha.assign(static_cast<size_t>(canvas->width) * canvas->height, 255);
  // Nearest plane pixel for every canvas column, computed once.
  std::vector<int> columns(canvas->width);
  for (int x = 0; x < canvas->width; ++x)
    columns[x] = static_cast<int>(static_cast<int64_t>(x) * plane_width / canvas->width);
  for (int y = 0; y < canvas->height; ++y) {
    const int py = static_cast<int>(static_cast<int64_t>(y) * plane_height / canvas->height);
    const uint8_t* source = plane.data() + static_cast<size_t>(py) * plane_width;
    uint8_t* alpha = canvas->AlphaRow(y);
    for (int x = 0; x < canvas->width; ++x) {
      const uint8_t a = source[columns[x]];
      alpha[x] = had_alpha ? static_cast<uint8_t>((alpha[x] * a + 127) / 255) : a;
    }
  }
}

HDIB CanvasToDib(const ImageCanvas& canvas) {
  HDIB dib = BmiCreateDib(24, canvas.width, canvas.height, kDibRgb);
  if (dib == nullptr)
    return nullptr;
  auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(dib));
  const bool transparent = !canvas.alpha.empty();
  for (int y = 0; y < canvas.height; ++y) {
    const uint8_t* rgb = canvas.rgb.data() + static_cast<size_t>(y) * canvas.width * 3;
    const uint8_t* alpha =
        transparent ? canvas.alpha.data() + static_cast<size_t>(y) * canvas.width : nullptr;
    uint8_t* out = BmiRowPtr(bmi, y);
    for (int x = 0; x < canvas.width; ++x, rgb += 3, out += 3) {
      if (alpha == nullptr || alpha[x] == 255) {
        out[0] = rgb[2];
        out[1] = rgb[1];
        out[2] = rgb[0];
        continue;
      }
      // Light and white squares, as image editors show transparency.
      const int back = ((x / kCheckerSquare + y / kCheckerSquare) & 1) != 0 ? 204 : 255;
      const int a = alpha[x];
      for (int c = 0; c < 3; ++c)
        out[c] = static_cast<uint8_t>((rgb[2 - c] * a + back * (255 - a) + 127) / 255);
    }
  }
  DibUnlock(dib);
  return dib;
}

// The choice between direct drawing, conversion and reduction to gray.
#include "dib/dib_display.h"

#include <algorithm>

namespace {

// Bilevel pictures drawn at this fraction of their size or less are averaged to
// gray, where dropping pixels would make text and lines break up.
constexpr double kScaleToGrayAt = 0.5;

bool DrawnAsIs(const BITMAPINFOHEADER* bmi) {
  const int cls = BmiColorClass(bmi);
  if (BmiBitsPerSample(bmi) > 8 || cls == kDibCmyk || cls == kDibCmyk4 ||
      bmi->biCompression == BI_BITFIELDS) {
    return false;
  }
  // The screen takes these layouts as they are; 4-bit and masked 16-bit rows
  // are converted.
  switch (bmi->biBitCount) {
    case 1:
    case 8:
    case 24:
    case 32:
      return true;
    default:
      return false;
  }
}

}  // namespace

DibDisplayRoute DibChooseDisplayRoute(const BITMAPINFOHEADER* bmi, double scale) {
  DibDisplayRoute route;
  if (!DrawnAsIs(bmi)) {
    route.step = DibDisplayStep::kConvert;
    route.kind = BmiColorClass(bmi) == kDibGray ? kDibGray : kDibRgb;
    return route;
  }
  if (bmi->biBitCount == 1 && scale > 0 && scale <= kScaleToGrayAt) {
    // Beyond the picture's larger side every factor gives the same single pixel.
    const double largest = std::max({2, bmi->biWidth, BmiHeightAbs(bmi)});
    route.step = DibDisplayStep::kScaleToGray;
    route.factor = static_cast<int>(std::min(1.0 / scale + 0.5, largest));
  }
  return route;
}

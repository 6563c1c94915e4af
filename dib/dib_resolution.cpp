// Resolution fields: dots per inch in, pixels per metre stored.
#include "dib/dib.h"

namespace {

constexpr double kInchesPerMetre = 39.37007874015748;
constexpr double kMetresPerInch = 0.0254;

int32_t ToPpm(double dpi) {
  const double ppm = dpi * kInchesPerMetre + 0.5;
  // Garbage resolutions from a file must not overflow the conversion.
  if (!(ppm > INT32_MIN && ppm < INT32_MAX)) {
    return 0;
  }
  return static_cast<int32_t>(ppm);
}

}  // namespace

void BmiSetResolution(BITMAPINFOHEADER* bmi, double xdpi, double ydpi) {
  bmi->biXPelsPerMeter = ToPpm(xdpi);
  bmi->biYPelsPerMeter = ToPpm(ydpi);
}

double BmiPpmToDpi(int ppm) {
  return ppm * kMetresPerInch;
}

// How drawing shows a bitmap: which formats go to the screen as they are, which
// are converted first, and when a bilevel picture is reduced to gray. Shared by
// the Qt drawing and the Qt-free RGB export so that both show the same pixels.
#pragma once

#include "dib/dib.h"

enum class DibDisplayStep {
  kDirect,       // 1, 8, 24 or 32 bits with 8-bit samples, drawn as they are
  kConvert,      // converted with DIB_ConvertToFormat to `kind` (default depth) first
  kScaleToGray,  // reduced with DIB_ScaleToGray by `factor` first
};

struct DibDisplayRoute {
  DibDisplayStep step = DibDisplayStep::kDirect;
  int kind = kDibRgb;
  int factor = 1;
};

// `scale` is the drawn size over the bitmap's own size (1 at its own size).
DibDisplayRoute DibChooseDisplayRoute(const BITMAPINFOHEADER* bmi, double scale);

// OpenJPEG's decoded components as JpxImage samples: every component at the
// picture's size and 8 bits, the colour ones interleaved, alpha apart, sYCC
// turned into RGB.
#pragma once

#include <openjpeg.h>

#include <string>

#include "filters/jpx.h"

// `image` decoded with `reduction` levels dropped. Fills the size, samples,
// alpha, space and profile of `out`; false with the reason for components that
// cannot be used.
bool ConvertJpxComponents(const opj_image_t& image, int reduction, JpxImage* out,
                          std::string* error);

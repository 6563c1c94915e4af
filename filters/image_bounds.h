// The bounds of modern mode's image drawing, in one place.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pdf/open_options.h"

using pdf::kDefaultImagePixelBound;

// Width and Height beyond this are no real picture (a 600 dpi page 28 km
// long); the bound keeps every product of sides, components and bits far
// inside 64-bit arithmetic.
inline constexpr int64_t kMaxImageSide = int64_t{1} << 24;

// The decoded samples of one image are held whole: beyond this a file only
// asks for memory it will not get.
inline constexpr size_t kMaxImageDataBytes = size_t{1} << 30;

// A Flate stream may carry a few bytes past the last row (producers pad);
// decoding stops this far beyond what the rows need.
inline constexpr size_t kImageDataSlack = size_t{64} << 10;

// The colour key mask array and Decode array have two numbers per component;
// DeviceN spaces have at most 32 components.
inline constexpr int kMaxImageComponents = 32;

// The checkerboard behind transparent parts: squares of this many pixels.
inline constexpr int kCheckerSquare = 8;

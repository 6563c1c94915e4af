// Samples through the Decode array and the colour space onto the canvas: the
// second half of modern mode's image drawing.
#pragma once

#include <string>
#include <vector>

#include "color/color_space.h"
#include "filters/image_canvas.h"
#include "filters/image_samples.h"

namespace pdf {
class Object;
}  // namespace pdf

// The Decode array for `components` components of `bits` bits: the image's own
// when it has two numbers per component, else `fallback` (with a line when the
// image's array was unusable).
std::vector<float> DecodeArray(pdf::Object* decode, int components,
                               const std::vector<float>& fallback, std::vector<std::string>* lines);

// Draws the samples, reduced by `step` in each direction, onto `canvas`
// (created here; false when its bitmap cannot be made). `color_key` is a Mask array of sample
// ranges (or any other object, ignored): pixels inside every range become transparent. Rows the
// data do not reach are white, with a line.
bool RenderColour(const ImageSamples& samples, const color::ColorSpace& space,
                  const std::vector<float>& decode, pdf::Object* color_key, int step,
                  ImageCanvas* canvas, std::vector<std::string>* lines);

// A 1-bit bitmap of a one-component picture of 1 bit, with the two colours
// its samples stand for: a scanned page takes a 24th of the memory of a
// 24-bit one, and its rows are copied, not converted. Null when the bitmap
// cannot be made.
HDIB BilevelDib(const ImageSamples& samples, const color::ColorSpace& space,
                const std::vector<float>& decode);

// One byte per pixel, reduced by `step`: 255 where a stencil paints (a sample
// that decodes to 0), 0 elsewhere; `invert` for Decode [1 0]. Rows the data
// do not reach do not paint.
std::vector<uint8_t> StencilPlane(const ImageSamples& samples, bool invert, int step, int* width,
                                  int* height);

// The gray levels of a one-component image through its Decode array, reduced
// by `step`, one byte per pixel.
std::vector<uint8_t> GrayPlane(const ImageSamples& samples, const std::vector<float>& decode,
                               int step, int* width, int* height);

// TIFF strips written by libtiff with Deflate compression and horizontal
// differencing (Predictor 2): the independent encoder for the TIFF predictor.
// A big-endian file keeps 16-bit samples big-endian, as PDF has them, so the raw
// strip is FlateDecode data with DecodeParms Predictor 2.
#pragma once

#include <cstdint>
#include <vector>

// The raw strip 0 of an image of `samples` components of `bits` (8 or 16) per
// pixel, written in one strip; empty when libtiff refuses. `rows`: packed rows,
// top first, 16-bit samples big-endian.
std::vector<uint8_t> TiffDeflatePredictorStrip(const std::vector<uint8_t>& rows, int width,
                                               int height, int bits, int samples);

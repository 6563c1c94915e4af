// JPEG pictures held in memory turned into bitmaps.
#pragma once

#include <cstdint>

#include "dib/dib.h"

// Decodes a complete JPEG file. Gray pictures become 8-bit bitmaps with a gray
// table, colour pictures 24-bit blue-green-red, CMYK pictures 32-bit bitmaps
// marked "CMYK"; the JFIF density, when given, becomes the resolution. Null for
// any failure (bad or truncated data, an unsupported variant, no memory). The
// data is only read, and not referenced after the call; the caller owns the result.
HDIB PIXDEC_DibFromBuffer(const uint8_t* data, int length);

// Colour tables that new bitmaps receive. Internal to the bitmap library.
#pragma once

#include "dib/dib.h"

// Entry i of n is the gray level i * 255 / (n - 1).
void DibFillGrayRamp(RGBQUAD* table, int entries);
// The built-in palette: all 256 entries for 8 bits; for 4 bits entries 0-7 and
// 248-255, the sixteen classic colours.
void DibFillBuiltinPalette(RGBQUAD* table, int bit_count);

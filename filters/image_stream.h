// Image streams turned into bitmaps: the image dictionary chooses the bitmap's
// depth and colour kind, the single Filter chooses the decoder (Flate, LZW, CCITT
// fax or JPEG), indexed colour spaces fill the colour table. Failures go to the
// error sink and give a null handle; a new handle belongs to the caller.
#pragma once

#include <cstdint>

#include "dib/dib.h"

namespace pdf {
class Object;
}  // namespace pdf

// BitsPerComponent comes from the file and is multiplied by up to 4. Beyond 48
// bits every requested depth becomes 24 when the bitmap is made, so capping here
// changes no result and keeps the products far from overflow.
inline constexpr int kMaxRequestedDepth = 64;

// The bitmap a colour space asks for; false when the colour space is none of
// DeviceGray, DeviceRGB, DeviceCMYK or an array.
struct ImageRequest {
  int kind = 0;   // DibColorKind
  int depth = 0;  // requested, before BmiCreateDib normalises it; 0 to kMaxRequestedDepth
};
bool ClassifyColorSpace(pdf::Object* color_space, int bits_per_component, ImageRequest* request);

// The whole conversion of an image stream; null when no bitmap could be made.
HDIB DibFromStream(pdf::Object* stream);

// Inflates the data straight into the bitmap's rows, one image row per inflate
// call, top row first. Returns the bytes inflated, or -1 ("flate decoding error")
// when the data are corrupt, too long or never end.
int FlateDecodeRows(const uint8_t* data, int length, BITMAPINFOHEADER* bmi);

// A new bitmap filled from LZW data whose rows are packed at the requested depth.
HDIB LzwDibFromData(int depth, int width, int height, int kind, const uint8_t* data, int length);

// A new bitmap filled from CCITT fax data; only K and BlackIs1 of `decode_parms`
// are read. Black is 0 in the result unless BlackIs1 is true.
HDIB CcittDibFromData(int depth, int width, int height, int kind, const uint8_t* data, int length,
                      pdf::Object* decode_parms);

// Fills the colour table from an [/Indexed /DeviceRGB hival lookup] colour space;
// anything else is reported and leaves the table alone.
void ApplyIndexedPalette(pdf::Object* color_space, BITMAPINFOHEADER* bmi);

// Sets every pixel byte, padding included, so that rows a decoder never reaches
// are the same on every run.
void ClearPixelArea(BITMAPINFOHEADER* bmi, uint8_t value);
// The clearing value for a bitmap of the kind: white for bilevel, else zero.
uint8_t BlankPixelByte(int kind);
// Sets every pixel byte that rows of `row_length` bytes, packed one per bitmap
// row from the top and `written` bytes in all, did not cover: what ClearPixelArea
// before the decoding would have left there, without writing the rest twice.
void ClearUnwritten(BITMAPINFOHEADER* bmi, uint8_t value, size_t row_length, size_t written);
// Exchanges the first and third sample of every pixel of a 24- or 48-bit bitmap,
// turning red-green-blue rows into the blue-green-red that bitmaps hold.
void ExchangeRedBlue(BITMAPINFOHEADER* bmi);
// The same for one row of `pixels` 24-bit pixels.
void ExchangeRedBlueRow(uint8_t* row, size_t pixels);

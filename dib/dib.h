// Device-independent bitmaps held as HDIB handles: a 40-byte BITMAPINFOHEADER,
// its colour table, then pixel rows padded to 4 bytes, stored bottom-up.
#pragma once

#include <cstddef>
#include <cstdint>

struct BITMAPINFOHEADER {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RGBQUAD {
  uint8_t rgbBlue;
  uint8_t rgbGreen;
  uint8_t rgbRed;
  uint8_t rgbReserved;
};

inline constexpr uint32_t BI_RGB = 0;
inline constexpr uint32_t BI_BITFIELDS = 3;
// The bytes C, M, Y, K in memory.
inline constexpr uint32_t BI_CMYK = 0x4B594D43;

// Colour kinds requested at creation (DibColorKind) and classes of BmiColorClass.
enum DibColorKind : int {
  kDibBilevel = 0,
  kDibGray = 1,
  kDibRgb = 2,
  kDibPalette = 3,
  kDibCmyk = 4,
  kDibCmyk4 = 5,
};

// ---- The movable-memory handle layer -------------------------------------------
// An HDIB is an opaque handle to a heap block with a lock count.
struct DibBlock;
using HDIB = DibBlock*;

HDIB DibHandleAlloc(size_t bytes);  // null on failure; contents not cleared
void* DibLock(HDIB handle);         // block address, null for a null handle
bool DibUnlock(HDIB handle);        // false when not locked
bool DibHandleFree(HDIB handle);    // false for a null handle
size_t DibHandleSize(HDIB handle);
int DibLockCount(HDIB handle);

// ---- Lower layer: locked header pointers, no tracing ---------------------------
HDIB BmiCreateDib(int depth, int width, int height, int kind);
bool DibFree(HDIB handle);
// Process-wide count of live bitmaps.
int DibLiveCount();

RGBQUAD* BmiColorTable(BITMAPINFOHEADER* bmi);
uint8_t* BmiBits(BITMAPINFOHEADER* bmi);
size_t BmiColorTableSize(const BITMAPINFOHEADER* bmi);  // bytes
int BmiRowBytes(const BITMAPINFOHEADER* bmi);
// Row 0 is the top row of the picture. Null when the row lies outside the picture.
uint8_t* BmiRowPtr(BITMAPINFOHEADER* bmi, int row);
int BmiHeightAbs(const BITMAPINFOHEADER* bmi);
// True when the header describes a bitmap this library can read and the header,
// colour table and pixel rows all lie within `block_bytes`.
bool BmiHeaderFits(const BITMAPINFOHEADER* bmi, size_t block_bytes);
void BmiSetResolution(BITMAPINFOHEADER* bmi, double xdpi, double ydpi);
double BmiPpmToDpi(int ppm);
void BmiNegate(BITMAPINFOHEADER* bmi);
void BmiFlipVertical(BITMAPINFOHEADER* bmi);
int BmiColorClass(const BITMAPINFOHEADER* bmi);
int BmiSamplesPerPixel(const BITMAPINFOHEADER* bmi);
int BmiBitsPerSample(const BITMAPINFOHEADER* bmi);

// The built-in 256-colour palette given to palette bitmaps.
const RGBQUAD* DibBuiltinPalette();

// ---- Upper layer: handles, traced on the library's trace channel ----------------
int DIB_GetWidth(HDIB handle);
int DIB_GetHeight(HDIB handle);
HDIB DIB_ConvertToFormat(HDIB handle, int kind, int depth);
HDIB DIB_ScaleToGray(HDIB handle, int factor);
void DIB_Free(HDIB handle);
// Traced creators: by depth (kind derived from it) and by kind and depth.
HDIB DIB_Allocate(int depth, int width, int height);
HDIB DIB_Create(int kind, int depth, int width, int height);
// A new bitmap holding the same bytes; null on failure.
HDIB DIB_Copy(HDIB handle);

// The library's own error record, set by the upper layer when it fails
// (kDibErrConvert with the operation's name). The viewer does not read it.
inline constexpr int kDibErrNone = 0;
inline constexpr int kDibErrConvert = 58;
int DibLastErrorCode();
const char* DibLastErrorWhere();

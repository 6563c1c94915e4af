// Sizes of a packed bitmap, computed in 64 bits so that no width, height or depth
// can wrap them. Internal to the bitmap library.
#pragma once

#include <cstdint>

#include "dib/dib.h"

// Largest bitmap block: its sizes land in the header's 32-bit signed fields and in
// the int row arithmetic of every caller.
inline constexpr uint64_t kDibMaxBlockBytes = INT32_MAX;

struct DibSizes {
  uint64_t table_bytes = 0;
  uint64_t row_bytes = 0;    // padded to 4 bytes
  uint64_t pixel_bytes = 0;  // row_bytes times the row count
  uint64_t total_bytes = 0;  // header, table and pixels
};

// Padded row size; 0 for a width or depth of 0 or less.
// One of the depths a bitmap is stored at: 1, 4, 8, 16, 24, 32 or 48.
bool DibStandardDepth(int bits);
uint64_t DibPaddedRowBytes(int64_t bit_count, int64_t width);
// Bytes that hold the samples of one row, without padding.
uint64_t DibUsedRowBytes(int64_t bit_count, int64_t width);
// False when the block would exceed kDibMaxBlockBytes.
bool DibComputeSizes(int bit_count, int width, int height_abs, uint64_t table_bytes,
                     DibSizes* sizes);

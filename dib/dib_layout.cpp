// Where the pieces of a packed bitmap lie: colour table, pixel rows, row addressing.
#include "dib/dib_layout.h"

#include <cstdlib>

namespace {

constexpr uint32_t kHeaderBytes = sizeof(BITMAPINFOHEADER);

}  // namespace

bool DibStandardDepth(int bits) {
  switch (bits) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
    case 48:
      return true;
    default:
      return false;
  }
}

uint64_t DibPaddedRowBytes(int64_t bit_count, int64_t width) {
  if (bit_count <= 0 || width <= 0) {
    return 0;
  }
  return (static_cast<uint64_t>(bit_count) * static_cast<uint64_t>(width) + 31) / 32 * 4;
}

uint64_t DibUsedRowBytes(int64_t bit_count, int64_t width) {
  if (bit_count <= 0 || width <= 0) {
    return 0;
  }
  return (static_cast<uint64_t>(bit_count) * static_cast<uint64_t>(width) + 7) / 8;
}

bool DibComputeSizes(int bit_count, int width, int height_abs, uint64_t table_bytes,
                     DibSizes* sizes) {
  DibSizes s;
  s.table_bytes = table_bytes;
  s.row_bytes = DibPaddedRowBytes(bit_count, width);
  const uint64_t rows = height_abs > 0 ? static_cast<uint64_t>(height_abs) : 0;
  // Both factors are below 2^32 (a row of INT32_MAX 48-bit pixels is about 2^38
  // bytes, refused below before it is multiplied), so the product cannot wrap.
  if (s.row_bytes > kDibMaxBlockBytes || table_bytes > kDibMaxBlockBytes) {
    return false;
  }
  s.pixel_bytes = s.row_bytes * rows;
  s.total_bytes = kHeaderBytes + s.table_bytes + s.pixel_bytes;
  if (s.total_bytes > kDibMaxBlockBytes) {
    return false;
  }
  *sizes = s;
  return true;
}

size_t BmiColorTableSize(const BITMAPINFOHEADER* bmi) {
  if (bmi->biCompression == BI_BITFIELDS) {
    return 3 * sizeof(uint32_t);
  }
  if (bmi->biClrUsed != 0) {
    return sizeof(RGBQUAD) * static_cast<size_t>(bmi->biClrUsed);
  }
  if (bmi->biBitCount <= 8) {
    return sizeof(RGBQUAD) << bmi->biBitCount;
  }
  return 0;
}

RGBQUAD* BmiColorTable(BITMAPINFOHEADER* bmi) {
  return reinterpret_cast<RGBQUAD*>(reinterpret_cast<uint8_t*>(bmi) + bmi->biSize);
}

uint8_t* BmiBits(BITMAPINFOHEADER* bmi) {
  return reinterpret_cast<uint8_t*>(bmi) + bmi->biSize + BmiColorTableSize(bmi);
}

int BmiRowBytes(const BITMAPINFOHEADER* bmi) {
  const uint64_t bytes = DibPaddedRowBytes(bmi->biBitCount, bmi->biWidth);
  return bytes > kDibMaxBlockBytes ? 0 : static_cast<int>(bytes);
}

int BmiHeightAbs(const BITMAPINFOHEADER* bmi) {
  const int64_t height = std::llabs(static_cast<int64_t>(bmi->biHeight));
  return height > INT32_MAX ? INT32_MAX : static_cast<int>(height);
}

uint8_t* BmiRowPtr(BITMAPINFOHEADER* bmi, int row) {
  const int rows = BmiHeightAbs(bmi);
  if (row < 0 || row >= rows) {
    return nullptr;
  }
  const int stored = bmi->biHeight > 0 ? rows - 1 - row : row;
  return BmiBits(bmi) + static_cast<size_t>(stored) * static_cast<size_t>(BmiRowBytes(bmi));
}

bool BmiHeaderFits(const BITMAPINFOHEADER* bmi, size_t block_bytes) {
  if (bmi == nullptr || block_bytes < kHeaderBytes || bmi->biSize != kHeaderBytes) {
    return false;
  }
  if (!DibStandardDepth(bmi->biBitCount) || bmi->biWidth < 0) {
    return false;
  }
  DibSizes sizes;
  if (!DibComputeSizes(bmi->biBitCount, bmi->biWidth, BmiHeightAbs(bmi), BmiColorTableSize(bmi),
                       &sizes)) {
    return false;
  }
  return sizes.total_bytes <= block_bytes;
}

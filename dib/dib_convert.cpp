// Format conversion: a new bitmap of another kind and depth, filled row by row.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "dib/dib.h"
#include "dib/dib_internal.h"
#include "dib/dib_layout.h"
#include "dib/dib_locked.h"
#include "dib/dib_row_decode.h"

namespace {

enum class Transform { kCopy, kToBgr24, kToBgrx32, kToGray8, kUnsupported };

Transform ChooseTransform(const BITMAPINFOHEADER* src, const BITMAPINFOHEADER* dst) {
  const int dst_class = BmiColorClass(dst);
  if (BmiColorClass(src) == dst_class && src->biBitCount == dst->biBitCount) {
    return Transform::kCopy;
  }
  if (dst_class == kDibRgb && dst->biBitCount == 24) {
    return Transform::kToBgr24;
  }
  if (dst_class == kDibRgb && dst->biBitCount == 32) {
    return Transform::kToBgrx32;
  }
  if (dst_class == kDibGray && dst->biBitCount == 8) {
    return Transform::kToGray8;
  }
  return Transform::kUnsupported;
}

// Same layout: the rows and the colour table (an indexed picture keeps its own
// colours, not the defaults of its kind) are taken over as they are.
void CopyRows(BITMAPINFOHEADER* src, BITMAPINFOHEADER* dst) {
  const size_t table = std::min(BmiColorTableSize(src), BmiColorTableSize(dst));
  std::memcpy(BmiColorTable(dst), BmiColorTable(src), table);
  const size_t used = static_cast<size_t>(DibUsedRowBytes(dst->biBitCount, dst->biWidth));
  const int64_t bits = static_cast<int64_t>(dst->biBitCount) * dst->biWidth;
  const int spare_bits = static_cast<int>(static_cast<int64_t>(used) * 8 - bits);
  const int rows = BmiHeightAbs(dst);
  if (used == 0) {
    return;  // rows without pixels, of which a bitmap of width 0 may have 2^31
  }
  for (int r = 0; r < rows; ++r) {
    uint8_t* out = BmiRowPtr(dst, r);
    std::memcpy(out, BmiRowPtr(src, r), used);
    if (used > 0 && spare_bits > 0) {
      out[used - 1] &= static_cast<uint8_t>(0xFF << spare_bits);
    }
  }
}

bool ConvertRows(BITMAPINFOHEADER* src, BITMAPINFOHEADER* dst) {
  if (src->biWidth != dst->biWidth || BmiHeightAbs(src) != BmiHeightAbs(dst)) {
    return false;
  }
  dst->biXPelsPerMeter = src->biXPelsPerMeter;
  dst->biYPelsPerMeter = src->biYPelsPerMeter;
  const Transform transform = ChooseTransform(src, dst);
  if (transform == Transform::kUnsupported) {
    return false;
  }
  if (transform == Transform::kCopy) {
    CopyRows(src, dst);
    return true;
  }
  DibRowDecoder decoder;
  if (!decoder.Init(src)) {
    return false;
  }
  const int width = src->biWidth;
  const int rows = BmiHeightAbs(src);
  if (width <= 0) {
    return true;  // rows without pixels, of which a bitmap may have 2^31
  }
  // One work row for the whole bitmap, never one per row, and none without rows
  // however wide the picture claims to be.
  const size_t work = rows > 0 ? static_cast<size_t>(width) : 0;
  std::unique_ptr<uint8_t[]> bgr(new (std::nothrow) uint8_t[work * 3 + 1]);
  if (!bgr) {
    return false;
  }
  for (int r = 0; r < rows; ++r) {
    decoder.DecodeBgr(BmiRowPtr(src, r), bgr.get());
    uint8_t* out = BmiRowPtr(dst, r);
    switch (transform) {
      case Transform::kToBgr24:
        std::memcpy(out, bgr.get(), static_cast<size_t>(width) * 3);
        break;
      case Transform::kToBgrx32:
        for (int x = 0; x < width; ++x) {
          std::memcpy(out + 4 * x, bgr.get() + 3 * x, 3);
          out[4 * x + 3] = 0;
        }
        break;
      case Transform::kToGray8:
        for (int x = 0; x < width; ++x) {
          out[x] = DibRowDecoder::Luma(bgr.get() + 3 * x);
        }
        break;
      default:
        break;
    }
  }
  return true;
}

HDIB Fail(HDIB partial) {
  DibFree(partial);
  DibSetError(kDibErrConvert, "DIB_ConvertToFormat");
  return nullptr;
}

}  // namespace

HDIB DIB_ConvertToFormat(HDIB handle, int kind, int depth) {
  DibLocked src(handle);
  if (!src) {
    return nullptr;
  }
  HDIB converted = BmiCreateDib(depth, src->biWidth, BmiHeightAbs(src.get()), kind);
  if (converted == nullptr) {
    return Fail(nullptr);
  }
  bool ok;
  {
    DibLocked dst(converted);
    ok = dst && ConvertRows(src.get(), dst.get());
  }
  return ok ? converted : Fail(converted);
}

// Creating and releasing bitmaps, and the process-wide count of live ones.
#include <cstring>

#include "dib/dib.h"
#include "dib/dib_internal.h"
#include "dib/dib_layout.h"
#include "dib/dib_palette.h"

namespace {

int g_live_bitmaps = 0;

constexpr uint32_t kGray16Mask = 0x0000FFFF;
// 5-6-5 masks for a 16-bit RGB bitmap: red, green, blue.
constexpr uint32_t kRgb565Masks[3] = {0xF800, 0x07E0, 0x001F};

int KindFromDepth(int depth) {
  switch (depth) {
    case 1:
      return kDibBilevel;
    case 4:
    case 8:
    case 16:
      return kDibGray;
    default:
      return kDibRgb;
  }
}

int DefaultDepth(int kind) {
  switch (kind) {
    case kDibBilevel:
      return 1;
    case kDibGray:
    case kDibPalette:
      return 8;
    case kDibCmyk4:
      return 32;
    default:
      return 24;
  }
}

int NormaliseDepth(int depth, int kind) {
  if (depth <= 0) {
    return DefaultDepth(kind);
  }
  switch (depth) {
    case 48:
    case 32:
    case 24:
    case 16:
    case 8:
    case 4:
    case 1:
      return depth;
    case 15:
      return 16;
    default:
      break;
  }
  if (depth > 8) {
    return 24;
  }
  return depth >= 5 ? 8 : 4;
}

void FillColorTable(BITMAPINFOHEADER* bmi, int kind, size_t table_bytes) {
  uint8_t* table = reinterpret_cast<uint8_t*>(BmiColorTable(bmi));
  // Tables the kind leaves unfilled are cleared, never left as stale heap bytes.
  std::memset(table, 0, table_bytes);
  const int depth = bmi->biBitCount;
  if (depth == 16) {
    uint32_t masks[3] = {kGray16Mask, kGray16Mask, kGray16Mask};
    if (kind != kDibGray) {
      std::memcpy(masks, kRgb565Masks, sizeof(masks));
    }
    std::memcpy(table, masks, sizeof(masks));
    return;
  }
  if (depth > 8) {
    return;
  }
  RGBQUAD* entries = BmiColorTable(bmi);
  switch (kind) {
    case kDibBilevel:
    case kDibGray:
      DibFillGrayRamp(entries, 1 << depth);
      break;
    case kDibPalette:
      if (depth == 1) {
        // A 1-bit indexed picture whose own palette cannot be read shows in black
        // and white rather than all black.
        DibFillGrayRamp(entries, 2);
      } else {
        DibFillBuiltinPalette(entries, depth);
      }
      break;
    default:
      break;
  }
}

}  // namespace

HDIB BmiCreateDib(int depth, int width, int height, int kind) {
  if (kind < 0) {
    kind = KindFromDepth(depth);
  }
  if (kind > kDibCmyk4) {
    return nullptr;
  }
  depth = NormaliseDepth(depth, kind);
  width = width > 0 ? width : 0;
  height = height > 0 ? height : 0;

  const size_t table_bytes = depth == 16 ? 12 : depth <= 8 ? (sizeof(RGBQUAD) << depth) : 0;
  DibSizes sizes;
  if (!DibComputeSizes(depth, width, height, table_bytes, &sizes)) {
    return nullptr;
  }
  HDIB handle = DibHandleAlloc(static_cast<size_t>(sizes.total_bytes));
  if (handle == nullptr) {
    return nullptr;
  }
  auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(handle));
  *bmi = BITMAPINFOHEADER{};
  bmi->biSize = sizeof(BITMAPINFOHEADER);
  bmi->biWidth = width;
  bmi->biHeight = height;
  bmi->biPlanes = 1;
  bmi->biBitCount = static_cast<uint16_t>(depth);
  bmi->biCompression = depth == 16 ? BI_BITFIELDS : BI_RGB;
  bmi->biSizeImage = static_cast<uint32_t>(sizes.pixel_bytes);
  FillColorTable(bmi, kind, table_bytes);
  if (kind == kDibCmyk || kind == kDibCmyk4) {
    bmi->biCompression = BI_CMYK;
  }
  DibUnlock(handle);
  DibCountNewBitmap();
  return handle;
}

bool DibFree(HDIB handle) {
  if (handle == nullptr) {
    return true;
  }
  if (!DibHandleFree(handle)) {
    return false;
  }
  --g_live_bitmaps;
  return g_live_bitmaps >= 0;
}

void DibCountNewBitmap() {
  ++g_live_bitmaps;
}

int DibLiveCount() {
  return g_live_bitmaps;
}

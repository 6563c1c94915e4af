// The traced upper layer: measuring, creating, copying and freeing by handle, and
// the library's own error record.
#include <cstring>

#include "dib/dib.h"
#include "dib/dib_internal.h"
#include "dib/dib_layout.h"
#include "dib/dib_locked.h"
#include "dib/dib_trace.h"

namespace {

int g_error_code = kDibErrNone;
const char* g_error_where = "";

// The trace names handles by the low 32 bits of their address.
unsigned HandleId(HDIB handle) {
  return static_cast<unsigned>(reinterpret_cast<uintptr_t>(handle));
}

const char* DepthNote(int depth) {
  if (depth == 15) {
    return " (using depth=16)";
  }
  return DibStandardDepth(depth) ? "" : " (odd depth, but OK...)";
}

}  // namespace

void DibSetError(int code, const char* where) {
  g_error_code = code;
  g_error_where = where;
}

int DibLastErrorCode() {
  return g_error_code;
}

const char* DibLastErrorWhere() {
  return g_error_where;
}

int DIB_GetWidth(HDIB handle) {
  DibLocked bmi(handle);
  return bmi ? bmi->biWidth : 0;
}

int DIB_GetHeight(HDIB handle) {
  DibLocked bmi(handle);
  return bmi ? BmiHeightAbs(bmi.get()) : 0;
}

HDIB DIB_Allocate(int depth, int width, int height) {
  DibTrace("DIB_Allocate(%d, %d, %d)%s\n", depth, width, height, DepthNote(depth));
  DibTraceFlush();
  return BmiCreateDib(depth, width, height, -1);
}

HDIB DIB_Create(int kind, int depth, int width, int height) {
  DibTrace("DIB_Create(%d, %d, %d, %d)%s\n", kind, depth, width, height, DepthNote(depth));
  DibTraceFlush();
  return BmiCreateDib(depth, width, height, kind);
}

HDIB DIB_Copy(HDIB handle) {
  DibLocked source(handle);
  if (!source) {
    return nullptr;
  }
  const size_t bytes = DibHandleSize(handle);
  HDIB copy = DibHandleAlloc(bytes);
  if (copy == nullptr) {
    return nullptr;
  }
  std::memcpy(DibLock(copy), source.get(), bytes);
  DibUnlock(copy);
  DibCountNewBitmap();
  return copy;
}

void DIB_Free(HDIB handle) {
  DibTrace("DIB_");
  DibTrace("Free(%08x) ", HandleId(handle));
  if (handle == nullptr) {
    DibTrace("** NULL HANDLE ");
  } else if (DibLock(handle) != nullptr) {
    DibUnlock(handle);
    if (!DibFree(handle)) {
      DibTrace("** DibFree Error\n");
    }
  }
  DibTraceFlush();
}

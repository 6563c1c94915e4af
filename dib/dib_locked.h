// Scoped lock of a bitmap handle for the upper layer: gives the header only when
// the block really holds a bitmap this library can read.
#pragma once

#include "dib/dib.h"

class DibLocked {
 public:
  explicit DibLocked(HDIB handle) : handle_(handle) {
    auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(handle));
    if (bmi == nullptr) {
      handle_ = nullptr;
      return;
    }
    if (BmiHeaderFits(bmi, DibHandleSize(handle))) {
      bmi_ = bmi;
    }
  }
  ~DibLocked() {
    if (handle_ != nullptr) {
      DibUnlock(handle_);
    }
  }
  DibLocked(const DibLocked&) = delete;
  DibLocked& operator=(const DibLocked&) = delete;

  // Null for a null, stale or malformed handle.
  BITMAPINFOHEADER* get() const { return bmi_; }
  BITMAPINFOHEADER* operator->() const { return bmi_; }
  explicit operator bool() const { return bmi_ != nullptr; }

 private:
  HDIB handle_;
  BITMAPINFOHEADER* bmi_ = nullptr;
};

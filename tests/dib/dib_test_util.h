// Small helpers shared by the bitmap tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "dib/dib.h"

// Owns a bitmap for the test and keeps it locked while in scope.
class TestDib {
 public:
  TestDib(int depth, int width, int height, int kind)
      : TestDib(BmiCreateDib(depth, width, height, kind)) {}
  explicit TestDib(HDIB handle) : handle_(handle) {
    if (handle_ != nullptr) {
      bmi_ = static_cast<BITMAPINFOHEADER*>(DibLock(handle_));
    }
  }
  ~TestDib() {
    if (handle_ != nullptr) {
      DibUnlock(handle_);
      DibFree(handle_);
    }
  }
  TestDib(const TestDib&) = delete;
  TestDib& operator=(const TestDib&) = delete;

  HDIB handle() const { return handle_; }
  BITMAPINFOHEADER* bmi() const { return bmi_; }
  BITMAPINFOHEADER* operator->() const { return bmi_; }
  explicit operator bool() const { return bmi_ != nullptr; }

  // Fills image row `row` (0 = top) with `bytes`, padding with zeros.
  void SetRow(int row, const std::vector<uint8_t>& bytes) {
    uint8_t* p = BmiRowPtr(bmi_, row);
    ASSERT_NE(p, nullptr);
    ASSERT_LE(bytes.size(), static_cast<size_t>(BmiRowBytes(bmi_)));
    std::memset(p, 0, BmiRowBytes(bmi_));
    std::memcpy(p, bytes.data(), bytes.size());
  }
  std::vector<uint8_t> Row(int row, size_t count) const {
    const uint8_t* p = BmiRowPtr(bmi_, row);
    return std::vector<uint8_t>(p, p + count);
  }
  void SetMasks(uint32_t r, uint32_t g, uint32_t b) {
    const uint32_t masks[3] = {r, g, b};
    std::memcpy(BmiColorTable(bmi_), masks, sizeof(masks));
  }

 private:
  HDIB handle_ = nullptr;
  BITMAPINFOHEADER* bmi_ = nullptr;
};

inline RGBQUAD Quad(int r, int g, int b) {
  return RGBQUAD{static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r), 0};
}

inline bool SameColor(const RGBQUAD& a, const RGBQUAD& b) {
  return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue &&
         a.rgbReserved == b.rgbReserved;
}

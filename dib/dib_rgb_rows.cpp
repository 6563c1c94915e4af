// RGB export rows over the display route and the shared row decoder.
#include "dib/dib_rgb_rows.h"

#include <new>

#include "dib/dib_display.h"
#include "dib/dib_row_decode.h"

DibRgbRows::DibRgbRows(HDIB handle, int channels) : channels_(channels == 4 ? 4 : 3) {
  auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(handle));
  if (bmi == nullptr) {
    return;
  }
  if (!BmiHeaderFits(bmi, DibHandleSize(handle))) {
    DibUnlock(handle);
    return;
  }
  HDIB source = handle;
  const DibDisplayRoute route = DibChooseDisplayRoute(bmi, /*scale=*/1.0);
  if (route.step == DibDisplayStep::kConvert) {
    converted_ = DIB_ConvertToFormat(handle, route.kind, /*depth=*/0);
    DibUnlock(handle);
    if (converted_ == nullptr) {
      return;
    }
    source = converted_;
    bmi = static_cast<BITMAPINFOHEADER*>(DibLock(source));
  }
  locked_ = source;
  width_ = bmi->biWidth;
  height_ = BmiHeightAbs(bmi);
  // A picture without rows needs no row buffers, however wide it claims to be
  // (an image with Width 2^31 and no Height asks for 14 GB of them otherwise).
  const size_t pixels = height_ > 0 ? static_cast<size_t>(width_) : 0;
  decoder_.reset(new (std::nothrow) DibRowDecoder);
  bgr_.reset(new (std::nothrow) uint8_t[pixels * 3 + 1]);
  out_.reset(new (std::nothrow) uint8_t[pixels * 4 + 1]);
  if (decoder_ && bgr_ && out_ && decoder_->Init(bmi)) {
    bmi_ = bmi;
  }
}

DibRgbRows::~DibRgbRows() {
  if (locked_ != nullptr) {
    DibUnlock(locked_);
  }
  DibFree(converted_);
}

const uint8_t* DibRgbRows::Row(int y) {
  if (bmi_ == nullptr || y < 0 || y >= height_) {
    return nullptr;
  }
  decoder_->DecodeBgr(BmiRowPtr(bmi_, y), bgr_.get());
  for (int x = 0; x < width_; ++x) {
    uint8_t* px = out_.get() + static_cast<size_t>(x) * channels_;
    px[0] = bgr_[3 * x + 2];
    px[1] = bgr_[3 * x + 1];
    px[2] = bgr_[3 * x];
    if (channels_ == 4) {
      px[3] = 255;
    }
  }
  return out_.get();
}

// PIXDEC_DibFromBuffer: one libjpeg decompression straight into bitmap rows.
#include "jpeg/pixdec.h"

#include <csetjmp>

#include "jpeg/jpeg_guard.h"

namespace {

// JFIF density units.
constexpr int kDensityPerInch = 1;
constexpr int kDensityPerCm = 2;
constexpr double kCmPerInch = 2.54;

struct Decode {
  jpeg_decompress_struct cinfo{};
  JpegGuard guard{};
  HDIB dib = nullptr;
  BITMAPINFOHEADER* bmi = nullptr;
};

// Output format for the picture's colour space; false for variants not shown.
bool ChooseOutput(jpeg_decompress_struct* cinfo, int* kind, int* depth) {
  switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
      cinfo->out_color_space = JCS_GRAYSCALE;
      *kind = kDibGray;
      *depth = 8;
      return true;
    case JCS_YCbCr:
    case JCS_RGB:
      cinfo->out_color_space = JCS_EXT_BGR;
      *kind = kDibRgb;
      *depth = 24;
      return true;
    case JCS_CMYK:
    case JCS_YCCK:
      cinfo->out_color_space = JCS_CMYK;
      *kind = kDibCmyk4;
      *depth = 32;
      return true;
    default:
      return false;
  }
}

void StoreDensity(const jpeg_decompress_struct* cinfo, BITMAPINFOHEADER* bmi) {
  if (!cinfo->saw_JFIF_marker) {
    return;
  }
  double per_inch = 0;
  if (cinfo->density_unit == kDensityPerInch) {
    per_inch = 1;
  } else if (cinfo->density_unit == kDensityPerCm) {
    per_inch = kCmPerInch;
  } else {
    return;  // an aspect ratio only
  }
  BmiSetResolution(bmi, cinfo->X_density * per_inch, cinfo->Y_density * per_inch);
}

// Inverted CMYK: producers that write the Adobe marker store 255 minus each ink.
void RestoreInks(BITMAPINFOHEADER* bmi) {
  BmiNegate(bmi);
}

// Everything between the first and the last libjpeg call; false on any failure.
// A libjpeg error jumps back here, so nothing with a destructor lives in this frame.
bool Run(Decode* d, const uint8_t* data, int length) {
  if (setjmp(d->guard.jump) != 0) {
    return false;
  }
  jpeg_create_decompress(&d->cinfo);
  JpegGuardLimit(&d->guard, &d->cinfo);
  jpeg_mem_src(&d->cinfo, data, static_cast<unsigned long>(length));
  if (jpeg_read_header(&d->cinfo, TRUE) != JPEG_HEADER_OK) {
    return false;
  }
  d->guard.end_marker_may_be_missing = !jpeg_has_multiple_scans(&d->cinfo);
  int kind = 0;
  int depth = 0;
  if (!ChooseOutput(&d->cinfo, &kind, &depth)) {
    return false;
  }
  jpeg_calc_output_dimensions(&d->cinfo);
  const JDIMENSION width = d->cinfo.output_width;
  const JDIMENSION height = d->cinfo.output_height;
  if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) {
    return false;
  }
  // The bitmap first: a picture too large for one is refused before libjpeg
  // allocates anything for it.
  d->dib = BmiCreateDib(depth, static_cast<int>(width), static_cast<int>(height), kind);
  if (d->dib == nullptr) {
    return false;
  }
  d->bmi = static_cast<BITMAPINFOHEADER*>(DibLock(d->dib));
  jpeg_start_decompress(&d->cinfo);
  if (d->cinfo.output_width != width || d->cinfo.output_height != height ||
      d->cinfo.output_components * 8 != depth) {
    return false;
  }
  while (d->cinfo.output_scanline < height) {
    JSAMPROW row = BmiRowPtr(d->bmi, static_cast<int>(d->cinfo.output_scanline));
    if (jpeg_read_scanlines(&d->cinfo, &row, 1) != 1) {
      return false;
    }
  }
  jpeg_finish_decompress(&d->cinfo);
  if (kind == kDibCmyk4 && d->cinfo.saw_Adobe_marker) {
    RestoreInks(d->bmi);
  }
  StoreDensity(&d->cinfo, d->bmi);
  return true;
}

}  // namespace

HDIB PIXDEC_DibFromBuffer(const uint8_t* data, int length) {
  if (data == nullptr || length <= 0) {
    return nullptr;
  }
  Decode d;
  JpegGuardInstall(&d.guard, &d.cinfo);
  const bool ok = Run(&d, data, length);
  jpeg_destroy_decompress(&d.cinfo);
  if (d.bmi != nullptr) {
    DibUnlock(d.dib);
  }
  if (!ok) {
    DibFree(d.dib);
    return nullptr;
  }
  return d.dib;
}

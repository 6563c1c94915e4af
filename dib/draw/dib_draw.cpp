// DIB_DrawToDC: visibility, the display route, and a QImage over the bitmap's rows.
#include "dib/draw/dib_draw.h"

#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <QTransform>
#include <QVector>
#include <algorithm>

#include "dib/dib_display.h"
#include "dib/dib_locked.h"
#include "dib/dib_trace.h"

namespace {

bool RectVisible(QPainter* painter, const QRect& rect) {
  if (rect.isEmpty()) {
    return false;
  }
  const QPaintDevice* device = painter->device();
  if (device == nullptr) {
    return false;
  }
  // A recording (QPicture) has no extent of its own yet: nothing to test against.
  const QRectF device_rect(0, 0, device->width(), device->height());
  const QRectF on_device = painter->combinedTransform().mapRect(QRectF(rect));
  if (!device_rect.isEmpty() && !on_device.intersects(device_rect)) {
    return false;
  }
  return !painter->hasClipping() || painter->clipRegion().intersects(rect);
}

QImage::Format ImageFormat(int bit_count) {
  switch (bit_count) {
    case 1:
      return QImage::Format_Mono;  // most significant bit first, as in the rows
    case 8:
      return QImage::Format_Indexed8;
    case 24:
      return QImage::Format_BGR888;
    case 32:
      return QImage::Format_RGB32;  // blue, green, red, unused in memory
    default:
      return QImage::Format_Invalid;
  }
}

// An image over the stored rows, in storage order (no copy).
QImage ImageOverRows(BITMAPINFOHEADER* bmi) {
  const QImage::Format format = ImageFormat(bmi->biBitCount);
  if (format == QImage::Format_Invalid) {
    return QImage();
  }
  QImage image(BmiBits(bmi), bmi->biWidth, BmiHeightAbs(bmi), BmiRowBytes(bmi), format);
  if (bmi->biBitCount <= 8) {
    // Full table, so that no pixel value indexes past it; missing entries are black.
    const int entries = 1 << bmi->biBitCount;
    const size_t stored = BmiColorTableSize(bmi) / sizeof(RGBQUAD);
    const RGBQUAD* table = BmiColorTable(bmi);
    QVector<QRgb> colors(entries, qRgb(0, 0, 0));
    for (int i = 0; i < entries && static_cast<size_t>(i) < stored; ++i) {
      colors[i] = qRgb(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue);
    }
    image.setColorTable(colors);
  }
  return image;
}

void DrawDirect(BITMAPINFOHEADER* bmi, QPainter* painter, const QRect& target, int src_left,
                int src_top) {
  QImage image = ImageOverRows(bmi);
  if (image.isNull()) {
    return;
  }
  // Printing and recorded painting may keep the image beyond this call; they get
  // their own copy of the rows, the screen paints straight from the bitmap.
  const QPaintEngine* engine = painter->paintEngine();
  if (engine == nullptr || engine->type() != QPaintEngine::Raster) {
    image = image.copy();
  }
  const int width = bmi->biWidth;
  const int height = BmiHeightAbs(bmi);
  if (bmi->biHeight < 0) {
    painter->drawImage(QRectF(target), image, QRectF(src_left, src_top, width, height));
    return;
  }
  // Bottom-up rows: draw the stored order mirrored within the target, so the
  // rows are shown without copying them.
  painter->save();
  painter->translate(0, 2.0 * target.top() + target.height());
  painter->scale(1, -1);
  painter->drawImage(QRectF(target), image, QRectF(src_left, -src_top, width, height));
  painter->restore();
}

}  // namespace

void DIB_DrawToDC(HDIB handle, QPainter* painter, int left, int top, int width, int height,
                  int src_left, int src_top) {
  if (painter == nullptr || !painter->isActive()) {
    return;
  }
  DibLocked bmi(handle);
  if (!bmi || bmi->biWidth == 0 || bmi->biHeight == 0) {
    return;
  }
  const QRect target(left, top, width, height);
  if (!RectVisible(painter, target)) {
    return;
  }
  const double scale = std::min(static_cast<double>(width) / bmi->biWidth,
                                static_cast<double>(height) / BmiHeightAbs(bmi.get()));
  const DibDisplayRoute route = DibChooseDisplayRoute(bmi.get(), scale);
  switch (route.step) {
    case DibDisplayStep::kConvert: {
      HDIB converted = DIB_ConvertToFormat(handle, route.kind, /*depth=*/0);
      if (converted != nullptr) {
        DIB_DrawToDC(converted, painter, left, top, width, height, src_left, src_top);
        DIB_Free(converted);
      }
      break;
    }
    case DibDisplayStep::kScaleToGray: {
      HDIB gray = DIB_ScaleToGray(handle, route.factor);
      DibTrace("Scale to gray 1/%d\n", route.factor);
      if (gray != nullptr) {
        // The source origin is counted in the reduced picture's pixels.
        DIB_DrawToDC(gray, painter, left, top, width, height, src_left / route.factor,
                     src_top / route.factor);
        DIB_Free(gray);
      }
      break;
    }
    case DibDisplayStep::kDirect:
      DrawDirect(bmi.get(), painter, target, src_left, src_top);
      break;
  }
  DibTraceFlush();
}

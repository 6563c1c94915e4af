// An image stream's dictionary and data turned into a bitmap: colour space
// classification, the one decoder its Filter names, the colour table of indexed
// images, the diagnostic dump and the resolution.
#include "filters/image_stream.h"

#include "diag/messages.h"
#include "jpeg/pixdec.h"
#include "pdf/object.h"
#include "pdf/token.h"

namespace {

// The entries read from the image dictionary.
struct ImageEntries {
  int width = 0;
  int height = 0;
  pdf::Object* resolution = nullptr;
  int bits_per_component = 0;
  pdf::Object* filter = nullptr;
  pdf::Object* decode_parms = nullptr;
  pdf::Object* color_space = nullptr;
};

ImageEntries ReadEntries(pdf::Object* stream) {
  ImageEntries e;
  e.width = stream->Get("Width")->IntValue();
  e.height = stream->Get("Height")->IntValue();
  e.resolution = stream->Get("Resolution");
  e.bits_per_component = stream->Get("BitsPerComponent")->IntValue();
  e.filter = stream->Get("Filter");
  e.decode_parms = stream->Get("DecodeParms");
  e.color_space = stream->Get("ColorSpace");
  return e;
}

HDIB FlateDib(const ImageRequest& request, const ImageEntries& e, const uint8_t* data, int length) {
  HDIB dib = BmiCreateDib(request.depth, e.width, e.height, request.kind);
  if (dib == nullptr) {
    ErrorMessage("PDF BmiCreateDib failed.");
    return nullptr;
  }
  auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(dib));
  const int inflated = FlateDecodeRows(data, length, bmi);
  if (inflated >= 1) {
    // Padding and the rows the data did not reach, as if cleared beforehand.
    const int64_t width = bmi->biWidth > 0 ? bmi->biWidth : 0;
    const auto row_length = static_cast<size_t>((bmi->biBitCount * width + 7) / 8);
    ClearUnwritten(bmi, BlankPixelByte(request.kind), row_length, static_cast<size_t>(inflated));
  }
  DibUnlock(dib);
  if (inflated < 1) {
    DibFree(dib);
    return nullptr;
  }
  return dib;
}

// The decoder the Filter names, tested in this order; a filter array is refused.
HDIB Decode(const ImageRequest& request, const ImageEntries& e, const uint8_t* data, int length) {
  pdf::Object* filter = e.filter;
  if (filter->IsName("DCTDecode")) {
    HDIB dib = PIXDEC_DibFromBuffer(data, length);
    if (dib == nullptr) {
      ErrorMessage("PDF JPEG decode failed.");
    }
    return dib;
  }
  if (filter->IsName("FlateDecode")) {
    return FlateDib(request, e, data, length);
  }
  if (filter->IsName("CCITTFaxDecode")) {
    return CcittDibFromData(request.depth, e.width, e.height, request.kind, data, length,
                            e.decode_parms);
  }
  if (filter->IsName("LZWDecode")) {
    return LzwDibFromData(request.depth, e.width, e.height, request.kind, data, length);
  }
  ErrorMessage("can't decode /Filter %s", filter->Text());
  return nullptr;
}

void TraceHeader(BITMAPINFOHEADER* bmi) {
  TraceMessage(
      "..DibFromStream:\n"
      "    Width:       %d\n"
      "    Height:      %d\n"
      "    Bitcount:    %d\n"
      "    Compression: %d\n"
      "    XPPM:        %d (%g dpi)\n"
      "    YPPM:        %d (%g dpi)\n"
      "    ClrUsed:     %d\n",
      bmi->biWidth, bmi->biHeight, bmi->biBitCount, static_cast<int>(bmi->biCompression),
      bmi->biXPelsPerMeter, BmiPpmToDpi(bmi->biXPelsPerMeter), bmi->biYPelsPerMeter,
      BmiPpmToDpi(bmi->biYPelsPerMeter), static_cast<int>(bmi->biClrUsed));
}

// Resolution replaces whatever the decoder stored: a picture without it ends
// with both resolutions 0, JPEG pictures with a density included.
void StoreResolution(pdf::Object* resolution, BITMAPINFOHEADER* bmi) {
  double xdpi = 0;
  double ydpi = 0;
  if (resolution->IsArray() && resolution->Count() == 2) {
    xdpi = resolution->Item(0)->RealValue();
    ydpi = resolution->Item(1)->RealValue();
  }
  TraceMessage("Restore resolution: %0.3f x %0.3f DPI\n", xdpi, ydpi);
  BmiSetResolution(bmi, xdpi, ydpi);
}

}  // namespace

HDIB DibFromStream(pdf::Object* stream) {
  // The raw, still encoded bytes, in place in the mapped file.
  pdf::Token raw;
  stream->GetStreamData(raw);
  const auto* data = reinterpret_cast<const uint8_t*>(raw.text);
  const int length = data != nullptr && raw.length > 0 ? raw.length : 0;

  const ImageEntries e = ReadEntries(stream);
  ImageRequest request;
  if (!ClassifyColorSpace(e.color_space, e.bits_per_component, &request)) {
    ErrorMessage("can't get image, colorspace=%s", e.color_space->Text());
    return nullptr;
  }
  HDIB dib = Decode(request, e, data, length);
  if (dib == nullptr) {
    return nullptr;
  }
  auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(dib));
  // PDF samples come red first; the JPEG library already gives blue, green, red,
  // and the fax decoder writes only 1-bit rows.
  if (request.kind == kDibRgb &&
      (e.filter->IsName("FlateDecode") || e.filter->IsName("LZWDecode"))) {
    ExchangeRedBlue(bmi);
  }
  if (request.kind == kDibPalette) {
    ApplyIndexedPalette(e.color_space, bmi);
  }
  TraceHeader(bmi);
  StoreResolution(e.resolution, bmi);
  DibUnlock(dib);
  return dib;
}

HDIB pdf::Dictionary::ToDib() {
  return DibFromStream(this);
}

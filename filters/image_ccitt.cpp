// CCITTFaxDecode image data decoded into a 1-bit bitmap.
#include "diag/messages.h"
#include "filters/fax_decoder.h"
#include "filters/image_stream.h"
#include "pdf/object.h"

HDIB CcittDibFromData(int depth, int width, int height, int kind, const uint8_t* data, int length,
                      pdf::Object* decode_parms) {
  HDIB dib = BmiCreateDib(depth, width, height, kind);
  if (dib == nullptr) {
    ErrorMessage("PDF BmiCreateDib failed.");
    return nullptr;
  }
  auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(dib));
  // Each parameter counts only with the right kind; Columns, Rows, EncodedByteAlign
  // and the rest are not applied: the image's own Width and Height rule.
  pdf::Object* k_entry = decode_parms->Get("K");
  const int k = k_entry->IsNumber() ? k_entry->IntValue() : 0;
  pdf::Object* black_entry = decode_parms->Get("BlackIs1");
  const bool black_is_1 = black_entry->IsBoolean() ? black_entry->BoolValue() : false;

  // The decoder writes 1 for black, so 0 is its white: rows it never reaches
  // (after a Group 3 stop) then look like decoded white lines once the
  // inversion below has run.
  ClearPixelArea(bmi, 0x00);
  CcittDecode(data, data != nullptr && length > 0 ? length : 0, bmi, k);
  if (!black_is_1) {
    BmiNegate(bmi);  // black becomes 0, black in the bilevel colour table
  }
  DibUnlock(dib);
  return dib;
}

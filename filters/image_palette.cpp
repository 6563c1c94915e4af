// The colour table of an indexed image, from its [/Indexed /DeviceRGB hival
// lookup] colour space.
#include <algorithm>

#include "diag/messages.h"
#include "filters/image_stream.h"
#include "pdf/object.h"
#include "pdf/token.h"

namespace {

constexpr int kLookupBytesPerEntry = 3;  // red, green, blue

bool IsIndexedRgb(pdf::Object* color_space) {
  return color_space->IsArray() && color_space->Count() == 4 &&
         color_space->Item(0)->IsName("Indexed") && color_space->Item(1)->IsName("DeviceRGB") &&
         color_space->Item(2)->IsNumber() && color_space->Item(3)->IsStream();
}

// RGBQUAD entries the bitmap's colour table holds; none above 8 bits, where the
// table is absent or holds channel masks.
int64_t TableEntries(const BITMAPINFOHEADER* bmi) {
  if (bmi->biBitCount > 8 || bmi->biCompression == BI_BITFIELDS) {
    return 0;
  }
  return static_cast<int64_t>(BmiColorTableSize(bmi) / sizeof(RGBQUAD));
}

}  // namespace

void ApplyIndexedPalette(pdf::Object* color_space, BITMAPINFOHEADER* bmi) {
  if (!IsIndexedRgb(color_space)) {
    ErrorMessage("can't parse indexed color space");
    return;
  }
  const int64_t hival = color_space->Item(2)->IntValue();
  // The lookup is used as stored: a filter on the lookup stream is not decoded.
  pdf::Token lookup;
  color_space->Item(3)->GetStreamData(lookup);
  const auto* bytes = reinterpret_cast<const uint8_t*>(lookup.text);
  const int64_t lookup_entries =
      bytes != nullptr && lookup.length > 0 ? lookup.length / kLookupBytesPerEntry : 0;
  // hival + 1 entries, but never past the colour table nor past the lookup data.
  const int64_t entries = std::min({hival + 1, TableEntries(bmi), lookup_entries});
  RGBQUAD* table = BmiColorTable(bmi);
  for (int64_t i = 0; i < entries; ++i) {
    const uint8_t* rgb = bytes + kLookupBytesPerEntry * i;
    table[i] = RGBQUAD{rgb[2], rgb[1], rgb[0], 0};
  }
}

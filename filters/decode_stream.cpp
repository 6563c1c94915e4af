#include "filters/decode_stream.h"

#include <zlib.h>

#include <cstring>

#include "diag/format.h"
#include "filters/lzw_decoder.h"
#include "pdf/object.h"

namespace {

void SetError(char* error_text, const char* text) {
  // Cut safely to the caller's buffer: a long filter name must not overrun it.
  FormatInto(error_text, kDecodeErrorTextSize, "%s", text);
}

// The whole contents must inflate into the buffer in one call: the pane shows a
// Flate stream only when all of it fits, never a part.
int InflateWhole(const uint8_t* data, int length, uint8_t* out, int capacity, char* error_text) {
  z_stream stream{};
  stream.next_in = const_cast<Bytef*>(data);
  stream.avail_in = static_cast<uInt>(length);
  int status = inflateInit(&stream);
  if (status == Z_OK) {
    stream.next_out = out;
    stream.avail_out = static_cast<uInt>(capacity);
    status = inflate(&stream, Z_SYNC_FLUSH);
  }
  inflateEnd(&stream);
  if (status != Z_STREAM_END) {
    SetError(error_text, "flate decoding error");
    return 0;
  }
  return static_cast<int>(stream.total_out);
}

}  // namespace

int DecodeStreamData(pdf::Object* filter, pdf::Object* /*decode_parms*/, const uint8_t* data,
                     int length, uint8_t* out, int capacity, char* error_text) {
  error_text[0] = '\0';
  if (length < 0 || capacity < 0 || (data == nullptr && length > 0)) {
    return 0;
  }
  // DecodeParms is taken but no branch applies it: no predictor, no EarlyChange.
  if (filter->IsNull()) {
    if (length > capacity) {
      return 0;
    }
    if (length > 0) {
      memcpy(out, data, static_cast<size_t>(length));
    }
    return length;
  }
  if (filter->IsName("FlateDecode")) {
    return InflateWhole(data, length, out, capacity, error_text);
  }
  if (filter->IsName("LZWDecode")) {
    LzwDecoder decoder;
    return decoder.Decode(data, length, out, capacity);
  }
  char text[kDecodeErrorTextSize];
  FormatInto(text, sizeof text, "unsupported filter type: %s", filter->Text());
  SetError(error_text, text);
  return 0;
}

int pdf::Dictionary::Decode(char* out, int capacity, char* error_text) {
  Object* filter = Get("Filter");
  Object* decode_parms = Get("DecodeParms");
  Token raw;
  GetStreamData(raw);
  return DecodeStreamData(filter, decode_parms, reinterpret_cast<const uint8_t*>(raw.text),
                          raw.length, reinterpret_cast<uint8_t*>(out), capacity, error_text);
}

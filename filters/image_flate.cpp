// FlateDecode image data inflated straight into bitmap rows.
#include <zlib.h>

#include "diag/messages.h"
#include "filters/image_stream.h"

int FlateDecodeRows(const uint8_t* data, int length, BITMAPINFOHEADER* bmi) {
  // Unpadded: the padding bytes of each row are never written.
  const int64_t width = bmi->biWidth > 0 ? bmi->biWidth : 0;
  const auto row_length = static_cast<uInt>((bmi->biBitCount * width + 7) / 8);
  const int rows = BmiHeightAbs(bmi);

  z_stream stream{};
  stream.next_in = const_cast<Bytef*>(data);
  stream.avail_in = data != nullptr && length > 0 ? static_cast<uInt>(length) : 0;
  // No call made yet counts as not finished, so a bitmap without rows fails.
  int status = inflateInit(&stream);
  if (status == Z_OK) {
    for (int r = 0; r < rows; ++r) {
      stream.next_out = BmiRowPtr(bmi, r);
      stream.avail_out = row_length;
      status = inflate(&stream, Z_SYNC_FLUSH);
      if (status != Z_OK) {
        break;
      }
    }
  }
  inflateEnd(&stream);
  // Data that end before the last row are fine: the rows below stay as they were.
  if (status != Z_STREAM_END) {
    ErrorMessage("flate decoding error");
    return -1;
  }
  return static_cast<int>(stream.total_out);
}

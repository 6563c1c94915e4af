#include "tests/support/png_oracle.h"

#include <png.h>

#include <cstring>

namespace {

int Channels(int color_type) {
  switch (color_type) {
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    default:
      return 1;
  }
}

void Append(png_structp png, png_bytep data, png_size_t size) {
  auto* file = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  file->insert(file->end(), data, data + size);
}

void Flush(png_structp) {}

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// The data of every IDAT chunk of a PNG file, in order.
std::vector<uint8_t> IdatData(const std::vector<uint8_t>& file) {
  std::vector<uint8_t> idat;
  size_t at = 8;  // the signature
  while (at + 12 <= file.size()) {
    const size_t length = BigEndian32(&file[at]);
    if (length > file.size() - at - 12)
      return {};
    if (std::memcmp(&file[at + 4], "IDAT", 4) == 0)
      idat.insert(idat.end(), file.begin() + at + 8, file.begin() + at + 8 + length);
    at += 12 + length;
  }
  return idat;
}

}  // namespace

size_t PngRowBytes(const PngImage& image) {
  const size_t bits =
      static_cast<size_t>(image.width) * Channels(image.color_type) * image.bit_depth;
  return (bits + 7) / 8;
}

std::vector<uint8_t> PngIdatStream(const PngImage& image, int filters) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr)
    return {};
  png_infop info = png_create_info_struct(png);
  std::vector<uint8_t> file;
  const size_t row_bytes = PngRowBytes(image);
  std::vector<png_bytep> rows(static_cast<size_t>(image.height));
  for (size_t r = 0; r < rows.size(); ++r)
    rows[r] = const_cast<png_bytep>(image.rows.data() + r * row_bytes);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &file, Append, Flush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), image.bit_depth, image.color_type,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
  png_set_rows(png, info, rows.data());
  // Samples go in as they are: big-endian 16-bit, packed low depths.
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return IdatData(file);
}

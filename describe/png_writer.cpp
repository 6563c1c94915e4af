#include "describe/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

#include "dib/dib.h"
#include "dib/dib_rgb_rows.h"
#include "filters/modern_image.h"
#include "pdf/document.h"
#include "pdf/object.h"

namespace {

// A written picture may be far larger than a drawn one: a gigapixel takes
// 3 GB as RGB rows, the most a file is worth trying.
constexpr size_t kFileImagePixelBound = size_t{1} << 30;

// Owns the bitmap made from the stream.
struct DibOwner {
  HDIB handle = nullptr;
  ~DibOwner() { DibFree(handle); }
};

// libpng reports errors by longjmp; keep what it said.
void PngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  *error = message;
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

bool WriteRows(DibRgbRows& rows, FILE* file, std::string* error) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, PngError, PngWarning);
  if (png == nullptr) {
    *error = "cannot start the PNG writer";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    if (error->empty()) {
      *error = "cannot write the PNG file";
    }
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(rows.width()),
               static_cast<png_uint_32>(rows.height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < rows.height(); ++y) {
    png_write_row(png, rows.Row(y));
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WriteImagePng(pdf::Object* image_stream, const char* path, std::string* error) {
  pdf::Dictionary* stream = image_stream->AsDictionary();
  if (stream == nullptr || !image_stream->IsStream()) {
    *error = "not an image stream";
    return false;
  }
  DibOwner dib;
  if (image_stream->doc != nullptr && image_stream->doc->Modern()) {
    // Full resolution where memory allows, else what the viewer draws.
    for (size_t bound : {kFileImagePixelBound, image_stream->doc->Options().image_pixel_bound}) {
      ImageDrawing drawing = DrawImageStream(stream, bound);
      for (const std::string& line : drawing.lines)
        fprintf(stderr, "%s\n", line.c_str());
      dib.handle = drawing.dib;
      if (dib.handle != nullptr || bound <= image_stream->doc->Options().image_pixel_bound)
        break;
    }
  } else {
    dib.handle = stream->ToDib();  // its messages have gone to the error sink
  }
  if (dib.handle == nullptr) {
    *error = "the image could not be converted";
    return false;
  }
  DibRgbRows rows(dib.handle, /*channels=*/3);
  if (!rows.ok() || rows.width() <= 0 || rows.height() <= 0) {
    *error = "the image has no pixels to write";
    return false;
  }
  FILE* file = fopen(path, "wb");
  if (file == nullptr) {
    *error = std::string("cannot create ") + path;
    return false;
  }
  bool written = WriteRows(rows, file, error);
  if (fclose(file) != 0 && written) {
    *error = std::string("cannot write ") + path;
    written = false;
  }
  if (!written) {
    remove(path);
  }
  return written;
}

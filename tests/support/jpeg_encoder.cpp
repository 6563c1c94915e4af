#include "tests/support/jpeg_encoder.h"

#include <csetjmp>
#include <cstdio>  // before jpeglib.h, which uses FILE
#include <cstdlib>

#include <jpeglib.h>

namespace {

struct ErrorJump {
  jpeg_error_mgr manager;
  jmp_buf jump;
};

// libjpeg's default ends the process; a failed encoding is an empty result here.
[[noreturn]] void JumpOnError(j_common_ptr cinfo) {
  longjmp(reinterpret_cast<ErrorJump*>(cinfo->err)->jump, 1);
}

constexpr UINT8 kDensityPerInch = 1;

}  // namespace

std::vector<uint8_t> JpegEncode(const uint8_t* samples, int width, int height, int components,
                                const JpegEncoding& encoding) {
  if ((components != 1 && components != 3) || width <= 0 || height <= 0) {
    return {};
  }
  jpeg_compress_struct cinfo{};
  ErrorJump error{};
  cinfo.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JumpOnError;
  unsigned char* out = nullptr;
  unsigned long out_size = 0;
  if (setjmp(error.jump) != 0) {
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return {};
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &out, &out_size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, encoding.quality, TRUE);
  for (int c = 0; c < cinfo.num_components; ++c) {
    cinfo.comp_info[c].h_samp_factor = 1;
    cinfo.comp_info[c].v_samp_factor = 1;
  }
  if (encoding.x_dpi > 0 && encoding.y_dpi > 0) {
    cinfo.density_unit = kDensityPerInch;
    cinfo.X_density = static_cast<UINT16>(encoding.x_dpi);
    cinfo.Y_density = static_cast<UINT16>(encoding.y_dpi);
  }
  jpeg_start_compress(&cinfo, TRUE);
  const size_t stride = static_cast<size_t>(width) * static_cast<size_t>(components);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples + cinfo.next_scanline * stride);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> file(out, out + out_size);
  std::free(out);
  return file;
}

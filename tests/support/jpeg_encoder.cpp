#include "tests/support/jpeg_encoder.h"

#include <csetjmp>
#include <cstdlib>

namespace {

struct ErrorJump {
  jpeg_error_mgr manager;
  jmp_buf jump;
};

// libjpeg's default ends the process; a failed encoding is an empty result here.
[[noreturn]] void JumpOnError(j_common_ptr cinfo) {
  longjmp(reinterpret_cast<ErrorJump*>(cinfo->err)->jump, 1);
}

constexpr int kDensityPerInch = 1;

int Components(J_COLOR_SPACE space) {
  return space == JCS_GRAYSCALE ? 1 : space == JCS_CMYK ? 4 : 3;
}

}  // namespace

std::vector<uint8_t> EncodeJpeg(int width, int height, const std::vector<uint8_t>& samples,
                                const JpegEncodeOptions& o) {
  const size_t stride = static_cast<size_t>(width) * static_cast<size_t>(Components(o.input));
  if (width <= 0 || height <= 0 || samples.size() < stride * static_cast<size_t>(height)) {
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
  cinfo.input_components = Components(o.input);
  cinfo.in_color_space = o.input;
  jpeg_set_defaults(&cinfo);
  if (o.stored != JCS_UNKNOWN) {
    jpeg_set_colorspace(&cinfo, o.stored);
  }
  if (!o.adobe_marker) {
    cinfo.write_Adobe_marker = FALSE;
  }
  if (!o.jfif) {
    cinfo.write_JFIF_header = FALSE;  // jpeg_set_colorspace already drops it for RGB and CMYK
  }
  cinfo.density_unit = static_cast<UINT8>(o.density_unit);
  cinfo.X_density = static_cast<UINT16>(o.x_density);
  cinfo.Y_density = static_cast<UINT16>(o.y_density);
  jpeg_set_quality(&cinfo, o.quality, TRUE);
  if (o.full_chroma) {
    for (int c = 0; c < cinfo.num_components; ++c) {
      cinfo.comp_info[c].h_samp_factor = 1;
      cinfo.comp_info[c].v_samp_factor = 1;
    }
  }
  if (o.progressive) {
    jpeg_simple_progression(&cinfo);
  }
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data() + cinfo.next_scanline * stride);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> file(out, out + out_size);
  std::free(out);
  return file;
}

std::vector<uint8_t> JpegEncode(const uint8_t* samples, int width, int height, int components,
                                const JpegEncoding& encoding) {
  if ((components != 1 && components != 3) || width <= 0 || height <= 0) {
    return {};
  }
  JpegEncodeOptions options;
  options.input = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  options.quality = encoding.quality;
  if (encoding.x_dpi > 0 && encoding.y_dpi > 0) {
    options.density_unit = kDensityPerInch;
    options.x_density = encoding.x_dpi;
    options.y_density = encoding.y_dpi;
  }
  size_t size =
      static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(components);
  return EncodeJpeg(width, height, std::vector<uint8_t>(samples, samples + size), options);
}

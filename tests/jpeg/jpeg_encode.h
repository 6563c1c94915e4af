// libjpeg-turbo's own encoder, the oracle for the decoder tests.
#pragma once

#include <cstdio>  // before jpeglib.h, which uses FILE
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

struct JpegEncodeOptions {
  J_COLOR_SPACE input = JCS_RGB;       // JCS_GRAYSCALE, JCS_RGB or JCS_CMYK samples
  J_COLOR_SPACE stored = JCS_UNKNOWN;  // colour space in the file; JCS_UNKNOWN: the default
  bool adobe_marker = true;            // only changes CMYK and YCCK files
  bool progressive = false;
  bool full_chroma = true;  // 4:4:4, so colour edges stay within tolerance
  int quality = 100;
  bool jfif = true;  // false: no JFIF marker even where the colour space allows one
  int density_unit = 0;
  int x_density = 1;
  int y_density = 1;
};

inline std::vector<uint8_t> EncodeJpeg(int width, int height, const std::vector<uint8_t>& samples,
                                       const JpegEncodeOptions& o) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long out_size = 0;
  jpeg_mem_dest(&cinfo, &out, &out_size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = o.input == JCS_GRAYSCALE ? 1 : o.input == JCS_CMYK ? 4 : 3;
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
  const size_t stride = static_cast<size_t>(width) * cinfo.input_components;
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

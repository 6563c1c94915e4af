// Image streams to bitmaps, 3000 x 2000 colour: a JPEG (DCTDecode) image
// against libjpeg-turbo decoding the same data alone, and a Flate DeviceRGB
// image against a bare zlib inflate of the same data. Ours is the whole
// pdf::Dictionary::ToDib, from the stream to a new bitmap; the peers decode
// into a buffer that they keep.
//
// Usage: image_bench
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_report.h"
#include "diag/messages.h"
#include "dib/dib.h"
#include "pdf/document.h"
#include "tests/support/jpeg_encoder.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/zlib_encoder.h"

namespace {

constexpr int kWidth = 3000;
constexpr int kHeight = 2000;
constexpr int kRuns = 7;
constexpr int kJpegImage = 5;
constexpr int kFlateImage = 6;

int Quiet(const char*) {
  return 0;
}

// A photograph-like picture: smooth colour fields, fine texture, a few hard
// edges and grain, so that it codes to about as many bytes as a photograph.
std::vector<uint8_t> MakePhoto() {
  std::vector<uint8_t> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
  std::mt19937 rng(11);
  size_t i = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double u = x / 300.0;
      const double v = y / 250.0;
      const bool disc = (x - 1800) * (x - 1800) + (y - 900) * (y - 900) < 500 * 500;
      const int texture = static_cast<int>(18 * std::sin(x / 3.1) * std::cos(y / 4.7));
      int r = static_cast<int>(128 + 90 * std::sin(u) * std::cos(v * 0.7)) + texture;
      int g = static_cast<int>(120 + 80 * std::cos(u * 0.6 + v)) + texture;
      int b = disc ? 40 : static_cast<int>(110 + 100 * std::sin(v * 1.3)) - texture;
      if ((x / 400 + y / 400) % 5 == 0) {
        r = 230;
      }
      for (int sample : {r, g, b}) {
        const int grain = static_cast<int>(rng() % 21) - 10;
        rgb[i++] = static_cast<uint8_t>(std::clamp(sample + grain, 0, 255));
      }
    }
  }
  return rgb;
}

// libjpeg-turbo on its own: header, red-green-blue output into `out`, as many
// rows per call as it offers.
struct JpegError {
  jpeg_error_mgr manager;
  jmp_buf jump;
};
[[noreturn]] void JumpOnError(j_common_ptr cinfo) {
  longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}
bool LibjpegDecode(const std::string& data, std::vector<uint8_t>* out) {
  jpeg_decompress_struct cinfo{};
  JpegError error{};
  cinfo.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JumpOnError;
  if (setjmp(error.jump) != 0) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.data()), data.size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const size_t stride = static_cast<size_t>(cinfo.output_width) * 3;
  out->resize(stride * cinfo.output_height);
  std::vector<JSAMPROW> rows(cinfo.output_height);
  for (size_t r = 0; r < rows.size(); ++r) {
    rows[r] = out->data() + r * stride;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    jpeg_read_scanlines(&cinfo, rows.data() + cinfo.output_scanline,
                        cinfo.output_height - cinfo.output_scanline);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

bool BareInflate(const std::string& data, std::vector<uint8_t>* out) {
  z_stream z{};
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  int status = inflateInit(&z);
  if (status == Z_OK) {
    z.next_out = out->data();
    z.avail_out = static_cast<uInt>(out->size());
    status = inflate(&z, Z_SYNC_FLUSH);
  }
  inflateEnd(&z);
  return status == Z_STREAM_END;
}

// ToDib, checked for the right size; the bitmap is freed untimed.
bool ToDib(pdf::Object* stream, double* seconds) {
  HDIB dib = nullptr;
  *seconds = bench::Seconds([&] { dib = stream->AsDictionary()->ToDib(); });
  bool ok = false;
  if (dib != nullptr) {
    auto* bmi = static_cast<BITMAPINFOHEADER*>(DibLock(dib));
    ok = bmi->biWidth == kWidth && BmiHeightAbs(bmi) == kHeight && bmi->biBitCount == 24;
    DibUnlock(dib);
    DibFree(dib);
  }
  return ok;
}

void Compare(const char* workload, pdf::Object* stream, const char* peer, double least,
             bool (*decode)(const std::string&, std::vector<uint8_t>*), const std::string& data) {
  std::vector<uint8_t> out(static_cast<size_t>(kWidth) * kHeight * 3);
  std::vector<double> ours;
  std::vector<double> theirs;
  bool ok = true;
  for (int run = 0; run <= kRuns; ++run) {  // run 0 warms up
    double ours_s = 0;
    ok = ToDib(stream, &ours_s) && ok;
    const double theirs_s = bench::Seconds([&] { ok = decode(data, &out) && ok; });
    if (run > 0) {
      ours.push_back(ours_s);
      theirs.push_back(theirs_s);
    }
  }
  if (!ok) {
    fprintf(stderr, "%s: a decoder failed\n", workload);
    return;
  }
  const double mp = kWidth * kHeight / 1e6;
  const double ours_mps = mp / bench::Median(ours);
  const double theirs_mps = mp / bench::Median(theirs);
  bench::PrintRatioRow(workload, bench::Format("%.1f MP/s", ours_mps),
                       std::string(peer) + bench::Format(" %.1f MP/s", theirs_mps),
                       ours_mps / theirs_mps, least,
                       bench::Format("bitmap %.1f MB", kWidth * kHeight * 3 / 1e6));
}

}  // namespace

int main() {
  g_error_sink = Quiet;
  g_warning_sink = Quiet;
  const std::vector<uint8_t> photo = MakePhoto();
  JpegEncodeOptions options;
  options.quality = 90;
  options.full_chroma = false;  // 4:2:0, as cameras and most producers write
  const std::vector<uint8_t> jpeg = EncodeJpeg(kWidth, kHeight, photo, options);
  const std::string jpeg_data(jpeg.begin(), jpeg.end());
  const std::string flate_data = Deflate(photo);

  PdfBuilder file;
  file.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  file.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  file.Object(3, "<< /Title (images) >>");
  const std::string image = "/Type /XObject /Subtype /Image /Width " + std::to_string(kWidth) +
                            " /Height " + std::to_string(kHeight) +
                            " /ColorSpace /DeviceRGB /BitsPerComponent 8";
  file.Stream(kJpegImage, image + " /Filter /DCTDecode", jpeg_data);
  file.Stream(kFlateImage, image + " /Filter /FlateDecode", flate_data);
  file.Finish("/Root 1 0 R /Info 3 0 R /ID [<00> <00>]");
  pdf::Document doc;
  if (jpeg.empty() ||
      !doc.OpenMemory(file.Bytes().data(), static_cast<int32_t>(file.Size()), "images")) {
    fprintf(stderr, "cannot build the image file\n");
    return 1;
  }
  const std::string jpeg_name = bench::Format(
      "JPEG 3000x2000 colour (%.1f MB coded) image stream to bitmap (ToDib)", jpeg.size() / 1e6);
  const std::string flate_name =
      bench::Format("Flate RGB 3000x2000 (%.1f MB coded) image stream to bitmap (ToDib)",
                    flate_data.size() / 1e6);
  Compare(jpeg_name.c_str(), doc.GetObject(kJpegImage, 0), "libjpeg-turbo", 0.90, LibjpegDecode,
          jpeg_data);
  Compare(flate_name.c_str(), doc.GetObject(kFlateImage, 0), "zlib inflate", 0.85, BareInflate,
          flate_data);
  return 0;
}

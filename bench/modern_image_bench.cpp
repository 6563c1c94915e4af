// Modern mode's image paths, 3000 x 2000 colour, against the libraries they
// stand on doing the same work alone:
// - Flate with the PNG Paeth predictor, the whole stream decoded
//   (DecodeStreamFully), against a bare zlib inflate of the same data;
// - an ICCBased RGB image to a bitmap (DrawImageStream), against inflate plus
//   lcms2's transform of the samples to sRGB;
// - a JPEG 2000 image to a bitmap, against OpenJPEG decoding the same data.
// - a JBIG2 page (A4 at 600 dpi, arithmetic coding) to a bitmap, against
//   jbig2dec decoding the same data.
//
// Usage: modern_image_bench
#include <lcms2.h>
#include <openjpeg.h>
#include <png.h>
#include <zlib.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_report.h"
#include "describe/open_mode.h"
#include "dib/dib.h"
#include "filters/filter_chain.h"
#include "filters/modern_image.h"
#include "pdf/document.h"
#include "pdf/object.h"
#include "tests/support/jbig2_writer.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/png_oracle.h"
#include "tests/support/synthetic_data.h"
#include "tests/support/zlib_encoder.h"

// jbig2.h uses the fixed-width types without including their header.
// clang-format off
#include <cstdint>
#include <jbig2.h>
// clang-format on

namespace {

constexpr int kWidth = 3000;
constexpr int kHeight = 2000;
constexpr int kRuns = 7;
constexpr size_t kSamples = static_cast<size_t>(kWidth) * kHeight * 3;
// A4 at 600 dpi, as scanners write JBIG2 pages.
constexpr int kPageWidth = 4960;
constexpr int kPageHeight = 7016;

// Smooth fields with grain, so that predictors and wavelets have work to do.
std::vector<uint8_t> MakePhoto() {
  std::vector<uint8_t> rgb(kSamples);
  std::mt19937 rng(5);
  size_t i = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const int base[3] = {static_cast<int>(128 + 90 * std::sin(x / 300.0)),
                           static_cast<int>(120 + 80 * std::cos(y / 250.0)),
                           static_cast<int>(110 + 60 * std::sin((x + y) / 400.0))};
      for (int c = 0; c < 3; ++c)
        rgb[i++] =
            static_cast<uint8_t>(std::clamp(base[c] + static_cast<int>(rng() % 9) - 4, 0, 255));
    }
  }
  return rgb;
}

bool Inflate(const std::string& data, std::vector<uint8_t>* out) {
  z_stream z{};
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  int status = inflateInit(&z);
  if (status == Z_OK) {
    z.next_out = out->data();
    z.avail_out = static_cast<uInt>(out->size());
    status = inflate(&z, Z_FINISH);
  }
  inflateEnd(&z);
  return status == Z_STREAM_END;
}

// An Adobe-RGB-like profile: its own primaries and gamma 2.2, so the
// transform to sRGB is a real one.
std::string MakeProfile() {
  const cmsCIExyY white = {0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
  cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
  cmsToneCurve* curves[3] = {gamma, gamma, gamma};
  cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::string bytes(size, '\0');
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  cmsFreeToneCurve(gamma);
  return bytes;
}

std::string MakeJpx(const std::vector<uint8_t>& rgb) {
  const char* ppm = "/tmp/quorvel-bench-jpx.ppm";
  const char* j2k = "/tmp/quorvel-bench-jpx.j2k";
  {
    std::ofstream out(ppm, std::ios::binary);
    out << "P6\n" << kWidth << " " << kHeight << "\n255\n";
    out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
  }
  // Lossy at 20:1, as producers write photographs.
  const std::string command =
      std::string("opj_compress -i ") + ppm + " -o " + j2k + " -r 20 >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0)
    return std::string();
  std::ifstream in(j2k, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(ppm);
  std::remove(j2k);
  return data;
}

// OpenJPEG alone: header and whole decode from memory into its own image.
struct MemoryStream {
  const std::string* data;
  size_t at;
};
OPJ_SIZE_T Read(void* buffer, OPJ_SIZE_T bytes, void* user) {
  auto* s = static_cast<MemoryStream*>(user);
  const size_t left = s->data->size() - s->at;
  if (left == 0)
    return static_cast<OPJ_SIZE_T>(-1);
  const size_t n = std::min<size_t>(bytes, left);
  memcpy(buffer, s->data->data() + s->at, n);
  s->at += n;
  return n;
}
OPJ_OFF_T Skip(OPJ_OFF_T bytes, void* user) {
  auto* s = static_cast<MemoryStream*>(user);
  s->at = std::min<size_t>(s->data->size(), s->at + static_cast<size_t>(bytes));
  return bytes;
}
OPJ_BOOL Seek(OPJ_OFF_T to, void* user) {
  static_cast<MemoryStream*>(user)->at = static_cast<size_t>(to);
  return OPJ_TRUE;
}
bool OpenJpegDecode(const std::string& data) {
  MemoryStream source{&data, 0};
  opj_stream_t* stream = opj_stream_create(1 << 20, OPJ_TRUE);
  opj_stream_set_user_data(stream, &source, nullptr);
  opj_stream_set_user_data_length(stream, data.size());
  opj_stream_set_read_function(stream, Read);
  opj_stream_set_skip_function(stream, Skip);
  opj_stream_set_seek_function(stream, Seek);
  opj_codec_t* codec = opj_create_decompress(OPJ_CODEC_J2K);
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  opj_image_t* image = nullptr;
  const bool ok = opj_setup_decoder(codec, &parameters) && opj_read_header(stream, codec, &image) &&
                  opj_decode(codec, stream, image) && opj_end_decompress(codec, stream);
  opj_image_destroy(image);
  opj_destroy_codec(codec);
  opj_stream_destroy(stream);
  return ok;
}

// jbig2dec alone: an embedded stream's page, out and released.
bool Jbig2decDecode(const std::vector<uint8_t>& data) {
  Jbig2Ctx* ctx = jbig2_ctx_new(nullptr, JBIG2_OPTIONS_EMBEDDED, nullptr, nullptr, nullptr);
  if (ctx == nullptr)
    return false;
  bool ok = jbig2_data_in(ctx, data.data(), data.size()) == 0;
  jbig2_complete_page(ctx);
  Jbig2Image* page = jbig2_page_out(ctx);
  ok = ok && page != nullptr;
  if (page != nullptr)
    jbig2_release_page(ctx, page);
  jbig2_ctx_free(ctx);
  return ok;
}

bool Draw(pdf::Object* stream, int width = kWidth) {
  ImageDrawing drawing = DrawImageStream(stream->AsDictionary());
  const bool ok = drawing.dib != nullptr && DIB_GetWidth(drawing.dib) == width;
  DibFree(drawing.dib);
  return ok;
}

void Row(const char* workload, const char* peer, double least, const bench::PairTimes& t, bool ok,
         double megapixels = kWidth * kHeight / 1e6) {
  if (!ok) {
    fprintf(stderr, "%s: a decoder failed\n", workload);
    return;
  }
  const double mp = megapixels;
  bench::PrintRatioRow(workload, bench::Format("%.1f MP/s", mp / t.ours),
                       std::string(peer) + bench::Format(" %.1f MP/s", mp / t.theirs),
                       t.theirs / t.ours, least, "-");
}

}  // namespace

int main() {
  const std::vector<uint8_t> photo = MakePhoto();
  PngImage png;
  png.width = kWidth;
  png.height = kHeight;
  png.color_type = PNG_COLOR_TYPE_RGB;
  png.rows = photo;
  const std::vector<uint8_t> idat = PngIdatStream(png, PNG_FILTER_PAETH);
  const std::string paeth(idat.begin(), idat.end());
  const std::string flate = Deflate(photo);
  const std::string profile = MakeProfile();
  const std::string jpx = MakeJpx(photo);
  if (paeth.empty() || jpx.empty()) {
    fprintf(stderr, "cannot make the coded pictures\n");
    return 1;
  }

  const std::string image = "/Type /XObject /Subtype /Image /Width " + std::to_string(kWidth) +
                            " /Height " + std::to_string(kHeight) + " /BitsPerComponent 8";
  PdfBuilder file;
  file.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  file.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  file.Stream(5,
              image +
                  " /ColorSpace /DeviceRGB /Filter /FlateDecode /DecodeParms "
                  "<< /Predictor 15 /Colors 3 /Columns " +
                  std::to_string(kWidth) + " >>",
              paeth);
  file.Stream(6, "/N 3", profile);
  file.Stream(7, image + " /ColorSpace [/ICCBased 6 0 R] /Filter /FlateDecode", flate);
  file.Stream(8, image + " /ColorSpace /DeviceRGB /Filter /JPXDecode", jpx);
  const Bilevel text_page = MakeTextPage(kPageWidth, kPageHeight, /*seed=*/9);
  const std::vector<uint8_t> jbig2 = Jbig2EmbeddedPage(text_page, Jbig2Coding::kArithmetic);
  file.Stream(10,
              "/Type /XObject /Subtype /Image /Width " + std::to_string(kPageWidth) + " /Height " +
                  std::to_string(kPageHeight) +
                  " /BitsPerComponent 1 /ColorSpace /DeviceGray /Filter /JBIG2Decode",
              std::string(jbig2.begin(), jbig2.end()));
  file.Finish("/Root 1 0 R");
  pdf::Document doc;
  if (!doc.OpenMemory(file.Bytes().data(), static_cast<int32_t>(file.Size()), "images",
                      OpenOptionsFor(pdf::Mode::kModern))) {
    fprintf(stderr, "cannot open the image file\n");
    return 1;
  }

  std::vector<uint8_t> out(kSamples + kHeight);  // rows and their predictor tags
  std::vector<uint8_t> decoded;
  std::string error;
  bool ok = true;
  bench::PairTimes t = bench::TimePair(
      kRuns,
      [&] {
        ok = DecodeStreamFully(doc.GetObject(5, 0)->AsDictionary(), kSamples + kHeight, &decoded,
                               &error) &&
             decoded.size() == kSamples && ok;
      },
      [&] { ok = Inflate(paeth, &out) && ok; });
  Row(bench::Format("Flate RGB 3000x2000, PNG Paeth predictor (%.1f MB coded), whole stream",
                    paeth.size() / 1e6)
          .c_str(),
      "zlib inflate", 1 / 1.5, t, ok);

  cmsHPROFILE source = cmsOpenProfileFromMem(profile.data(), profile.size());
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHTRANSFORM transform =
      cmsCreateTransform(source, TYPE_RGB_8, srgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
  std::vector<uint8_t> converted(kSamples);
  ok = true;
  t = bench::TimePair(
      kRuns, [&] { ok = Draw(doc.GetObject(7, 0)) && ok; },
      [&] {
        ok = Inflate(flate, &out) && ok;
        cmsDoTransform(transform, out.data(), converted.data(), kWidth * kHeight);
      });
  Row(bench::Format("ICCBased RGB 3000x2000 Flate image (%.1f MB coded) to bitmap",
                    flate.size() / 1e6)
          .c_str(),
      "inflate + lcms2 transform", 1 / 1.2, t, ok);
  cmsDeleteTransform(transform);
  cmsCloseProfile(source);
  cmsCloseProfile(srgb);

  ok = true;
  t = bench::TimePair(
      kRuns, [&] { ok = Draw(doc.GetObject(8, 0)) && ok; },
      [&] { ok = OpenJpegDecode(jpx) && ok; });
  Row(bench::Format("JPEG 2000 RGB 3000x2000 (%.1f MB coded) image to bitmap", jpx.size() / 1e6)
          .c_str(),
      "OpenJPEG decode", 1 / 1.1, t, ok);

  ok = true;
  t = bench::TimePair(
      kRuns, [&] { ok = Draw(doc.GetObject(10, 0), kPageWidth) && ok; },
      [&] { ok = Jbig2decDecode(jbig2) && ok; });
  Row(bench::Format("JBIG2 text page 4960x7016 (%.2f MB coded) image to bitmap", jbig2.size() / 1e6)
          .c_str(),
      "jbig2dec decode", 1 / 1.1, t, ok, kPageWidth * kPageHeight / 1e6);
  return 0;
}

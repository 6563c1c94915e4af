#include "tests/support/tiff_predictor_oracle.h"

#include <tiffio.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "tests/support/tiff_oracle.h"

namespace {

// A file of our own in the temporary folder, removed with the object.
class TempPath {
 public:
  TempPath() {
    static std::atomic<int> counter{0};
    path_ =
        (std::filesystem::temp_directory_path() / ("quorvel-predictor-" + std::to_string(getpid()) +
                                                   "-" + std::to_string(counter++) + ".tif"))
            .string();
  }
  ~TempPath() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  const char* c_str() const { return path_.c_str(); }

 private:
  std::string path_;
};

}  // namespace

std::vector<uint8_t> TiffDeflatePredictorStrip(const std::vector<uint8_t>& rows, int width,
                                               int height, int bits, int samples) {
  TempPath path;
  // "b": big-endian, so libtiff stores the 16-bit differences big-endian.
  TIFF* tif = TIFFOpen(path.c_str(), "wb");
  if (tif == nullptr)
    return {};
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(height));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(bits));
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(samples));
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
  if (samples == 2 || samples == 4) {
    const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
  }
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(height));
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  // libtiff takes the samples in the machine's order and swaps them for the
  // big-endian file itself.
  std::vector<uint8_t> native = rows;
  if (bits == 16) {
    for (size_t i = 0; i + 1 < native.size(); i += 2)
      std::swap(native[i], native[i + 1]);
  }
  const bool ok =
      TIFFWriteEncodedStrip(tif, 0, native.data(), static_cast<tmsize_t>(native.size())) >= 0;
  TIFFClose(tif);
  if (!ok)
    return {};
  std::ifstream in(path.c_str(), std::ios::binary);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  return TiffRawStrip(file);
}

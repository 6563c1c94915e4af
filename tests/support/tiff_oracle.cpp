#include "tests/support/tiff_oracle.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>

struct TiffMemoryFile {
  std::vector<uint8_t> bytes;
  size_t pos = 0;
};

namespace {

using MemoryFile = TiffMemoryFile;

MemoryFile* FileOf(thandle_t handle) {
  return static_cast<MemoryFile*>(handle);
}

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
  MemoryFile* f = FileOf(handle);
  const size_t avail = f->pos < f->bytes.size() ? f->bytes.size() - f->pos : 0;
  const size_t n = std::min(avail, static_cast<size_t>(size));
  if (n > 0)
    std::memcpy(buffer, f->bytes.data() + f->pos, n);
  f->pos += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t size) {
  MemoryFile* f = FileOf(handle);
  const size_t n = static_cast<size_t>(size);
  if (f->pos + n > f->bytes.size())
    f->bytes.resize(f->pos + n);
  std::memcpy(f->bytes.data() + f->pos, buffer, n);
  f->pos += n;
  return size;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  MemoryFile* f = FileOf(handle);
  if (whence == SEEK_CUR) {
    f->pos += offset;
  } else if (whence == SEEK_END) {
    f->pos = f->bytes.size() + offset;
  } else {
    f->pos = offset;
  }
  return f->pos;
}

int CloseProc(thandle_t) {
  return 0;
}
toff_t SizeProc(thandle_t handle) {
  return FileOf(handle)->bytes.size();
}
int MapProc(thandle_t, void**, toff_t*) {
  return 0;
}
void UnmapProc(thandle_t, void*, toff_t) {}

TIFF* OpenMemory(MemoryFile* file, const char* mode) {
  // Oracle files are well formed; libtiff's warnings about unknown tags and the
  // like would only clutter test output.
  TIFFSetWarningHandler(nullptr);
  return TIFFClientOpen("memory", mode, file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                        MapProc, UnmapProc);
}

std::vector<uint8_t> WriteOneStrip(uint32_t width, uint32_t height, uint16_t bits,
                                   uint16_t photometric, uint16_t compression, uint32_t t4_options,
                                   const uint8_t* rows, size_t size) {
  MemoryFile file;
  TIFF* tif = OpenMemory(&file, "w");
  if (tif == nullptr)
    return {};
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
  if (compression == COMPRESSION_CCITTFAX3)
    TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, t4_options);
  const bool ok =
      TIFFWriteEncodedStrip(tif, 0, const_cast<uint8_t*>(rows), static_cast<tmsize_t>(size)) >= 0;
  TIFFClose(tif);
  if (!ok)
    return {};
  return std::move(file.bytes);
}

}  // namespace

std::vector<uint8_t> TiffWriteLzw(const uint8_t* data, size_t size) {
  return WriteOneStrip(static_cast<uint32_t>(size), 1, 8, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW,
                       0, data, size);
}

std::vector<uint8_t> TiffWriteFax(const std::vector<uint8_t>& rows, int width, int height,
                                  FaxCoding coding) {
  FaxTiffOptions options;
  options.coding = coding;
  return TiffWriteFaxWith(rows, width, height, options);
}

std::vector<uint8_t> TiffWriteFaxWith(const std::vector<uint8_t>& rows, int width, int height,
                                      const FaxTiffOptions& options) {
  uint16_t compression = COMPRESSION_CCITTFAX3;
  if (options.coding == FaxCoding::kG4) {
    compression = COMPRESSION_CCITTFAX4;
  } else if (options.coding == FaxCoding::kModifiedHuffman) {
    compression = COMPRESSION_CCITTRLE;
  }
  uint32_t t4_options = options.coding == FaxCoding::kG3TwoD ? GROUP3OPT_2DENCODING : 0;
  if (options.fill_bits)
    t4_options |= GROUP3OPT_FILLBITS;
  return WriteOneStrip(static_cast<uint32_t>(width), static_cast<uint32_t>(height), 1,
                       options.min_is_black ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_MINISWHITE,
                       compression, t4_options, rows.data(), rows.size());
}

std::vector<uint8_t> TiffReadScanlines(const std::vector<uint8_t>& bytes) {
  MemoryFile file{bytes, 0};
  TIFF* tif = OpenMemory(&file, "r");
  if (tif == nullptr)
    return {};
  uint32_t width = 0, height = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  const size_t stride = (static_cast<size_t>(width) + 7) / 8;
  std::vector<uint8_t> rows(stride * height);
  for (uint32_t y = 0; y < height; ++y) {
    if (TIFFReadScanline(tif, rows.data() + y * stride, y, 0) < 0) {
      rows.clear();
      break;
    }
  }
  TIFFClose(tif);
  return rows;
}

std::vector<uint8_t> TiffRawStrip(const std::vector<uint8_t>& bytes) {
  MemoryFile file{bytes, 0};
  TIFF* tif = OpenMemory(&file, "r");
  if (tif == nullptr)
    return {};
  std::vector<uint8_t> raw;
  uint64_t* counts = nullptr;
  if (TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts) && counts != nullptr) {
    raw.resize(counts[0]);
    const tmsize_t n = TIFFReadRawStrip(tif, 0, raw.data(), static_cast<tmsize_t>(raw.size()));
    raw.resize(n < 0 ? 0 : static_cast<size_t>(n));
  }
  TIFFClose(tif);
  return raw;
}

TiffStripDecoder::TiffStripDecoder(std::vector<uint8_t> bytes)
    : file_(new TiffMemoryFile{std::move(bytes), 0}) {
  tiff_ = OpenMemory(file_, "r");
}

TiffStripDecoder::~TiffStripDecoder() {
  if (tiff_ != nullptr)
    TIFFClose(tiff_);
  delete file_;
}

size_t TiffStripDecoder::strip_size() const {
  return tiff_ == nullptr ? 0 : static_cast<size_t>(TIFFStripSize(tiff_));
}

long TiffStripDecoder::Decode(uint8_t* out, size_t size) {
  if (tiff_ == nullptr)
    return -1;
  return static_cast<long>(TIFFReadEncodedStrip(tiff_, 0, out, static_cast<tmsize_t>(size)));
}

// TIFF files held in memory, written and read with libtiff: the independent
// encoder and decoder that the LZW and fax decoders are checked (and timed)
// against. A TIFF LZW strip is an LZWDecode stream with the default early code
// width change; a fax strip written with MSB-first fill order and
// min-is-white photometry is a CCITTFaxDecode stream in which 1 is black.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct tiff;
struct TiffMemoryFile;

// kModifiedHuffman is TIFF's CCITT RLE (compression 2): Group 3 one-dimensional
// codes without EOL codes or RTC, each row starting at a byte boundary.
enum class FaxCoding { kG3OneD, kG3TwoD, kG4, kModifiedHuffman };

// How TiffWriteFaxWith writes a fax strip.
struct FaxTiffOptions {
  FaxCoding coding = FaxCoding::kG4;
  // Group 3 (T4Options bit 2): fill bits before each EOL code so that it ends
  // at a byte boundary, and each line begins at one.
  bool fill_bits = false;
  // Photometric min-is-black instead of min-is-white. libtiff codes the bits
  // the same either way (1 bits as black runs); the photometry only says how
  // they look, as BlackIs1 does in a PDF.
  bool min_is_black = false;
};

// An 8-bit gray image of one row holding `data`, LZW-compressed in one strip.
std::vector<uint8_t> TiffWriteLzw(const uint8_t* data, size_t size);

// A bilevel image in one strip. `rows`: (width + 7) / 8 bytes per row, top row
// first, most significant bit first, 1 = black.
std::vector<uint8_t> TiffWriteFax(const std::vector<uint8_t>& rows, int width, int height,
                                  FaxCoding coding);

std::vector<uint8_t> TiffWriteFaxWith(const std::vector<uint8_t>& rows, int width, int height,
                                      const FaxTiffOptions& options);

// The still-compressed bytes of strip 0 (TIFFReadRawStrip); empty on failure.
std::vector<uint8_t> TiffRawStrip(const std::vector<uint8_t>& file);

// Every row of a bilevel TIFF file as libtiff decodes it (TIFFReadScanline):
// (width + 7) / 8 bytes per row, top row first, the bits as stored; empty on
// failure.
std::vector<uint8_t> TiffReadScanlines(const std::vector<uint8_t>& file);

// Decodes strip 0 of a TIFF file in memory with TIFFReadEncodedStrip. The file
// stays open, so repeated calls time only the strip's decoding.
class TiffStripDecoder {
 public:
  explicit TiffStripDecoder(std::vector<uint8_t> file);
  ~TiffStripDecoder();
  TiffStripDecoder(const TiffStripDecoder&) = delete;
  TiffStripDecoder& operator=(const TiffStripDecoder&) = delete;

  bool ok() const { return tiff_ != nullptr; }
  // Decoded size of strip 0.
  size_t strip_size() const;
  // Bytes decoded, or -1 on failure.
  long Decode(uint8_t* out, size_t size);

 private:
  TiffMemoryFile* file_;
  tiff* tiff_ = nullptr;
};

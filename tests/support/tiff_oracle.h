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

enum class FaxCoding { kG3OneD, kG3TwoD, kG4 };

// An 8-bit gray image of one row holding `data`, LZW-compressed in one strip.
std::vector<uint8_t> TiffWriteLzw(const uint8_t* data, size_t size);

// A bilevel image in one strip. `rows`: (width + 7) / 8 bytes per row, top row
// first, most significant bit first, 1 = black.
std::vector<uint8_t> TiffWriteFax(const std::vector<uint8_t>& rows, int width, int height,
                                  FaxCoding coding);

// The still-compressed bytes of strip 0 (TIFFReadRawStrip); empty on failure.
std::vector<uint8_t> TiffRawStrip(const std::vector<uint8_t>& file);

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

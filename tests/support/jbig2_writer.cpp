#include "tests/support/jbig2_writer.h"

#include <algorithm>

#include "tests/support/tiff_oracle.h"

namespace {

// Segment types.
constexpr uint8_t kSymbolDictionary = 0;
constexpr uint8_t kImmediateTextRegion = 6;
constexpr uint8_t kImmediateGenericRegion = 38;
constexpr uint8_t kPageInformation = 48;
constexpr uint8_t kEndOfPage = 49;

// Contexts of one arithmetic-coded segment: the generic region's 16-bit
// contexts, then 512 for each integer coder, then the symbol ID coder's.
constexpr size_t kGenericContexts = 65536;
constexpr size_t kIntegerContexts = 512;
constexpr size_t kIntegerBase = kGenericContexts;
size_t Integer(int which) {
  return kIntegerBase + static_cast<size_t>(which) * kIntegerContexts;
}
constexpr int kIntegerCoders = 8;
constexpr size_t kSymbolIdBase = kIntegerBase + kIntegerCoders * kIntegerContexts;
constexpr size_t kAllContexts = kSymbolIdBase + 65536;

// The usual adaptive pixels of template 0: A1..A4 as (x, y).
constexpr int8_t kTemplate0At[8] = {3, -1, -3, -1, 2, -2, -2, -2};

void Put32(std::vector<uint8_t>* out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out->push_back(static_cast<uint8_t>(value >> shift));
}
void Put16(std::vector<uint8_t>* out, uint16_t value) {
  out->push_back(static_cast<uint8_t>(value >> 8));
  out->push_back(static_cast<uint8_t>(value));
}

// Region segment information: size, place, OR onto the page.
void PutRegionInfo(std::vector<uint8_t>* out, uint32_t width, uint32_t height, uint32_t x,
                   uint32_t y) {
  Put32(out, width);
  Put32(out, height);
  Put32(out, x);
  Put32(out, y);
  out->push_back(0);
}

// The MQ coder's probability states: Qe, next index after MPS, after LPS, switch.
struct QeRow {
  uint16_t qe;
  uint8_t nmps;
  uint8_t nlps;
  uint8_t sw;
};
constexpr QeRow kQe[47] = {
    {0x5601, 1, 1, 1},   {0x3401, 2, 6, 0},   {0x1801, 3, 9, 0},   {0x0AC1, 4, 12, 0},
    {0x0521, 5, 29, 0},  {0x0221, 38, 33, 0}, {0x5601, 7, 6, 1},   {0x5401, 8, 14, 0},
    {0x4801, 9, 14, 0},  {0x3801, 10, 14, 0}, {0x3001, 11, 17, 0}, {0x2401, 12, 18, 0},
    {0x1C01, 13, 20, 0}, {0x1601, 29, 21, 0}, {0x5601, 15, 14, 1}, {0x5401, 16, 14, 0},
    {0x5101, 17, 15, 0}, {0x4801, 18, 16, 0}, {0x3801, 19, 17, 0}, {0x3401, 20, 18, 0},
    {0x3001, 21, 19, 0}, {0x2801, 22, 19, 0}, {0x2401, 23, 20, 0}, {0x2201, 24, 21, 0},
    {0x1C01, 25, 22, 0}, {0x1801, 26, 23, 0}, {0x1601, 27, 24, 0}, {0x1401, 28, 25, 0},
    {0x1201, 29, 26, 0}, {0x1101, 30, 27, 0}, {0x0AC1, 31, 28, 0}, {0x09C1, 32, 29, 0},
    {0x08A1, 33, 30, 0}, {0x0521, 34, 31, 0}, {0x0441, 35, 32, 0}, {0x02A1, 36, 33, 0},
    {0x0221, 37, 34, 0}, {0x0141, 38, 35, 0}, {0x0111, 39, 36, 0}, {0x0085, 40, 37, 0},
    {0x0049, 41, 38, 0}, {0x0025, 42, 39, 0}, {0x0015, 43, 40, 0}, {0x0009, 44, 41, 0},
    {0x0005, 45, 42, 0}, {0x0001, 45, 43, 0}, {0x5601, 46, 46, 0},
};

int Pixel(const Bilevel& picture, int x, int y) {
  if (x < 0 || y < 0 || x >= picture.width || y >= picture.height)
    return 0;
  return picture.Get(x, y) ? 1 : 0;
}

std::vector<uint8_t> MmrData(const Bilevel& picture) {
  return TiffRawStrip(TiffWriteFax(picture.rows, picture.width, picture.height, FaxCoding::kG4));
}

}  // namespace

// ---- MQ encoder ----

MqEncoder::MqEncoder(size_t contexts) : index_(contexts, 0), mps_(contexts, 0) {}

void MqEncoder::Emit() {
  if (started_)
    out_.push_back(static_cast<uint8_t>(b_));
  started_ = true;
}

void MqEncoder::ByteOut() {
  if (b_ == 0xFF) {
    Emit();
    b_ = static_cast<int>(c_ >> 20) & 0xFF;
    c_ &= 0xFFFFF;
    ct_ = 7;
    return;
  }
  if (c_ >= 0x8000000) {
    ++b_;  // the carry
    if (b_ == 0xFF) {
      c_ &= 0x7FFFFFF;
      Emit();
      b_ = static_cast<int>(c_ >> 20) & 0xFF;
      c_ &= 0xFFFFF;
      ct_ = 7;
      return;
    }
  }
  Emit();
  b_ = static_cast<int>(c_ >> 19) & 0xFF;
  c_ &= 0x7FFFF;
  ct_ = 8;
}

void MqEncoder::RenormE() {
  do {
    a_ <<= 1;
    c_ <<= 1;
    if (--ct_ == 0)
      ByteOut();
  } while ((a_ & 0x8000) == 0);
}

void MqEncoder::Encode(size_t context, int bit) {
  const QeRow& row = kQe[index_[context]];
  a_ -= row.qe;
  if (bit == mps_[context]) {
    if ((a_ & 0x8000) != 0) {
      c_ += row.qe;
      return;
    }
    if (a_ < row.qe)
      a_ = row.qe;
    else
      c_ += row.qe;
    index_[context] = row.nmps;
  } else {
    if (a_ < row.qe)
      c_ += row.qe;
    else
      a_ = row.qe;
    if (row.sw)
      mps_[context] = static_cast<uint8_t>(1 - mps_[context]);
    index_[context] = row.nlps;
  }
  RenormE();
}

std::vector<uint8_t> MqEncoder::Finish() {
  const uint32_t top = c_ + a_;
  c_ |= 0xFFFF;
  if (c_ >= top)
    c_ -= 0x8000;
  c_ <<= ct_;
  ByteOut();
  c_ <<= ct_;
  ByteOut();
  Emit();
  if (b_ != 0xFF)
    out_.push_back(0xFF);
  out_.push_back(0xAC);
  return std::move(out_);
}

void MqEncoder::EncodeInteger(size_t base, int value, bool oob) {
  uint32_t prev = 1;
  auto bit = [&](int d) {
    Encode(base + prev, d);
    prev = prev < 256 ? (prev << 1) | d : (((prev << 1) | d) & 511) | 256;
  };
  const uint32_t magnitude = oob ? 0 : static_cast<uint32_t>(value < 0 ? -value : value);
  bit(oob || value < 0 ? 1 : 0);
  // Prefix ones, then the offset and width of the magnitude's range.
  struct Range {
    int prefix;
    int bits;
    uint32_t offset;
  };
  constexpr Range kRanges[] = {{0, 2, 0},  {1, 4, 4},    {2, 6, 20},
                               {3, 8, 84}, {4, 12, 340}, {5, 32, 4436}};
  const Range* range = &kRanges[5];
  for (const Range& r : kRanges) {
    if (r.bits < 32 && magnitude < r.offset + (uint32_t{1} << r.bits)) {
      range = &r;
      break;
    }
  }
  for (int i = 0; i < range->prefix; ++i)
    bit(1);
  if (range->prefix < 5)
    bit(0);
  const uint32_t rest = magnitude - range->offset;
  for (int i = range->bits - 1; i >= 0; --i)
    bit(static_cast<int>((rest >> i) & 1));
}

void MqEncoder::EncodeSymbolId(size_t base, uint32_t value, int bits) {
  uint32_t prev = 1;
  for (int i = bits - 1; i >= 0; --i) {
    const int d = static_cast<int>((value >> i) & 1);
    Encode(base + prev, d);
    prev = (prev << 1) | d;
  }
}

void Jbig2EncodeGeneric(const Bilevel& picture, MqEncoder* encoder) {
  const int8_t* at = kTemplate0At;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const auto p = [&](int dx, int dy) { return Pixel(picture, x + dx, y + dy); };
      const size_t context = p(-1, 0) | p(-2, 0) << 1 | p(-3, 0) << 2 | p(-4, 0) << 3 |
                             p(at[0], at[1]) << 4 | p(2, -1) << 5 | p(1, -1) << 6 | p(0, -1) << 7 |
                             p(-1, -1) << 8 | p(-2, -1) << 9 | p(at[2], at[3]) << 10 |
                             p(at[4], at[5]) << 11 | p(1, -2) << 12 | p(0, -2) << 13 |
                             p(-1, -2) << 14 | p(at[6], at[7]) << 15;
      encoder->Encode(context, p(0, 0));
    }
  }
}

// ---- Segments ----

uint32_t Jbig2Stream::Segment(uint8_t type, uint32_t page, std::span<const uint8_t> data,
                              const std::vector<uint32_t>& refers_to) {
  const uint32_t number = next_number_++;
  Put32(&bytes_, number);
  bytes_.push_back(static_cast<uint8_t>(type | (page > 255 ? 0x40 : 0)));
  bytes_.push_back(static_cast<uint8_t>(refers_to.size() << 5));  // short form, nothing retained
  for (uint32_t other : refers_to) {
    if (number <= 256)
      bytes_.push_back(static_cast<uint8_t>(other));
    else if (number <= 65536)
      Put16(&bytes_, static_cast<uint16_t>(other));
    else
      Put32(&bytes_, other);
  }
  if (page > 255)
    Put32(&bytes_, page);
  else
    bytes_.push_back(static_cast<uint8_t>(page));
  Put32(&bytes_, static_cast<uint32_t>(data.size()));
  bytes_.insert(bytes_.end(), data.begin(), data.end());
  return number;
}

uint32_t Jbig2Stream::PageInformation(uint32_t width, uint32_t height) {
  std::vector<uint8_t> data;
  Put32(&data, width);
  Put32(&data, height);
  Put32(&data, 0);  // resolution unknown
  Put32(&data, 0);
  data.push_back(0);  // white default pixel, OR
  Put16(&data, 0);    // not striped
  return Segment(kPageInformation, 1, data);
}

uint32_t Jbig2Stream::GenericRegion(const Bilevel& picture, uint32_t x, uint32_t y,
                                    Jbig2Coding coding) {
  std::vector<uint8_t> data;
  PutRegionInfo(&data, static_cast<uint32_t>(picture.width), static_cast<uint32_t>(picture.height),
                x, y);
  if (coding == Jbig2Coding::kMmr) {
    data.push_back(1);  // MMR
    const std::vector<uint8_t> mmr = MmrData(picture);
    data.insert(data.end(), mmr.begin(), mmr.end());
  } else {
    data.push_back(0);  // template 0, no typical prediction
    data.insert(data.end(), kTemplate0At, kTemplate0At + 8);
    MqEncoder encoder(kGenericContexts);
    Jbig2EncodeGeneric(picture, &encoder);
    const std::vector<uint8_t> coded = encoder.Finish();
    data.insert(data.end(), coded.begin(), coded.end());
  }
  return Segment(kImmediateGenericRegion, 1, data);
}

uint32_t Jbig2Stream::EmptyHeightClasses(uint32_t symbols, int classes) {
  enum { kIadh, kIadw };
  std::vector<uint8_t> data;
  Put16(&data, 0);  // arithmetic, no refinement, template 0
  data.insert(data.end(), kTemplate0At, kTemplate0At + 8);
  Put32(&data, symbols);  // exported
  Put32(&data, symbols);  // new
  MqEncoder encoder(kAllContexts);
  for (int i = 0; i < classes; ++i) {
    encoder.EncodeInteger(Integer(kIadh), i == 0 ? 8 : 0);
    encoder.EncodeInteger(Integer(kIadw), 0, /*oob=*/true);
  }
  const std::vector<uint8_t> coded = encoder.Finish();
  data.insert(data.end(), coded.begin(), coded.end());
  return Segment(kSymbolDictionary, 0, data);
}

uint32_t Jbig2Stream::SymbolDictionary(const std::vector<Bilevel>& symbols) {
  enum { kIadh, kIadw, kIaex };
  std::vector<uint8_t> data;
  Put16(&data, 0);  // arithmetic, no refinement, template 0
  data.insert(data.end(), kTemplate0At, kTemplate0At + 8);
  Put32(&data, static_cast<uint32_t>(symbols.size()));  // exported
  Put32(&data, static_cast<uint32_t>(symbols.size()));  // new
  MqEncoder encoder(kAllContexts);
  // One height class: the height, then each width as a difference, then OOB.
  encoder.EncodeInteger(Integer(kIadh), symbols.front().height);
  int width = 0;
  for (const Bilevel& symbol : symbols) {
    encoder.EncodeInteger(Integer(kIadw), symbol.width - width);
    width = symbol.width;
    Jbig2EncodeGeneric(symbol, &encoder);
  }
  encoder.EncodeInteger(Integer(kIadw), 0, /*oob=*/true);
  // Export flags as runs: none left out, then all.
  encoder.EncodeInteger(Integer(kIaex), 0);
  encoder.EncodeInteger(Integer(kIaex), static_cast<int>(symbols.size()));
  const std::vector<uint8_t> coded = encoder.Finish();
  data.insert(data.end(), coded.begin(), coded.end());
  return Segment(kSymbolDictionary, 0, data);
}

uint32_t Jbig2Stream::TextRegion(uint32_t dictionary, const std::vector<Bilevel>& symbols,
                                 uint32_t width, uint32_t height,
                                 const std::vector<Jbig2Glyph>& glyphs) {
  enum { kIadt, kIafs, kIads };
  int code_length = 0;
  while ((size_t{1} << code_length) < symbols.size())
    ++code_length;
  std::vector<uint8_t> data;
  PutRegionInfo(&data, width, height, 0, 0);
  Put16(&data, 0x0010);  // arithmetic, one strip row, top-left reference corner, OR
  Put32(&data, static_cast<uint32_t>(glyphs.size()));
  MqEncoder encoder(kAllContexts);
  encoder.EncodeInteger(Integer(kIadt), 0);  // strip T starts at 0
  int strip_t = 0;
  int first_s = 0;
  for (size_t i = 0; i < glyphs.size();) {
    const int row_y = glyphs[i].y;
    encoder.EncodeInteger(Integer(kIadt), row_y - strip_t);
    strip_t = row_y;
    int cur_s = 0;
    for (bool first = true; i < glyphs.size() && glyphs[i].y == row_y; ++i, first = false) {
      const Jbig2Glyph& g = glyphs[i];
      if (first) {
        encoder.EncodeInteger(Integer(kIafs), g.x - first_s);
        first_s = g.x;
      } else {
        encoder.EncodeInteger(Integer(kIads), g.x - cur_s);
      }
      encoder.EncodeSymbolId(kSymbolIdBase, static_cast<uint32_t>(g.id), code_length);
      // The next symbol's S counts from this one's last column.
      cur_s = g.x + symbols[static_cast<size_t>(g.id)].width - 1;
    }
    encoder.EncodeInteger(Integer(kIads), 0, /*oob=*/true);
  }
  const std::vector<uint8_t> coded = encoder.Finish();
  data.insert(data.end(), coded.begin(), coded.end());
  return Segment(kImmediateTextRegion, 1, data, {dictionary});
}

uint32_t Jbig2Stream::EndOfPage() {
  return Segment(kEndOfPage, 1, {});
}

std::vector<uint8_t> Jbig2EmbeddedPage(const Bilevel& picture, Jbig2Coding coding, int stripes) {
  Jbig2Stream stream;
  stream.PageInformation(static_cast<uint32_t>(picture.width),
                         static_cast<uint32_t>(picture.height));
  const int rows_per_stripe = (picture.height + stripes - 1) / stripes;
  for (int top = 0; top < picture.height; top += rows_per_stripe) {
    const int rows = std::min(rows_per_stripe, picture.height - top);
    Bilevel part = MakeBlankPage(picture.width, rows, false);
    std::copy_n(picture.rows.begin() + static_cast<ptrdiff_t>(top) * picture.stride(),
                static_cast<size_t>(rows) * picture.stride(), part.rows.begin());
    stream.GenericRegion(part, 0, static_cast<uint32_t>(top), coding);
  }
  stream.EndOfPage();
  return stream.bytes();
}

std::vector<uint8_t> Jbig2File(std::span<const uint8_t> globals, std::span<const uint8_t> page) {
  std::vector<uint8_t> file = {0x97, 0x4A, 0x42, 0x32, 0x0D, 0x0A, 0x1A, 0x0A};
  file.push_back(0x01);  // sequential, page count known
  Put32(&file, 1);
  file.insert(file.end(), globals.begin(), globals.end());
  file.insert(file.end(), page.begin(), page.end());
  return file;
}

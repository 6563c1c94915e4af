// DecodeJpx: OpenJPEG reads JP2 files and bare codestreams from memory; its
// components are then brought to one size and 8 bits (jpx_components.cpp).
#include "filters/jpx.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "diag/format.h"
#include "filters/jpx_components.h"

namespace {

// The most components a picture may have: the largest colour space a reader
// must accept (DeviceN) has 32, and OpenJPEG holds a full plane for each.
constexpr uint32_t kMaxJpxComponents = 32;
// OpenJPEG holds every decoded sample as a 32-bit integer: a gigabyte of them
// is more than any real picture needs.
constexpr uint64_t kMaxDecodedSamples = uint64_t{1} << 28;
// Room for OpenJPEG's last message, which names what it refused.
constexpr size_t kMessageSize = 256;

constexpr uint8_t kJp2Signature[] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20};
constexpr uint8_t kCodestreamStart[] = {0xFF, 0x4F, 0xFF, 0x51};  // SOC, then SIZ

// OpenJPEG's messages, kept instead of printed. Fixed buffers: the handlers
// run inside C code, where nothing may throw.
struct Messages {
  char error[kMessageSize] = {};
  char warning[kMessageSize] = {};
};

void Keep(char* buffer, const char* text) {
  if (text == nullptr)
    return;
  std::strncpy(buffer, text, kMessageSize - 1);
  buffer[kMessageSize - 1] = '\0';
  const size_t length = std::strlen(buffer);
  if (length > 0 && buffer[length - 1] == '\n')
    buffer[length - 1] = '\0';
}

// The first error names the cause; those after it are its consequences.
void OnError(const char* text, void* messages) {
  char* error = static_cast<Messages*>(messages)->error;
  if (error[0] == '\0')
    Keep(error, text);
}
void OnWarning(const char* text, void* messages) {
  Keep(static_cast<Messages*>(messages)->warning, text);
}
void OnInfo(const char*, void*) {}

// The input as an OpenJPEG stream.
struct SpanReader {
  const uint8_t* data;
  size_t size;
  size_t position;
  // OpenJPEG asked for more after the end: the data stop before the codestream does.
  bool read_past_end;
};

OPJ_SIZE_T ReadSpan(void* buffer, OPJ_SIZE_T bytes, void* user) {
  auto* reader = static_cast<SpanReader*>(user);
  const size_t left = reader->size - reader->position;
  if (left == 0) {
    reader->read_past_end = true;
    return static_cast<OPJ_SIZE_T>(-1);  // the end, as OpenJPEG expects it
  }
  const size_t n = std::min<size_t>(bytes, left);
  std::memcpy(buffer, reader->data + reader->position, n);
  reader->position += n;
  return n;
}

OPJ_OFF_T SkipSpan(OPJ_OFF_T bytes, void* user) {
  auto* reader = static_cast<SpanReader*>(user);
  const size_t left = reader->size - reader->position;
  // OpenJPEG loops until all is skipped: nothing skipped must say -1.
  if (bytes <= 0 || left == 0)
    return -1;
  const size_t n = std::min(static_cast<size_t>(bytes), left);
  reader->position += n;
  return static_cast<OPJ_OFF_T>(n);
}

OPJ_BOOL SeekSpan(OPJ_OFF_T position, void* user) {
  auto* reader = static_cast<SpanReader*>(user);
  if (position < 0 || static_cast<uint64_t>(position) > reader->size)
    return OPJ_FALSE;
  reader->position = static_cast<size_t>(position);
  return OPJ_TRUE;
}

struct CodecDelete {
  void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamDelete {
  void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageDelete {
  void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
struct InfoDelete {
  void operator()(opj_codestream_info_v2_t* info) const { opj_destroy_cstr_info(&info); }
};
using CodecOwner = std::unique_ptr<opj_codec_t, CodecDelete>;
using StreamOwner = std::unique_ptr<opj_stream_t, StreamDelete>;
using ImageOwner = std::unique_ptr<opj_image_t, ImageDelete>;
using InfoOwner = std::unique_ptr<opj_codestream_info_v2_t, InfoDelete>;

bool StartsWith(std::span<const uint8_t> data, std::span<const uint8_t> prefix) {
  return data.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), data.begin());
}

uint64_t CeilShift(uint64_t value, int shift) {
  return (value + (uint64_t{1} << shift) - 1) >> shift;
}

// The reference grid's size with `reduction` levels dropped.
uint64_t ReducedSide(uint32_t start, uint32_t end, int reduction) {
  return CeilShift(end, reduction) - CeilShift(start, reduction);
}

// Resolution levels every component has: one fewer may be dropped.
int CommonResolutions(opj_codec_t* codec, uint32_t components) {
  const InfoOwner info(opj_get_cstr_info(codec));
  if (info == nullptr || info->m_default_tile_info.tccp_info == nullptr)
    return 1;
  uint32_t fewest = UINT32_MAX;
  for (uint32_t c = 0; c < std::min(components, info->nbcomps); ++c) {
    fewest = std::min(fewest, info->m_default_tile_info.tccp_info[c].numresolutions);
  }
  return fewest == UINT32_MAX || fewest == 0 ? 1 : static_cast<int>(std::min(fewest, 33u));
}

bool Fail(std::string* error, std::string text) {
  *error = std::move(text);
  return false;
}

std::string OpenJpegText(const Messages& messages, const char* fallback) {
  return messages.error[0] != '\0' ? FormatText("%s (%s)", fallback, messages.error) : fallback;
}

// A warning that says a tile part goes beyond the data: OpenJPEG then stops
// without reading past the end.
bool SaysTruncated(const char* warning) {
  return std::strstr(warning, "inconsistent with stream length") != nullptr ||
         std::strstr(warning, "Stream too short") != nullptr;
}

bool Decode(std::span<const uint8_t> data, size_t max_pixels, JpxImage* out, std::string* error) {
  OPJ_CODEC_FORMAT format;
  if (StartsWith(data, kJp2Signature)) {
    format = OPJ_CODEC_JP2;
  } else if (StartsWith(data, kCodestreamStart)) {
    format = OPJ_CODEC_J2K;
  } else {
    return Fail(error, "neither a JP2 file nor a JPEG 2000 codestream");
  }
  Messages messages;
  const CodecOwner codec(opj_create_decompress(format));
  if (codec == nullptr)
    return Fail(error, "OpenJPEG could not start");
  opj_set_info_handler(codec.get(), OnInfo, &messages);
  opj_set_warning_handler(codec.get(), OnWarning, &messages);
  opj_set_error_handler(codec.get(), OnError, &messages);
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(codec.get(), &parameters))
    return Fail(error, OpenJpegText(messages, "OpenJPEG refused its parameters"));
  // Data cut short decode as far as they go, as other readers show them.
  opj_decoder_set_strict_mode(codec.get(), OPJ_FALSE);

  SpanReader reader{data.data(), data.size(), 0, false};
  const StreamOwner stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
  if (stream == nullptr)
    return Fail(error, "OpenJPEG could not start");
  opj_stream_set_read_function(stream.get(), ReadSpan);
  opj_stream_set_skip_function(stream.get(), SkipSpan);
  opj_stream_set_seek_function(stream.get(), SeekSpan);
  opj_stream_set_user_data(stream.get(), &reader, nullptr);
  opj_stream_set_user_data_length(stream.get(), data.size());

  opj_image_t* raw_image = nullptr;
  const bool header_read = opj_read_header(stream.get(), codec.get(), &raw_image);
  ImageOwner image(raw_image);
  if (!header_read || image == nullptr)
    return Fail(error, OpenJpegText(messages, "unreadable header"));
  const uint32_t count = image->numcomps;
  if (count == 0 || count > kMaxJpxComponents || image->comps == nullptr) {
    return Fail(error, FormatText("%u components, not 1 to %u", count, kMaxJpxComponents));
  }
  if (image->x1 <= image->x0 || image->y1 <= image->y0)
    return Fail(error, "the picture has no size");

  // The fewest levels dropped that bring the picture within max_pixels.
  const int most = CommonResolutions(codec.get(), count) - 1;
  int reduction = 0;
  for (;; ++reduction) {
    const uint64_t pixels =
        ReducedSide(image->x0, image->x1, reduction) * ReducedSide(image->y0, image->y1, reduction);
    if (pixels <= max_pixels && pixels <= kMaxDecodedSamples / count)
      break;
    if (reduction == most) {
      return Fail(error, FormatText("the %ux%u picture has more than %zu pixels even at its "
                                    "lowest resolution",
                                    image->x1 - image->x0, image->y1 - image->y0, max_pixels));
    }
  }
  if (reduction > 0 && !opj_set_decoded_resolution_factor(codec.get(), reduction))
    return Fail(error, OpenJpegText(messages, "OpenJPEG refused the reduction"));
  if (!opj_decode(codec.get(), stream.get(), image.get()))
    return Fail(error, OpenJpegText(messages, "undecodable data"));
  // After the picture a JP2 file is read to its end, which is no cut.
  const bool cut = reader.read_past_end || SaysTruncated(messages.warning);
  if (!opj_end_decompress(codec.get(), stream.get()))
    return Fail(error, OpenJpegText(messages, "undecodable data after the picture"));

  out->full_width = static_cast<int>(std::min<uint32_t>(image->x1 - image->x0, INT32_MAX));
  out->full_height = static_cast<int>(std::min<uint32_t>(image->y1 - image->y0, INT32_MAX));
  out->reduction = reduction;
  if (!ConvertJpxComponents(*image, reduction, out, error))
    return false;
  if (cut)
    *error = "the data end before the codestream does";
  return true;
}

}  // namespace

bool DecodeJpx(std::span<const uint8_t> data, size_t max_pixels, JpxImage* out,
               std::string* error) {
  *out = JpxImage{};
  error->clear();
  bool ok = false;
  try {
    ok = Decode(data, max_pixels, out, error);
  } catch (const std::bad_alloc&) {
    ok = Fail(error, "out of memory while decoding");
  }
  if (!ok)
    *out = JpxImage{};
  return ok;
}

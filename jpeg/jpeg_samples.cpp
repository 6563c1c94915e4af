// DecodeJpegSamples: libjpeg decodes into a plain sample buffer. The guard
// turns libjpeg's errors into returns; data that stop early are recorded by it
// and the rows decoded before are kept.
#include "jpeg/jpeg_samples.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstddef>
#include <cstring>
#include <new>

#include "diag/format.h"
#include "jpeg/jpeg_guard.h"

namespace {

// The colour transform values a caller may pass.
constexpr int kTransformAsData = -1;
constexpr int kTransformNone = 0;
constexpr int kTransformYcc = 1;

// Blank samples where the data ran out: paper white, which for CMYK inks
// stored as they are means none, and for the Adobe marker's inverted inks 255.
constexpr uint8_t kWhite = 255;
constexpr uint8_t kNoInk = 0;
// Data cut inside a marker segment are tried again without it, and without
// the segment before when that fails too: more is never a cut.
constexpr int kMaxSegmentRetries = 2;

struct Decode {
  jpeg_decompress_struct cinfo{};
  JpegGuard guard{};
  int components = 0;
  JDIMENSION width = 0;
  JDIMENSION height = 0;
  // Rows fully read from the data; the rest are filled white.
  JDIMENSION good_rows = 0;
  bool all_rows_read = false;
  bool trailing_damage = false;
  JpegOutcome outcome = JpegOutcome::kUnreadable;
};

std::string LibjpegText(jpeg_decompress_struct* cinfo) {
  char text[JMSG_LENGTH_MAX] = {};
  (*cinfo->err->format_message)(reinterpret_cast<j_common_ptr>(cinfo), text);
  return text;
}

// The colour space the data are decoded from, and the one handed out.
bool ChooseSpaces(jpeg_decompress_struct* cinfo, int color_transform, std::string* error) {
  const int components = cinfo->num_components;
  if (components != 1 && components != 3 && components != 4) {
    *error = FormatText("the picture has %d components, not 1, 3 or 4", components);
    return false;
  }
  // libjpeg has already chosen by the Adobe marker or, without it, by its
  // usual guess, which is what -1 asks for.
  if (components > 1 && !cinfo->saw_Adobe_marker && color_transform != kTransformAsData) {
    if (color_transform == kTransformNone) {
      cinfo->jpeg_color_space = components == 3 ? JCS_RGB : JCS_CMYK;
    } else if (color_transform == kTransformYcc) {
      cinfo->jpeg_color_space = components == 3 ? JCS_YCbCr : JCS_YCCK;
    }
  }
  cinfo->out_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  return true;
}

// Output rows of one iMCU row, the unit libjpeg decodes at a time.
JDIMENSION RowsPerImcuRow(const jpeg_decompress_struct* cinfo) {
#if JPEG_LIB_VERSION >= 70
  const int block_rows = cinfo->min_DCT_v_scaled_size;
#else
  const int block_rows = cinfo->min_DCT_scaled_size;
#endif
  return static_cast<JDIMENSION>(cinfo->max_v_samp_factor * block_rows);
}

// The header, the colour spaces and the output size; false with the reason.
// A libjpeg error jumps back here, so nothing with a destructor lives in this frame.
bool ReadHeader(Decode* d, std::span<const uint8_t> data, int color_transform, int scale_denom,
                std::string* error) {
  if (setjmp(d->guard.jump) != 0) {
    *error = LibjpegText(&d->cinfo);
    if (d->guard.ran_out) {
      *error += " (the data end early)";
    }
    return false;
  }
  jpeg_mem_src(&d->cinfo, data.data(), static_cast<unsigned long>(data.size()));
  if (jpeg_read_header(&d->cinfo, TRUE) != JPEG_HEADER_OK) {
    *error = "the data hold no picture";
    return false;
  }
  if (!ChooseSpaces(&d->cinfo, color_transform, error)) {
    return false;
  }
  d->cinfo.scale_num = 1;
  d->cinfo.scale_denom = static_cast<unsigned int>(scale_denom);
  jpeg_calc_output_dimensions(&d->cinfo);
  d->components = d->cinfo.output_components;
  d->width = d->cinfo.output_width;
  d->height = d->cinfo.output_height;
  if (d->width == 0 || d->height == 0 || d->width > INT32_MAX || d->height > INT32_MAX) {
    *error = "the picture has no size";
    return false;
  }
  return true;
}

// Where the good rows end when the coded data of a picture of several scans
// stop early: all of them once the first scan is complete (later scans only
// refine), else the iMCU rows that scan completed but the last, whose bottom
// rows are smoothed and upsampled with the blank row below.
JDIMENSION GoodRowsOfScans(const Decode& d) {
  if (d.guard.cut_scan > 1) {
    return d.height;
  }
  const JDIMENSION complete = d.guard.cut_imcu_row > 0 ? d.guard.cut_imcu_row - 1 : 0;
  const JDIMENSION per_row = RowsPerImcuRow(&d.cinfo);
  return complete >= d.height / std::max<JDIMENSION>(per_row, 1) ? d.height : complete * per_row;
}

// Decompresses into `samples` (width * height * components bytes). False with
// the reason on a libjpeg error before every row was read.
bool ReadRows(Decode* d, uint8_t* samples, std::string* error) {
  if (setjmp(d->guard.jump) != 0) {
    if (d->all_rows_read) {
      // Trouble in the markers after the picture: the samples are all there.
      *error = "after the picture: " + LibjpegText(&d->cinfo);
      d->trailing_damage = true;
      return true;
    }
    *error = LibjpegText(&d->cinfo);
    return false;
  }
  const bool several_scans = jpeg_has_multiple_scans(&d->cinfo);
  jpeg_start_decompress(&d->cinfo);
  if (d->cinfo.output_width != d->width || d->cinfo.output_height != d->height ||
      d->cinfo.output_components != d->components) {
    *error = "libjpeg changed the picture's size";
    return false;
  }
  d->good_rows = d->height;
  if (several_scans && d->guard.scan_cut) {
    d->good_rows = GoodRowsOfScans(*d);
  }
  const size_t stride = static_cast<size_t>(d->width) * static_cast<size_t>(d->components);
  while (d->cinfo.output_scanline < d->height) {
    JSAMPROW row = samples + stride * d->cinfo.output_scanline;
    if (jpeg_read_scanlines(&d->cinfo, &row, 1) != 1) {
      *error = "libjpeg stopped before the last row";
      return false;
    }
    if (!several_scans && d->guard.scan_cut) {
      // One scan is decoded as rows are read: those handed out before the
      // data went missing are whole, the rest would be filler.
      d->good_rows = d->guard.cut_output_row;
      break;
    }
  }
  d->all_rows_read = true;
  if (d->good_rows == d->height) {
    jpeg_finish_decompress(&d->cinfo);  // reads up to the end marker
  }
  return true;
}

bool Fail(std::string* error, std::string text) {
  *error = std::move(text);
  return false;
}

bool Run(Decode* d, std::span<const uint8_t> data, int color_transform, int scale_denom,
         size_t limit, JpegSamples* out, std::string* error) {
  jpeg_create_decompress(&d->cinfo);  // cannot fail: its only error is a version mismatch
  JpegGuardLimit(&d->guard, &d->cinfo);
  d->guard.keep_partial = true;
  if (!ReadHeader(d, data, color_transform, scale_denom, error)) {
    return false;
  }
  const size_t pixels = static_cast<size_t>(d->width) * static_cast<size_t>(d->height);
  const auto components = static_cast<size_t>(d->components);
  if (pixels > limit / components) {
    d->outcome = JpegOutcome::kOverLimit;
    return Fail(error, FormatText("the %ux%u picture's samples would take more than %zu bytes",
                                  d->width, d->height, limit));
  }
  try {
    out->samples.assign(pixels * components, 0);
  } catch (const std::bad_alloc&) {
    return Fail(error, "out of memory for the picture's samples");
  }
  out->width = static_cast<int>(d->width);
  out->height = static_cast<int>(d->height);
  out->components = d->components;
  out->adobe_marker = d->cinfo.saw_Adobe_marker != 0;
  if (!ReadRows(d, out->samples.data(), error)) {
    return false;
  }
  if (d->good_rows < d->height) {
    const bool stored_inks = d->components == 4 && !out->adobe_marker;
    const size_t stride = static_cast<size_t>(d->width) * components;
    std::fill(out->samples.begin() + static_cast<ptrdiff_t>(stride * d->good_rows),
              out->samples.end(), stored_inks ? kNoInk : kWhite);
    *error = FormatText("the data end early: %u of %u rows decoded", d->good_rows, d->height);
  } else if (d->guard.scan_cut) {
    *error = "the data end early: the last scans are missing";
  } else if (d->guard.ran_out) {
    *error = "the data end without an end marker";
  }
  d->outcome = !error->empty()
                   ? (d->guard.ran_out || d->guard.scan_cut ? JpegOutcome::kEndedEarly
                                                            : JpegOutcome::kTrailingDamage)
                   : JpegOutcome::kComplete;
  return true;
}

bool Attempt(std::span<const uint8_t> data, int color_transform, int scale_denom, size_t limit,
             JpegSamples* out, std::string* error, JpegOutcome* outcome, bool* ran_out) {
  Decode d;
  JpegGuardInstall(&d.guard, &d.cinfo);
  const bool ok = Run(&d, data, color_transform, scale_denom, limit, out, error);
  jpeg_destroy_decompress(&d.cinfo);
  *outcome = d.outcome;
  *ran_out = d.guard.ran_out;
  return ok;
}

// Where the last marker starts: coded data escape 0xFF as FF 00, and restart
// markers belong to the data.
size_t LastMarker(std::span<const uint8_t> data) {
  for (size_t i = data.size(); i-- > 1;) {
    const uint8_t code = data[i];
    if (data[i - 1] == 0xFF && code != 0x00 && code != 0xFF && (code < 0xD0 || code > 0xD7)) {
      return i - 1;
    }
  }
  return 0;
}

// Producers that keep a TIFF's JPEG tables as a stream of their own and
// write the picture after them leave a second SOI (sometimes after an EOI)
// among the tables, before the frame; libjpeg refuses it. The same data
// without that marker are the picture. False when there is none to drop.
bool DropStraySoi(std::span<const uint8_t> data, std::vector<uint8_t>* mended) {
  if (data.size() < 4 || data[0] != 0xFF || data[1] != 0xD8) {
    return false;
  }
  size_t at = 2;
  while (at + 4 <= data.size() && data[at] == 0xFF) {
    const uint8_t marker = data[at + 1];
    size_t cut = 0;
    if (marker == 0xFF) {
      ++at;  // fill byte
      continue;
    }
    if (marker == 0xD8) {
      cut = 2;
    } else if (marker == 0xD9 && data[at + 2] == 0xFF && data[at + 3] == 0xD8) {
      cut = 4;
    }
    if (cut > 0) {
      mended->assign(data.begin(), data.begin() + static_cast<ptrdiff_t>(at));
      mended->insert(mended->end(), data.begin() + static_cast<ptrdiff_t>(at + cut), data.end());
      return true;
    }
    const bool frame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame || marker == 0xDA || marker == 0xD9) {
      return false;  // the picture starts as it should
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      at += 2;
      continue;
    }
    at += 2 + (static_cast<size_t>(data[at + 2]) << 8 | data[at + 3]);
  }
  return false;
}

}  // namespace

bool DecodeJpegSamples(std::span<const uint8_t> data, int color_transform, int scale_denom,
                       size_t limit, JpegSamples* out, std::string* error) {
  JpegOutcome outcome;
  return DecodeJpegSamples(data, color_transform, scale_denom, limit, out, error, &outcome);
}

bool DecodeJpegSamples(std::span<const uint8_t> data, int color_transform, int scale_denom,
                       size_t limit, JpegSamples* out, std::string* error, JpegOutcome* outcome) {
  *out = JpegSamples{};
  *outcome = JpegOutcome::kUnreadable;
  error->clear();
  if (scale_denom != 1 && scale_denom != 2 && scale_denom != 4 && scale_denom != 8) {
    return Fail(error, FormatText("scale 1/%d is not 1, 1/2, 1/4 or 1/8", scale_denom));
  }
  if (color_transform < kTransformAsData || color_transform > kTransformYcc) {
    return Fail(error, FormatText("ColorTransform %d is not 0 or 1", color_transform));
  }
  if (data.empty()) {
    return Fail(error, "no data");
  }
  if (data.size() > ULONG_MAX) {
    return Fail(error, "too much data for libjpeg");
  }
  std::vector<uint8_t> mended;
  if (DropStraySoi(data, &mended)) {
    data = mended;
  }
  bool ran_out = false;
  bool ok = Attempt(data, color_transform, scale_denom, limit, out, error, outcome, &ran_out);
  // Data cut inside a marker segment after the first scan (tables or the
  // header of a later scan) fail in that segment; without it the scans before
  // are a whole picture, only coarser.
  std::span<const uint8_t> shorter = data;
  for (int retry = 0;
       !ok && ran_out && *outcome == JpegOutcome::kUnreadable && retry < kMaxSegmentRetries;
       ++retry) {
    shorter = shorter.first(LastMarker(shorter));
    std::string ignored;
    if (shorter.empty() ||
        !Attempt(shorter, color_transform, scale_denom, limit, out, &ignored, outcome, &ran_out)) {
      continue;
    }
    ok = true;
    *outcome = JpegOutcome::kEndedEarly;
    *error = ignored.find("rows decoded") != std::string::npos
                 ? ignored
                 : std::string("the data end early: the last scans are missing");
  }
  if (!ok) {
    *out = JpegSamples{};
  }
  return ok;
}

// The error manager and progress monitor behind JpegGuard.
#include "jpeg/jpeg_guard.h"

#include <jerror.h>

namespace {

// A progressive picture may have any number of scans; real ones have a dozen.
// Beyond this a crafted file could keep the decoder busy without end.
constexpr int kMaxScans = 1000;
// Work memory libjpeg may take beyond the bitmap (coefficient buffers of large
// progressive pictures); more fails instead of exhausting the machine.
constexpr long kMaxWorkMemory = 1L << 30;

JpegGuard* GuardOf(j_common_ptr cinfo) {
  return reinterpret_cast<JpegGuard*>(cinfo->err);
}

[[noreturn]] void JumpBack(j_common_ptr cinfo) {
  std::longjmp(GuardOf(cinfo)->jump, 1);
}

// libjpeg only warns when data is missing and pads the picture; here that is a
// failure. A single-scan file that lacks only its end marker (a stream cut a
// little short) still decodes: libjpeg supplies the marker once, and any part
// missing before it shows as coded bits not there or a second run-out. With
// several scans a cut between two of them cannot be told from a missing end
// marker, so there running out at all fails. Other warnings (such as stray bytes
// before a marker, common in real files) are tolerated.
// With keep_partial the same events are only recorded, where they first happen.
void RecordDataEnd(JpegGuard* guard, j_common_ptr cinfo, int code) {
  if (code == JWRN_JPEG_EOF) {
    guard->ran_out = true;
    return;
  }
  if (guard->scan_cut || !cinfo->is_decompressor) {
    return;
  }
  auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
  guard->scan_cut = true;
  guard->cut_output_row = dinfo->output_scanline;
  guard->cut_imcu_row = dinfo->input_iMCU_row;
  guard->cut_scan = dinfo->input_scan_number;
}

void EmitMessage(j_common_ptr cinfo, int level) {
  if (level < 0) {
    JpegGuard* guard = GuardOf(cinfo);
    const int code = cinfo->err->msg_code;
    if (guard->keep_partial) {
      if (code == JWRN_HIT_MARKER || code == JWRN_JPEG_EOF) {
        RecordDataEnd(guard, cinfo, code);
      }
      return;
    }
    if (code == JWRN_HIT_MARKER ||
        (code == JWRN_JPEG_EOF && (!guard->end_marker_may_be_missing || ++guard->data_ends > 1))) {
      JumpBack(cinfo);
    }
  }
}

void OutputMessage(j_common_ptr) {}

void CheckProgress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor) {
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number > kMaxScans) {
      JumpBack(cinfo);
    }
  }
}

}  // namespace

void JpegGuardInstall(JpegGuard* guard, jpeg_decompress_struct* cinfo) {
  cinfo->err = jpeg_std_error(&guard->err);
  guard->err.error_exit = JumpBack;
  guard->err.emit_message = EmitMessage;
  guard->err.output_message = OutputMessage;
}

void JpegGuardLimit(JpegGuard* guard, jpeg_decompress_struct* cinfo) {
  guard->progress = jpeg_progress_mgr{};
  guard->progress.progress_monitor = CheckProgress;
  cinfo->progress = &guard->progress;
  cinfo->mem->max_memory_to_use = kMaxWorkMemory;
}

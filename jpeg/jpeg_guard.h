// libjpeg's error handling made safe for a library: errors jump back to the caller
// instead of exiting, messages are kept quiet, missing data counts as an error,
// and pictures with endless scans are stopped.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

struct JpegGuard {
  jpeg_error_mgr err;  // first: libjpeg hands back a pointer to it
  jpeg_progress_mgr progress;
  std::jmp_buf jump;
  // Set once the header is read and the picture has a single scan: only then can
  // running out of data at the end mean no more than a missing end marker.
  bool end_marker_may_be_missing = false;
  int data_ends = 0;  // times the data ran out (libjpeg then supplies an end marker)

  // Set by decoders that keep what came before the end of data that stop early:
  // running out (or meeting a marker inside the coded data) is then recorded
  // below instead of failing, and libjpeg goes on with blank blocks.
  bool keep_partial = false;
  bool ran_out = false;           // the data ended before an end marker
  bool scan_cut = false;          // coded data were missing: what follows is filler
  JDIMENSION cut_output_row = 0;  // rows handed out before the first missing data
  JDIMENSION cut_imcu_row = 0;    // iMCU rows the scan had completed by then
  int cut_scan = 0;               // the scan in which data were first missing
};

// Installs the guard's error manager into `cinfo`, before jpeg_create_decompress.
// The caller must setjmp(guard->jump) before any libjpeg call that can fail.
void JpegGuardInstall(JpegGuard* guard, jpeg_decompress_struct* cinfo);
// After jpeg_create_decompress (which clears the rest of `cinfo`): the progress
// monitor and the bound on libjpeg's own work memory.
void JpegGuardLimit(JpegGuard* guard, jpeg_decompress_struct* cinfo);

// Fuzz targets drop every report: the default warning box writes each message to
// standard error, which would bury the fuzzer's own output and slow it down.
#pragma once

#include "diag/messages.h"

inline void DiscardAllMessages() {
  g_error_sink = DiscardLine;
  g_warning_sink = DiscardLine;
  g_trace_sink = DiscardLine;
}

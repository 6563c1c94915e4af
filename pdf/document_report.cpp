// The document's reports: formatted once into 512 bytes, then handed to the
// sinks as finished text, so a percent sign in a path or a key stays as it is.
#include <cstdarg>

#include "diag/format.h"
#include "diag/messages.h"
#include "pdf/bounds.h"
#include "pdf/document.h"

namespace pdf {

namespace {

void FormatReport(char (&buffer)[kReportSize], const char* format, va_list args) {
  if (FormatV(buffer, sizeof buffer, format, args) < 0) {
    buffer[0] = '\0';
  }
}

}  // namespace

void Document::Trace(const char* format, ...) {
  // Progress lines are frequent; skip the formatting while nobody listens.
  if (g_trace_sink == DiscardLine) {
    return;
  }
  char buffer[kReportSize];
  va_list args;
  va_start(args, format);
  FormatReport(buffer, format, args);
  va_end(args);
  TraceMessage("%s", buffer);
}

bool Document::Fail(const char* format, ...) {
  char buffer[kReportSize];
  va_list args;
  va_start(args, format);
  FormatReport(buffer, format, args);
  va_end(args);
  ErrorMessage("%s", buffer);
  return false;
}

bool Document::Warn(const char* format, ...) {
  char buffer[kReportSize];
  va_list args;
  va_start(args, format);
  FormatReport(buffer, format, args);
  va_end(args);
  WarningMessage("%s", buffer);
  return false;
}

}  // namespace pdf

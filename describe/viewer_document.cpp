#include "describe/viewer_document.h"

#include "diag/format.h"
#include "pdf/bounds.h"

void ViewerDocument::ReportInvalid(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Report("Invalid: ", format, args);
  va_end(args);
}

void ViewerDocument::ReportWarning(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Report("Warning: ", format, args);
  va_end(args);
}

void ViewerDocument::Report(const char* prefix, const char* format, va_list args) {
  // Unlike the default hooks, a finding never sets `invalid`.
  char text[pdf::kReportSize];
  if (FormatV(text, sizeof text, format, args) < 0) {
    text[0] = '\0';
  }
  Trace("%s%s\n", prefix, text);
  char line[pdf::kReportSize + 16];
  FormatInto(line, sizeof line, "%s%s", prefix, text);
  OnFinding(line);
}

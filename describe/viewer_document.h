// A document that reports its structural findings as the viewer does: each one
// becomes a trace line "Invalid: ...\n" or "Warning: ...\n" and none makes the
// open fail, so a file whose structure reads is always shown.
#pragma once

#include <cstdarg>

#include "pdf/document.h"

class ViewerDocument : public pdf::Document {
 public:
  void ReportInvalid(const char* format, ...) override __attribute__((format(printf, 2, 3)));
  void ReportWarning(const char* format, ...) override __attribute__((format(printf, 2, 3)));

 protected:
  // Called with each finding line, prefix included and without its line feed,
  // after it has been traced.
  virtual void OnFinding(const char* /*line*/) {}

 private:
  void Report(const char* prefix, const char* format, va_list args);
};

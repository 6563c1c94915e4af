#include "tests/support/sink_capture.h"

namespace {

SinkCapture* g_active = nullptr;

int CaptureError(const char* text) {
  g_active->errors.emplace_back(text);
  g_active->all.emplace_back(std::string("E: ") + text);
  return 1;
}
int CaptureWarning(const char* text) {
  g_active->warnings.emplace_back(text);
  g_active->all.emplace_back(std::string("W: ") + text);
  return 1;
}
int CaptureTrace(const char* text) {
  g_active->traces.emplace_back(text);
  g_active->all.emplace_back(std::string("T: ") + text);
  return 0;
}

}  // namespace

SinkCapture::SinkCapture()
    : saved_error_(g_error_sink),
      saved_warning_(g_warning_sink),
      saved_trace_(g_trace_sink),
      saved_active_(g_active) {
  g_active = this;
  g_error_sink = CaptureError;
  g_warning_sink = CaptureWarning;
  g_trace_sink = CaptureTrace;
}

SinkCapture::~SinkCapture() {
  g_error_sink = saved_error_;
  g_warning_sink = saved_warning_;
  g_trace_sink = saved_trace_;
  g_active = saved_active_;
}

void SinkCapture::Clear() {
  errors.clear();
  warnings.clear();
  traces.clear();
  all.clear();
}

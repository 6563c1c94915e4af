// The report sinks silenced for a probe that must not talk to the user.
#pragma once

#include "diag/messages.h"

// Every sink silenced while it lives; the previous ones come back after.
class QuietSinks {
 public:
  QuietSinks() : error_(g_error_sink), warning_(g_warning_sink), trace_(g_trace_sink) {
    g_error_sink = DiscardLine;
    g_warning_sink = DiscardLine;
    g_trace_sink = DiscardLine;
  }
  ~QuietSinks() {
    g_error_sink = error_;
    g_warning_sink = warning_;
    g_trace_sink = trace_;
  }
  QuietSinks(const QuietSinks&) = delete;
  QuietSinks& operator=(const QuietSinks&) = delete;

 private:
  MessageSink error_;
  MessageSink warning_;
  MessageSink trace_;
};

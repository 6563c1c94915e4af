#include "diag/messages.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "diag/format.h"

MessageSink g_error_sink = WarningBox;
MessageSink g_warning_sink = WarningBox;
MessageSink g_trace_sink = DiscardLine;

namespace {
// Set on a worker thread: every sink of that thread, whatever the globals say.
thread_local MessageSink t_thread_sink = nullptr;
}  // namespace

ScopedSinks::ScopedSinks(MessageSink error, MessageSink warning, MessageSink trace)
    : error_(g_error_sink), warning_(g_warning_sink), trace_(g_trace_sink) {
  g_error_sink = error;
  g_warning_sink = warning;
  g_trace_sink = trace;
}

ScopedSinks::~ScopedSinks() {
  g_error_sink = error_;
  g_warning_sink = warning_;
  g_trace_sink = trace_;
}

ThreadSinkOverride::ThreadSinkOverride(MessageSink sink) : previous_(t_thread_sink) {
  t_thread_sink = sink;
}

ThreadSinkOverride::~ThreadSinkOverride() {
  t_thread_sink = previous_;
}

namespace {

constexpr size_t kMessageSize = 2048;  // at most 2047 characters reach a sink

MessageBoxPresenter g_presenter = nullptr;

void FormatMessage(char (&buffer)[kMessageSize], const char* format, va_list args) {
  if (FormatV(buffer, sizeof buffer, format, args) < 0) {
    buffer[0] = '\0';
  }
}

}  // namespace

void SetMessageBoxPresenter(MessageBoxPresenter presenter) {
  g_presenter = presenter;
}

int WarningBox(const char* text) {
  return CaptionedBox(kWarningBoxCaption, text);
}

int CaptionedBox(const char* caption, const char* text) {
  if (g_presenter != nullptr) {
    return g_presenter(caption, text);
  }
  fprintf(stderr, "%s: %s\n", caption, text);
  return 1;  // as if OK had been pressed
}

int DiscardLine(const char*) {
  return 0;
}

int ErrorMessage(const char* format, ...) {
  char buffer[kMessageSize];
  va_list args;
  va_start(args, format);
  FormatMessage(buffer, format, args);
  va_end(args);
  return (t_thread_sink != nullptr ? t_thread_sink : g_error_sink)(buffer);
}

int WarningMessage(const char* format, ...) {
  char buffer[kMessageSize];
  va_list args;
  va_start(args, format);
  FormatMessage(buffer, format, args);
  va_end(args);
  return (t_thread_sink != nullptr ? t_thread_sink : g_warning_sink)(buffer);
}

void TraceMessage(const char* format, ...) {
  // Tracing is on hot paths; while nobody listens it must cost nothing.
  const MessageSink sink = t_thread_sink != nullptr ? t_thread_sink : g_trace_sink;
  if (sink == DiscardLine) {
    return;
  }
  char buffer[kMessageSize];
  va_list args;
  va_start(args, format);
  FormatMessage(buffer, format, args);
  va_end(args);
  char* line = buffer;
  while (*line != '\0') {
    char* feed = strchr(line, '\n');
    if (feed == nullptr) {
      sink(line);
      return;
    }
    *feed = '\0';
    sink(line);
    line = feed + 1;
  }
}

// The three process-wide message sinks and the functions that feed them.
// Library code never talks to the user: it formats a text and hands it to a sink.
#pragma once

using MessageSink = int (*)(const char* text);

// Sinks, replaceable (tests capture through them). Defaults: WarningBox, WarningBox,
// DiscardLine.
extern MessageSink g_error_sink;
extern MessageSink g_warning_sink;
extern MessageSink g_trace_sink;

// Replaces the three process-wide sinks while it lives; the previous ones come
// back after.
class ScopedSinks {
 public:
  ScopedSinks(MessageSink error, MessageSink warning, MessageSink trace);
  ~ScopedSinks();
  ScopedSinks(const ScopedSinks&) = delete;
  ScopedSinks& operator=(const ScopedSinks&) = delete;

 private:
  MessageSink error_;
  MessageSink warning_;
  MessageSink trace_;
};

// Replaces all three sinks for the calling thread only, while it lives: a
// document read on a worker thread must never reach the viewer's boxes.
class ThreadSinkOverride {
 public:
  explicit ThreadSinkOverride(MessageSink sink);
  ~ThreadSinkOverride();
  ThreadSinkOverride(const ThreadSinkOverride&) = delete;
  ThreadSinkOverride& operator=(const ThreadSinkOverride&) = delete;

 private:
  MessageSink previous_;
};

// Default sinks.
int WarningBox(const char* text);
int DiscardLine(const char* text);

// What WarningBox hands the caption and text to. The viewer registers a message
// box; with none registered the text goes to standard error.
using MessageBoxPresenter = int (*)(const char* caption, const char* text);
void SetMessageBoxPresenter(MessageBoxPresenter presenter);
// A box with a caption of the caller's, through the same presenter (standard
// error without one).
int CaptionedBox(const char* caption, const char* text);
inline constexpr const char* kWarningBoxCaption = "Velmora - PDF Module";

// printf-style; the text is cut to 2047 characters. Formatting is locale-independent.
int ErrorMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
int WarningMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Hands the text to the trace sink line by line; costs nothing while the sink discards.
void TraceMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

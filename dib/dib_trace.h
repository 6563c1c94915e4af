// The bitmap library's own trace channel: a named pipe that an outside log viewer
// may create. While no pipe is there nothing is written, and opening is retried
// at most once every 2 seconds.
#pragma once

#include <cstdint>

// Appends formatted text to the channel's line buffer (written when full or
// flushed). Dropped while the pipe is absent. A single text is cut to 1023 characters.
void DibTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Writes what the buffer holds.
void DibTraceFlush();
// The pipe: quorvel-dib-trace in $XDG_RUNTIME_DIR, else a per-user name in /tmp.
const char* DibTracePipePath();
bool DibTraceConnected();

// For tests: another pipe path (null: the default) and another clock in
// milliseconds (null: the monotonic clock). Drops any connection and buffered text.
using DibTraceClock = int64_t (*)();
void DibTraceConfigure(const char* path, DibTraceClock clock);

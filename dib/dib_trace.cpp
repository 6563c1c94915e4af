// The trace channel's pipe, buffer and retry timing.
#include "dib/dib_trace.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

// Lines are collected up to this many characters before they are written.
constexpr size_t kBufferChars = 1023;
// A missing pipe is looked for again after this long.
constexpr int64_t kRetryMs = 2000;
constexpr const char* kPipeName = "quorvel-dib-trace";

struct Channel {
  std::string path;  // empty: not chosen yet
  DibTraceClock clock = nullptr;
  int fd = -1;
  bool tried = false;
  int64_t last_try_ms = 0;
  char buffer[kBufferChars + 1] = {};
  size_t used = 0;
};

Channel& State() {
  static Channel channel;
  return channel;
}

int64_t MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

const std::string& PipePath(Channel& c) {
  if (c.path.empty()) {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (dir != nullptr && dir[0] != '\0') {
      c.path = std::string(dir) + "/" + kPipeName;
    } else {
      // /tmp is shared, so the name carries the user and the owner is checked.
      c.path = "/tmp/" + std::string(kPipeName) + "-" + std::to_string(geteuid());
    }
  }
  return c.path;
}

void Disconnect(Channel& c) {
  if (c.fd >= 0) {
    close(c.fd);
    c.fd = -1;
  }
  c.used = 0;
}

// Opens the pipe when it is there and the last attempt is old enough.
bool Connect(Channel& c) {
  if (c.fd >= 0) {
    return true;
  }
  const int64_t now = c.clock != nullptr ? c.clock() : MonotonicMs();
  if (c.tried && now - c.last_try_ms < kRetryMs) {
    return false;
  }
  c.tried = true;
  c.last_try_ms = now;
  // Non-blocking: without a reader the open fails at once (ENXIO) instead of
  // waiting, and a full pipe later drops text instead of stalling the viewer.
  const int fd = open(PipePath(c).c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    return false;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode) || st.st_uid != geteuid()) {
    close(fd);
    return false;
  }
  c.fd = fd;
  return true;
}

// Writes with SIGPIPE blocked, so a reader that went away cannot end the process;
// a SIGPIPE raised by this write is taken back before the mask is restored.
ssize_t WriteNoSigpipe(int fd, const char* data, size_t size) {
  sigset_t pipe_only;
  sigset_t old_mask;
  sigemptyset(&pipe_only);
  sigaddset(&pipe_only, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_only, &old_mask);
  sigset_t pending;
  sigemptyset(&pending);
  sigpending(&pending);
  const bool already_pending = sigismember(&pending, SIGPIPE) == 1;

  ssize_t written = write(fd, data, size);
  const int saved_errno = errno;
  if (written < 0 && saved_errno == EPIPE && !already_pending) {
    const timespec no_wait{};
    while (sigtimedwait(&pipe_only, nullptr, &no_wait) < 0 && errno == EINTR) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &old_mask, nullptr);
  errno = saved_errno;
  return written;
}

void WriteBuffer(Channel& c) {
  size_t done = 0;
  while (done < c.used && c.fd >= 0) {
    const ssize_t n = WriteNoSigpipe(c.fd, c.buffer + done, c.used - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno == EAGAIN) {
      break;  // the reader is behind: this text is dropped
    } else {
      Disconnect(c);  // the reader went away; look for the pipe again later
      return;
    }
  }
  c.used = 0;
}

}  // namespace

void DibTrace(const char* format, ...) {
  Channel& c = State();
  if (!Connect(c)) {
    return;
  }
  char text[kBufferChars + 1];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  if (n <= 0) {
    return;
  }
  const size_t length = std::strlen(text);
  if (c.used + length > kBufferChars) {
    WriteBuffer(c);
    if (c.fd < 0) {
      return;
    }
  }
  std::memcpy(c.buffer + c.used, text, length);
  c.used += length;
}

void DibTraceFlush() {
  Channel& c = State();
  if (c.fd >= 0 && c.used > 0) {
    WriteBuffer(c);
  }
}

const char* DibTracePipePath() {
  return PipePath(State()).c_str();
}

bool DibTraceConnected() {
  return State().fd >= 0;
}

void DibTraceConfigure(const char* path, DibTraceClock clock) {
  Channel& c = State();
  Disconnect(c);
  c.path = path != nullptr ? path : "";
  c.clock = clock;
  c.tried = false;
  c.last_try_ms = 0;
}

// pdf::Output: the byte sink of the writer, with its sticky first error.
#include "pdf/output.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstring>

#include "diag/format.h"

namespace pdf {

namespace {

constexpr char kPrintfOverflow[] = "printf buffer overflow!";

// The bytes that a literal string cannot hold as they are.
constexpr bool NeedsEscape(char c) {
  return c == '(' || c == ')' || c == '\n' || c == '\t' || c == '\\' || c == '\0';
}

}  // namespace

void Output::Attach(OutputCallbacks* attached) {
  callbacks = attached;
  count = 0;
  error = nullptr;
}

void Output::SetError(const char* text) {
  if (error != nullptr) {
    return;
  }
  size_t size = strnlen(text, kErrorTextSize - 1);
  memcpy(error_text_, text, size);
  error_text_[size] = '\0';
  error = error_text_;
}

void Output::SetSystemError(int error_number) {
  SetError(strerror(error_number));
}

void Output::Write(const char* bytes, int size) {
  if (error != nullptr || size <= 0) {
    return;
  }
  if (callbacks == nullptr || callbacks->write == nullptr) {
    SetSystemError(EBADF);  // nothing to write to is a failure, not a success
    return;
  }
  errno = 0;
  int written = callbacks->write(callbacks, bytes, size);
  if (written != size) {
    SetSystemError(errno);
    return;
  }
  // A sink of our own stops at 2 GiB; one supplied by a caller might not.
  count = count > INT32_MAX - size ? INT32_MAX : count + size;
}

void Output::Write(const char* text) {
  Write(text, static_cast<int>(strlen(text)));
}

void Output::Printf(const char* format, ...) {
  if (error != nullptr) {
    return;
  }
  char buffer[kPrintfBufferSize];
  va_list args;
  va_start(args, format);
  errno = 0;
  int size = FormatV(buffer, sizeof buffer, format, args);
  int saved_errno = errno;
  va_end(args);
  if (size < 0) {
    SetSystemError(saved_errno);
  } else if (size >= kPrintfBufferSize) {
    SetError(kPrintfOverflow);
  } else {
    Write(buffer, size);
  }
}

void Output::WriteLiteral(const char* bytes, int size) {
  Write("(", 1);
  // Runs of ordinary bytes go out in one piece; each special byte starts the
  // next run behind its backslash.
  int run_start = 0;
  for (int i = 0; i < size; ++i) {
    if (NeedsEscape(bytes[i])) {
      Write(bytes + run_start, i - run_start);
      Write("\\", 1);
      run_start = i;
    }
  }
  Write(bytes + run_start, size - run_start);
  Write(")", 1);
}

int Output::Tell() {
  if (callbacks == nullptr || callbacks->tell == nullptr) {
    return 0;
  }
  return callbacks->tell(callbacks);
}

void Output::Close() {
  if (callbacks != nullptr) {
    OutputCallbacks* closing = callbacks;
    callbacks = nullptr;
    if (closing->close != nullptr) {
      closing->close(closing);
    }
  }
}

}  // namespace pdf

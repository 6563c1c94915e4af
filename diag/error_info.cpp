#include "diag/error_info.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "diag/format.h"

namespace {

constexpr size_t kSystemTextSize = 2048;
constexpr size_t kMessageSize = 1024;  // at most 1023 characters

char* Duplicate(const char* text) {
  return text != nullptr ? strdup(text) : nullptr;
}

}  // namespace

ErrorInfo::ErrorInfo() = default;

ErrorInfo::ErrorInfo(int code, const char* subject)
    : code(code), os_error(errno), subject(Duplicate(subject)) {}

ErrorInfo::ErrorInfo(int code, int os_error, const char* subject)
    : code(code), os_error(os_error), subject(Duplicate(subject)) {}

ErrorInfo::ErrorInfo(const ErrorInfo& other)
    : code(other.code), os_error(other.os_error), subject(Duplicate(other.subject)) {}

ErrorInfo& ErrorInfo::operator=(const ErrorInfo& other) {
  if (this != &other) {
    char* copy = Duplicate(other.subject);
    free(subject);
    free(message);
    code = other.code;
    os_error = other.os_error;
    subject = copy;
    message = nullptr;
  }
  return *this;
}

ErrorInfo::~ErrorInfo() {
  free(subject);
  free(message);
}

const char* ErrorInfo::Message() {
  if (message != nullptr) {
    return message;
  }
  const char* reason = SystemErrorText(os_error);
  // No code the system raises has no subject; show it as empty rather than "(null)".
  const char* path = subject != nullptr ? subject : "";
  char text[kMessageSize];
  switch (code) {
    case 1:
      FormatInto(text, sizeof text, "The file \"%s\" is marked read-only.", path);
      break;
    case 2:
      FormatInto(text, sizeof text, "This file does not exist: \"%s\"", path);
      break;
    case 3:
      FormatInto(text, sizeof text, "This device is full: %s", path);
      break;
    case 4:
      FormatInto(text, sizeof text, "Unable to create file '%s'. %s (%d)", path, reason, os_error);
      break;
    case 5:
      FormatInto(text, sizeof text, "Unable to open file '%s'. %s (%d)", path, reason, os_error);
      break;
    case 6:
      FormatInto(text, sizeof text, "Reading file '%s'. %s (%d)", path, reason, os_error);
      break;
    case 7:
      FormatInto(text, sizeof text, "The file '%s' is damaged or not in expected format.", path);
      break;
    case 8:
      FormatInto(text, sizeof text, "Error writing file '%s'. %s (%d)", path, reason, os_error);
      break;
    case 9:
      FormatInto(text, sizeof text, "There was insufficient memory. Perhaps a disk is full?");
      break;
    case 10:
      FormatInto(text, sizeof text, "I can't match any of the fields in \"%s\"", path);
      break;
    case 11:
      FormatInto(text, sizeof text, "Unable to create folder '%s'. %s (%d)", path, reason,
                 os_error);
      break;
    case 12:
      FormatInto(text, sizeof text, "This file already exists: \"%s\"", path);
      break;
    case 14:
      FormatInto(text, sizeof text, "Renaming to \"%s\" failed.\nBecause: \"%s\" (%d)", path,
                 reason, os_error);
      break;
    case 15:
      FormatInto(text, sizeof text, "Deleting \"%s\" failed.\nBecause: \"%s\" (%d)", path, reason,
                 os_error);
      break;
    case 16:
      FormatInto(text, sizeof text, "Cancelled at your request.");
      break;
    case 17:
      FormatInto(text, sizeof text, "There was an internal logic error: Index out of range. (%s)",
                 path);
      break;
    case 18:
      FormatInto(text, sizeof text, "There was an internal logic error: Null Pointer. (%s)", path);
      break;
    case 19:
      FormatInto(text, sizeof text, "There was an internal logic error.\n\nNote: %s", path);
      break;
    case kErrPassword:
      FormatInto(text, sizeof text, "%s", path);
      break;
    default:
      FormatInto(text, sizeof text, "An unexpected internal error occurred - Code %d (%s)", code,
                 path);
      break;
  }
  message = strdup(text);
  return message != nullptr ? message : "";
}

const char* SystemErrorText(int number) {
  static char buffer[kSystemTextSize];
  buffer[0] = '\0';
  // The GNU strerror_r may return a static text instead of filling the buffer.
  const char* text = strerror_r(number, buffer, sizeof buffer);
  if (text != buffer) {
    strncpy(buffer, text, sizeof buffer - 1);
    buffer[sizeof buffer - 1] = '\0';
  }
  // A number the C library does not know has no text.
  if (strncmp(buffer, "Unknown error", 13) == 0) {
    buffer[0] = '\0';
  }
  size_t n = strlen(buffer);
  while (n > 0 && (buffer[n - 1] == '\n' || buffer[n - 1] == '\r')) {
    buffer[--n] = '\0';
  }
  return buffer;
}
